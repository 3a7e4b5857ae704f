// A worker thread's wake-up call to the GUI thread: any thread may call
// Wake(); the GUI thread's event loop then runs `onWake` once for any number
// of wake-ups since its last run. The worker touches no Qt object (posting a
// functor from a plain thread hands Qt's event queue a heap object whose
// hand-over a thread checker cannot see); it only writes an eventfd. The data
// itself travels under the worker's own lock, read by `onWake`.
//
// Create and destroy it on the GUI thread, after every worker that wakes it
// has ended.
#pragma once

#include <functional>

class QSocketNotifier;

namespace platform {

class GuiWake {
  public:
    explicit GuiWake(std::function<void()> onWake);
    ~GuiWake();
    GuiWake(const GuiWake&) = delete;
    GuiWake& operator=(const GuiWake&) = delete;

    // Any thread.
    void Wake();

  private:
    std::function<void()> onWake_;
    int wakeFd_ = -1;
    QSocketNotifier* notifier_ = nullptr;
};

}  // namespace platform
