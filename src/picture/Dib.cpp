#include "picture/Dib.h"

#include <sys/mman.h>

#include <atomic>
#include <cstdlib>
#include <cstring>

#include "picture/Limits.h"
#include "picture/PictureSource.h"

namespace tessaro {

namespace {
std::atomic<uint64_t> nextDibId{1};

// Decoders and operations touch a large picture's memory once from end to end; huge pages cut
// the cost of that first touch (one page fault per 2 MiB instead of per 4 KiB) to about a fifth.
void adviseHugePages(void* pixels, size_t bytes) {
  constexpr uintptr_t kPage = 4096;
  if (bytes < (size_t{4} << 20)) return;
  const uintptr_t begin = (reinterpret_cast<uintptr_t>(pixels) + kPage - 1) & ~(kPage - 1);
  const uintptr_t end = (reinterpret_cast<uintptr_t>(pixels) + bytes) & ~(kPage - 1);
  if (end > begin) ::madvise(reinterpret_cast<void*>(begin), end - begin, MADV_HUGEPAGE);
}

// Blocks from this size on are mapped; below it the heap is cheaper and calloc's memset small.
constexpr size_t kMapThreshold = size_t{1} << 20;

uint8_t* mapPixels(size_t bytes, bool shared = false) {
  if (bytes < kMapThreshold && !shared) return static_cast<uint8_t*>(std::calloc(bytes, 1));
  void* p = ::mmap(nullptr, bytes, PROT_READ | PROT_WRITE, (shared ? MAP_SHARED : MAP_PRIVATE) | MAP_ANONYMOUS, -1, 0);
  if (p == MAP_FAILED) return nullptr;
  adviseHugePages(p, bytes);
  return static_cast<uint8_t*>(p);
}
}  // namespace

void PixelFree::operator()(uint8_t* p) const {
  if (bytes < kMapThreshold && !shared)
    std::free(p);
  else
    ::munmap(p, bytes);
}

PaletteObject::PaletteObject(const LogPaletteData& log) {
  count_ = log.palNumEntries > 256 ? 256 : log.palNumEntries;
  for (int i = 0; i < count_; ++i) entries_[static_cast<size_t>(i)] = log.palPalEntry[i];
}

int PaletteObject::nearestIndex(uint8_t r, uint8_t g, uint8_t b) const {
  int best = 0;
  int bestDist = 1 << 30;
  for (int i = 0; i < count_; ++i) {
    const PaletteEntry& e = entries_[static_cast<size_t>(i)];
    int dr = int{e.peRed} - r, dg = int{e.peGreen} - g, db = int{e.peBlue} - b;
    int d = dr * dr + dg * dg + db * db;
    if (d < bestDist) {
      bestDist = d;
      best = i;
    }
  }
  return best;
}

TDib::TDib(TDib&& o) noexcept { *this = std::move(o); }

TDib& TDib::operator=(TDib&& o) noexcept {
  if (this == &o) return *this;
  Header = o.Header;
  DibHandle = o.DibHandle;
  Bits = o.Bits;
  RowBytes = o.RowBytes;
  HasPalette = o.HasPalette;
  LogPalette = o.LogPalette;
  Palette = std::move(o.Palette);
  Dpi = o.Dpi;
  Id = o.Id;
  Generation = o.Generation;
  info_ = std::move(o.info_);
  pixels_ = std::move(o.pixels_);
  source_ = std::move(o.source_);
  sourceGeneration_ = o.sourceGeneration_;
  o.Header = nullptr;
  o.Bits = nullptr;
  o.DibHandle = 0;
  o.RowBytes = 0;
  o.HasPalette = 0;
  o.Id = 0;
  o.Generation = 0;
  o.Dpi = {};
  return *this;
}

TDib allocateDib(int32_t width, int32_t height, int32_t bitCount, bool /*zeroed*/) {
  TDib dib;
  if (!dibSizeAllowed(width, height, bitCount)) return dib;
  const uint64_t rowBytes = dibRowBytes(width, bitCount);
  const size_t total = static_cast<size_t>(rowBytes * static_cast<uint64_t>(height));
  auto info = std::make_unique<BitmapInfo>();
  std::unique_ptr<uint8_t[], PixelFree> pixels(mapPixels(total), PixelFree{total});
  if (!pixels) return dib;
  info->bmiHeader.biWidth = width;
  info->bmiHeader.biHeight = height;
  info->bmiHeader.biBitCount = static_cast<uint16_t>(bitCount);
  info->bmiHeader.biSizeImage = static_cast<uint32_t>(total);
  if (bitCount <= 8) info->bmiHeader.biClrUsed = 1u << bitCount;
  dib.info_ = std::move(info);
  dib.pixels_ = std::move(pixels);
  dib.Header = &dib.info_->bmiHeader;
  dib.Bits = dib.pixels_.get();
  dib.RowBytes = static_cast<int32_t>(rowBytes);
  dib.Id = nextDibId.fetch_add(1);
  dib.DibHandle = static_cast<int32_t>(dib.Id & 0x7fffffff) | 1;
  if (bitCount <= 8) {
    dib.LogPalette.palVersion = kPalVersion;
    dib.LogPalette.palNumEntries = static_cast<uint16_t>(1u << bitCount);
  }
  return dib;
}

TDib allocateSharedDib(int32_t width, int32_t height, int32_t bitCount) {
  TDib dib = allocateDib(width, height, bitCount, true);  // its own pixels are never touched
  if (dib.empty()) return dib;
  const size_t total = dib.pixelBytes();
  std::unique_ptr<uint8_t[], PixelFree> pixels(mapPixels(total, true), PixelFree{total, true});
  if (!pixels) return TDib();
  dib.pixels_ = std::move(pixels);
  dib.Bits = dib.pixels_.get();
  return dib;
}

void adviseSparseWrites(TDib& dib) {
  if (dib.empty() || dib.pixelBytes() < kMapThreshold) return;
  ::madvise(dib.Bits, dib.pixelBytes(), MADV_NOHUGEPAGE);  // mapped blocks start page-aligned
}

void syncPaletteFromColors(TDib& dib, int count) {
  if (!dib.info()) return;
  if (count < 0) count = 0;
  if (count > 256) count = 256;
  dib.LogPalette.palVersion = kPalVersion;
  dib.LogPalette.palNumEntries = static_cast<uint16_t>(count);
  for (int i = 0; i < count; ++i) {
    const RgbQuad& q = dib.colors()[i];
    dib.LogPalette.palPalEntry[i] = PaletteEntry{q.rgbRed, q.rgbGreen, q.rgbBlue, 0};
  }
  dib.Palette = std::make_unique<PaletteObject>(dib.LogPalette);
  dib.HasPalette = count > 0 ? 1 : 0;
  touchDib(dib);
}

TDib newdib(int32_t width, int32_t height, int32_t bitCount, const BitmapInfo* paletteSource, int32_t colors) {
  TDib dib = allocateDib(width, height, bitCount, true);
  if (dib.empty()) return dib;
  if (bitCount <= 8) {
    const int entries = 1 << bitCount;
    if (paletteSource) {
      const int n = colors < 0 ? 0 : (colors > entries ? entries : colors);
      std::memcpy(dib.colors(), paletteSource->bmiColors, sizeof(RgbQuad) * static_cast<size_t>(n));
    } else if (bitCount == 1) {
      dib.colors()[1] = RgbQuad{255, 255, 255, 0};  // entry 0 dark, entry 1 light
    }
    syncPaletteFromColors(dib, entries);
  }
  return dib;
}

void deldib(TDib& dib) { dib = TDib(); }

TDib newDibLike(const TDib& picture, int32_t width, int32_t height) {
  const int32_t bits = DibBitCount(picture);
  const int32_t colors = bits <= 8 ? DibColors(picture) : 0;
  TDib dib = newdib(width, height, bits, picture.info(), colors);
  dib.Dpi = picture.Dpi;
  return dib;
}

TDib copyDib(const TDib& src) {
  if (src.empty()) return TDib();
  TDib dib = allocateDib(src.Header->biWidth, src.Header->biHeight, src.Header->biBitCount, false);
  if (dib.empty()) return dib;
  *dib.info() = *src.info();
  std::memcpy(dib.Bits, src.Bits, src.pixelBytes());
  dib.HasPalette = src.HasPalette;
  dib.LogPalette = src.LogPalette;
  dib.Dpi = src.Dpi;
  if (src.Palette) dib.Palette = std::make_unique<PaletteObject>(*src.Palette);
  if (unchangedSource(src)) keepSource(dib, src.source_);
  return dib;
}

void keepSource(TDib& dib, std::shared_ptr<const PictureSource> source) {
  dib.source_ = std::move(source);
  dib.sourceGeneration_ = dib.Generation;
}

const PictureSource* unchangedSource(const TDib& dib) {
  return dib.Generation == dib.sourceGeneration_ ? dib.source_.get() : nullptr;
}

std::shared_ptr<const PictureSource> sharedUnchangedSource(const TDib& dib) {
  return dib.Generation == dib.sourceGeneration_ ? dib.source_ : nullptr;
}

int32_t getpixel(const TDib& dib, int32_t x, int32_t y) {
  if (dib.empty() || x < 0 || y < 0 || x >= dib.Header->biWidth || y >= dib.Header->biHeight) return 0;
  const uint8_t* row = dib.row(y);
  switch (dib.Header->biBitCount) {
    case 1:
      return (row[x >> 3] >> (7 - (x & 7))) & 1;
    case 4:
      return (x & 1) ? (row[x >> 1] & 0x0f) : (row[x >> 1] >> 4);
    case 8:
      return row[x];
    case 24: {
      const uint8_t* p = row + static_cast<size_t>(x) * 3;
      return p[0] | (p[1] << 8) | (p[2] << 16);
    }
    default:
      return 0;
  }
}

void setpixel(TDib& dib, int32_t x, int32_t y, int32_t value) {
  if (dib.empty() || x < 0 || y < 0 || x >= dib.Header->biWidth || y >= dib.Header->biHeight) return;
  uint8_t* row = dib.row(y);
  switch (dib.Header->biBitCount) {
    case 1: {
      const uint8_t mask = static_cast<uint8_t>(0x80 >> (x & 7));
      if (value & 1)
        row[x >> 3] |= mask;
      else
        row[x >> 3] &= static_cast<uint8_t>(~mask);
      break;
    }
    case 4: {
      uint8_t& b = row[x >> 1];
      const uint8_t v = static_cast<uint8_t>(value & 0x0f);
      b = (x & 1) ? static_cast<uint8_t>((b & 0xf0) | v) : static_cast<uint8_t>((b & 0x0f) | (v << 4));
      break;
    }
    case 8:
      row[x] = static_cast<uint8_t>(value);
      break;
    case 24: {
      uint8_t* p = row + static_cast<size_t>(x) * 3;
      p[0] = static_cast<uint8_t>(value);
      p[1] = static_cast<uint8_t>(value >> 8);
      p[2] = static_cast<uint8_t>(value >> 16);
      break;
    }
    default:
      return;
  }
  touchDib(dib);
}

int32_t DibWidth(const TDib& dib) { return dib.Header ? dib.Header->biWidth : 0; }
int32_t DibHeight(const TDib& dib) { return dib.Header ? dib.Header->biHeight : 0; }
int32_t DibBitCount(const TDib& dib) { return dib.Header ? dib.Header->biBitCount : 0; }

int32_t DibColors(const TDib& dib) {
  // Doubling 1 bit-count times in 32 bits; 32-bit pictures wrap to 0 as the doubling would.
  uint32_t n = 1;
  for (int i = 0; i < DibBitCount(dib); ++i) n <<= 1;
  return static_cast<int32_t>(n);
}

void touchDib(TDib& dib) {
  ++dib.Generation;
  dib.source_.reset();
}

}  // namespace tessaro
