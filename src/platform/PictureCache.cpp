#include "platform/PictureCache.h"

#include <list>
#include <mutex>
#include <utility>

namespace tessaro::pictureCache {

namespace {

// A few entries cover the preview, the poster preview and the crop view of one picture; the
// byte limit keeps large screens from holding much memory.
constexpr size_t kMaxEntries = 4;
constexpr qsizetype kMaxBytes = qsizetype{128} << 20;

struct Cache {
  std::mutex mutex;
  std::list<std::pair<PictureKey, QImage>> entries;  // most recently used first
  PictureCacheStats stats;
};

Cache& cache() {
  static Cache c;
  return c;
}

qsizetype totalBytes(const Cache& c) {
  qsizetype n = 0;
  for (const auto& e : c.entries) n += e.second.sizeInBytes();
  return n;
}

}  // namespace

std::optional<QImage> find(const PictureKey& key) {
  Cache& c = cache();
  std::lock_guard lock(c.mutex);
  for (auto it = c.entries.begin(); it != c.entries.end(); ++it) {
    if (it->first == key) {
      c.entries.splice(c.entries.begin(), c.entries, it);
      ++c.stats.hits;
      return c.entries.front().second;
    }
  }
  ++c.stats.misses;
  return std::nullopt;
}

void store(const PictureKey& key, const QImage& image) {
  if (image.sizeInBytes() > kMaxBytes) return;
  Cache& c = cache();
  std::lock_guard lock(c.mutex);
  // An older generation of the same picture is of no further use.
  c.entries.remove_if([&](const auto& e) { return e.first == key || (e.first.id == key.id && e.first.generation != key.generation); });
  c.entries.emplace_front(key, image);
  while (c.entries.size() > kMaxEntries || totalBytes(c) > kMaxBytes) c.entries.pop_back();
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
  c.stats = {};
}

}  // namespace tessaro::pictureCache
