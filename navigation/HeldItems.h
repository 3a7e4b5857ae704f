// What a writer could not put in its file yet (sounding rows, event lines,
// geodesy blocks): items kept in order up to a byte cap, those beyond it
// counted as lost, and the outage they belong to, so that its beginning and
// its end are each reported once. Plain bookkeeping: it writes nothing.
#pragma once

#include <cstddef>
#include <deque>
#include <optional>
#include <string>

class HeldItems {
  public:
    explicit HeldItems(size_t capBytes) : cap_(capBytes) {}

    // Keeps `item` after the others for the next write. Only a write that
    // fails holds it to the cap (see Failed), so the item that comes as
    // writing works again is written even when the hold is full.
    void Hold(std::string item);
    const std::deque<std::string>& Items() const { return items_; }
    bool Empty() const { return items_.empty(); }
    size_t Count() const { return items_.size(); }
    size_t Lost() const { return lost_; }

    // A write of the held items failed: the newest item that passes the cap
    // (each item's bytes plus two for a line end) is counted as lost rather
    // than held. True when this begins an outage, which the caller reports.
    bool Failed();

    struct Recovery {
        size_t written = 0;  // held items that went out now
        size_t lost = 0;     // items lost during the outage
    };
    // Every held item was written: they go. Returns the outage that ended
    // with this write, for its one report; nothing when there was none.
    std::optional<Recovery> Written();
    // Every held item was written, but the outage stays open: its end is
    // reported by the next write that works.
    void WrittenQuietly();

  private:
    size_t cap_;
    std::deque<std::string> items_;
    size_t bytes_ = 0;
    size_t lost_ = 0;  // lost in the present outage
    bool outage_ = false;
};
