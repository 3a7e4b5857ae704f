// The decoded tiles held in memory, by key "z_x_y": at most `capacity`
// tiles, the least recently used going first, except that a tile the
// current paint has used is never dropped (a paint uses at most 100). A
// paint brackets its lookups with BeginPaint/EndPaint; the images handed out
// stay valid until the next BeginPaint, Clear or destruction.
#pragma once

#include <QImage>
#include <cstddef>
#include <list>
#include <set>
#include <string>
#include <unordered_map>

class TTileMemory {
public:
    explicit TTileMemory(std::size_t capacity = 512) : capacity_(capacity) {}

    // The tile, marked as just used; null when absent.
    const QImage* Find(const std::string& key);
    // Stores (or replaces) a tile, marked as just used, and trims the cache.
    const QImage* Insert(const std::string& key, QImage image);
    bool Contains(const std::string& key) const { return index_.count(key) != 0; }

    void BeginPaint();
    void EndPaint();
    void Clear();

    std::size_t Size() const { return index_.size(); }
    std::size_t Capacity() const { return capacity_; }
    void SetCapacity(std::size_t capacity);
    // Keys from the most to the least recently used.
    std::list<std::string> Keys() const;

private:
    struct Entry {
        std::string key;
        QImage image;
    };
    void Touch(std::list<Entry>::iterator it);
    void Trim();

    std::size_t capacity_;
    std::list<Entry> order_;  // front: most recently used
    std::unordered_map<std::string, std::list<Entry>::iterator> index_;
    std::set<std::string> inUse_;  // used since the last BeginPaint
};
