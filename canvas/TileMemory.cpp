#include "canvas/TileMemory.h"

const QImage* TTileMemory::Find(const std::string& key) {
    const auto it = index_.find(key);
    if (it == index_.end()) return nullptr;
    Touch(it->second);
    return &it->second->image;
}

const QImage* TTileMemory::Insert(const std::string& key, QImage image) {
    auto it = index_.find(key);
    if (it != index_.end()) {
        it->second->image = std::move(image);
    } else {
        order_.push_front({key, std::move(image)});
        index_[key] = order_.begin();
    }
    const auto entry = index_.find(key)->second;
    Touch(entry);
    Trim();
    return &entry->image;
}

void TTileMemory::Touch(std::list<Entry>::iterator it) {
    order_.splice(order_.begin(), order_, it);
    inUse_.insert(it->key);
}

void TTileMemory::Trim() {
    // From the least recently used end, skipping what the paint holds.
    auto it = order_.end();
    while (index_.size() > capacity_ && it != order_.begin()) {
        --it;
        if (inUse_.count(it->key)) continue;
        index_.erase(it->key);
        it = order_.erase(it);
    }
}

void TTileMemory::BeginPaint() { inUse_.clear(); }

void TTileMemory::EndPaint() { Trim(); }

void TTileMemory::Clear() {
    index_.clear();
    order_.clear();
    inUse_.clear();
}

void TTileMemory::SetCapacity(std::size_t capacity) {
    capacity_ = capacity;
    Trim();
}

std::list<std::string> TTileMemory::Keys() const {
    std::list<std::string> keys;
    for (const Entry& e : order_) keys.push_back(e.key);
    return keys;
}
