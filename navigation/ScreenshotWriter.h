// The screenshots' writing half: the grab (ScreenGrab.h) copies every monitor
// on the GUI thread, fast; the writer encodes and writes the pictures on one
// worker thread of its own, because a level-9 PNG of a large monitor takes
// seconds and the serial readers poll on the GUI thread.
//
// At most one cycle is in flight: a cycle handed over while the previous one
// is still being written is refused (the caller skips it). A write error ends
// its cycle (the remaining pictures are not written) and is reported on the
// GUI thread through `onError`. The destructor drops what was not started,
// waits for the picture being written and stops the worker, so no worker
// outlives its owner.
#pragma once

#include <QImage>
#include <QObject>
#include <chrono>
#include <condition_variable>
#include <functional>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "platform/GuiWake.h"

// `image` as a 24-bit RGB PNG at zlib level 9, replacing `path` whole (a
// temporary file and a rename). Empty on success, else the message the
// surveyor sees: "Cannot create file \"<path>\".".
std::string WriteScreenshotPng(const QImage& image, const std::string& path);

class ScreenshotWriter : public QObject {
  public:
    struct Picture {
        QImage image;
        std::string path;
    };
    // `onError` runs on the GUI thread with the message of a failed cycle.
    explicit ScreenshotWriter(std::function<void(const std::string& message)> onError,
                              QObject* parent = nullptr);
    ~ScreenshotWriter() override;

    // Hands one cycle to the worker: `folder` is made with its parents, then
    // each picture is written in order. False, and nothing done, while the
    // previous cycle is still in flight.
    bool Submit(std::string folder, std::vector<Picture> pictures);
    bool Busy() const;
    // Waits up to `bound` for the cycle in flight; true when none is left.
    bool WaitIdle(std::chrono::milliseconds bound);

    // Runs on the worker before each picture is written (tests slow it down).
    std::function<void(const std::string& path)> BeforeWrite;

  private:
    void Run();
    void ReportErrors();  // GUI thread
    std::string WriteCycle(const std::string& folder, const std::vector<Picture>& pictures);

    std::function<void(const std::string&)> FOnError;
    mutable std::mutex FMutex;
    std::condition_variable FWake;  // the worker: a cycle or the stop
    std::condition_variable FIdle;  // WaitIdle: the cycle is done
    bool FBusy = false;             // a cycle is queued or being written
    bool FStop = false;
    std::string FFolder;
    std::vector<Picture> FPictures;
    std::vector<std::string> FErrors;  // failed cycles' messages, not yet reported
    platform::GuiWake FErrorWake;      // the worker's call to report them
    std::thread FWorker;  // last: starts once the members above exist
};
