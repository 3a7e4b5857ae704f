#include "platform/GuiWake.h"

#include <sys/eventfd.h>
#include <unistd.h>

#include <QSocketNotifier>
#include <cstdint>

#include "platform/HandlerGuard.h"

namespace platform {

GuiWake::GuiWake(std::function<void()> onWake) : onWake_(std::move(onWake)) {
    wakeFd_ = eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK);
    notifier_ = new QSocketNotifier(wakeFd_, QSocketNotifier::Read);
    QObject::connect(notifier_, &QSocketNotifier::activated, notifier_, [this] {
        uint64_t count = 0;
        [[maybe_unused]] const ssize_t n = ::read(wakeFd_, &count, sizeof count);
        GuardHandler(onWake_);
    });
}

GuiWake::~GuiWake() {
    delete notifier_;
    ::close(wakeFd_);
}

void GuiWake::Wake() {
    const uint64_t one = 1;
    [[maybe_unused]] const ssize_t n = ::write(wakeFd_, &one, sizeof one);
}

}  // namespace platform
