#include "platform/PictureCache.h"

#include <list>
#include <mutex>
#include <unordered_map>
#include <utility>

namespace tessaro::pictureCache {

namespace {

// Enough entries for every sheet of a large poster preview (each band is a small image at
// preview scale) besides the small preview and the crop view; the byte limit keeps large
// screens from holding much memory.
constexpr size_t kMaxEntries = 1024;
constexpr qsizetype kMaxBytes = qsizetype{128} << 20;

struct KeyHash {
  size_t operator()(const PictureKey& k) const {
    uint64_t h = k.id * 0x9E3779B97F4A7C15ull ^ k.generation;
    for (int32_t v : {k.srcX, k.srcY, k.srcW, k.srcH, k.outW, k.outH})
      h = (h ^ static_cast<uint32_t>(v)) * 0x100000001B3ull;
    return static_cast<size_t>(h ^ reinterpret_cast<uintptr_t>(k.bits));
  }
};

using Entries = std::list<std::pair<PictureKey, QImage>>;

struct Cache {
  std::mutex mutex;
  Entries entries;  // most recently used first
  std::unordered_map<PictureKey, Entries::iterator, KeyHash> index;
  PictureCacheStats stats;
  qsizetype bytes = 0;
};

Cache& cache() {
  static Cache c;
  return c;
}


}  // namespace

std::optional<QImage> find(const PictureKey& key) {
  Cache& c = cache();
  std::lock_guard lock(c.mutex);
  const auto found = c.index.find(key);
  if (found == c.index.end()) {
    ++c.stats.misses;
    return std::nullopt;
  }
  c.entries.splice(c.entries.begin(), c.entries, found->second);
  ++c.stats.hits;
  return c.entries.front().second;
}

void store(const PictureKey& key, const QImage& image) {
  if (image.sizeInBytes() > kMaxBytes) return;
  Cache& c = cache();
  std::lock_guard lock(c.mutex);
  // An older generation of the same picture is of no further use.
  c.entries.remove_if([&](const auto& e) {
    const bool stale = e.first == key || (e.first.id == key.id && e.first.generation != key.generation);
    if (stale) {
      c.bytes -= e.second.sizeInBytes();
      c.index.erase(e.first);
    }
    return stale;
  });
  c.entries.emplace_front(key, image);
  c.index[key] = c.entries.begin();
  c.bytes += image.sizeInBytes();
  while (c.entries.size() > kMaxEntries || c.bytes > kMaxBytes) {
    c.bytes -= c.entries.back().second.sizeInBytes();
    c.index.erase(c.entries.back().first);
    c.entries.pop_back();
  }
}

PictureCacheStats stats() {
  Cache& c = cache();
  std::lock_guard lock(c.mutex);
  return c.stats;
}

void clear() {
  Cache& c = cache();
  std::lock_guard lock(c.mutex);
  c.entries.clear();
  c.index.clear();
  c.bytes = 0;
  c.stats = {};
}

}  // namespace tessaro::pictureCache
