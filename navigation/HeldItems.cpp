#include "navigation/HeldItems.h"

void HeldItems::Hold(std::string item) {
    bytes_ += item.size() + 2;
    items_.push_back(std::move(item));
}

bool HeldItems::Failed() {
    // Every item before the newest was within the cap when its own write failed.
    if (bytes_ > cap_ && !items_.empty()) {
        bytes_ -= items_.back().size() + 2;
        items_.pop_back();
        ++lost_;
    }
    if (outage_) return false;
    outage_ = true;
    return true;
}

void HeldItems::WrittenQuietly() {
    items_.clear();
    bytes_ = 0;
}

std::optional<HeldItems::Recovery> HeldItems::Written() {
    const Recovery recovery{items_.size(), lost_};
    WrittenQuietly();
    if (!outage_) return std::nullopt;
    outage_ = false;
    lost_ = 0;
    return recovery;
}
