// Writing to a file of the day that may vanish with its folder while the
// program runs (the event lines, the geodesy record): each item is written
// at once and, when that fails, once more after the folders are made again
// (the `ensureFolders` hook); items that still fail are held in order (up to
// a byte cap, beyond it counted as lost) and go first at the next write that
// works. An outage is reported once (file, reason) and its end once (items
// written and lost), through the `report` hook; nothing here shows a window.
#pragma once

#include <cstddef>
#include <deque>
#include <functional>
#include <string>

#include "navigation/HeldItems.h"

class RetryingWriter {
  public:
    // Writes `items` in order to `path`; false with the reason in `why`.
    using WriteItems = std::function<bool(const std::string& path,
                                          const std::deque<std::string>& items, std::string& why)>;
    struct Hooks {
        std::function<bool()> ensureFolders;             // may be empty
        std::function<void(const std::string&)> report;  // may be empty
    };
    static constexpr size_t kDefaultCapBytes = 16u << 20;

    // `what` names the items in the reports ("Event lines").
    RetryingWriter(std::string what, WriteItems write, Hooks hooks,
                   size_t capBytes = kDefaultCapBytes);

    // Writes the held items and then `item` to `path`; true when they went.
    bool Write(const std::string& path, std::string item);
    // Writes the held items, if any (the next chance without a new item);
    // true when nothing is held afterwards.
    bool Retry(const std::string& path);

    size_t Held() const { return held_.Count(); }
    size_t Lost() const { return held_.Lost(); }

  private:
    bool WriteHeld(const std::string& path);

    std::string what_;
    WriteItems write_;
    Hooks hooks_;
    HeldItems held_;
};
