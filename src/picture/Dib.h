#pragma once
// The in-memory picture: a device-independent bitmap with its header, colour table, pixel rows
// and logical palette. Field names and meanings follow the picture record every part of the
// program reads; the record owns its memory and can only be moved, copies are explicit.
#include <array>
#include <cstdint>
#include <memory>

#include "picture/Resolution.h"

namespace tessaro {

struct PictureSource;

#pragma pack(push, 1)
struct BitmapInfoHeader {
  uint32_t biSize = 40;
  int32_t biWidth = 0;
  int32_t biHeight = 0;
  uint16_t biPlanes = 1;
  uint16_t biBitCount = 0;
  uint32_t biCompression = 0;
  uint32_t biSizeImage = 0;
  int32_t biXPelsPerMeter = 0;
  int32_t biYPelsPerMeter = 0;
  uint32_t biClrUsed = 0;
  uint32_t biClrImportant = 0;
};
struct RgbQuad {
  uint8_t rgbBlue = 0, rgbGreen = 0, rgbRed = 0, rgbReserved = 0;
};
// Header followed by the colour table, exactly as the block sits in a BMP file.
struct BitmapInfo {
  BitmapInfoHeader bmiHeader;
  RgbQuad bmiColors[256];
};
struct PaletteEntry {
  uint8_t peRed = 0, peGreen = 0, peBlue = 0, peFlags = 0;
};
struct LogPaletteData {
  uint16_t palVersion = 0;
  uint16_t palNumEntries = 0;
  PaletteEntry palPalEntry[256];
};
#pragma pack(pop)
static_assert(sizeof(BitmapInfoHeader) == 40);
static_assert(sizeof(BitmapInfo) == 40 + 4 * 256);
static_assert(sizeof(LogPaletteData) == 1028);

inline constexpr uint16_t kPalVersion = 0x300;

// A realised palette: the colours a device selects before it draws a palette picture.
class PaletteObject {
 public:
  explicit PaletteObject(const LogPaletteData& log);
  int size() const { return count_; }
  const PaletteEntry& entry(int i) const { return entries_[static_cast<size_t>(i)]; }
  // Index of the entry closest to (r, g, b) by squared distance; the lowest index on a tie.
  int nearestIndex(uint8_t r, uint8_t g, uint8_t b) const;

 private:
  std::array<PaletteEntry, 256> entries_{};
  int count_ = 0;
};

// Frees a picture's pixel memory. Large blocks are mapped straight from the kernel, so pages
// nobody writes stay shared zero pages and cost nothing.
struct PixelFree {
  size_t bytes = 0;
  bool shared = false;  // mapped shared whatever its size
  void operator()(uint8_t* p) const;
};

class TDib {
 public:
  TDib() = default;
  TDib(TDib&& other) noexcept;
  TDib& operator=(TDib&& other) noexcept;
  TDib(const TDib&) = delete;
  TDib& operator=(const TDib&) = delete;
  ~TDib() = default;

  BitmapInfoHeader* Header = nullptr;  // points into the owned info block
  int32_t DibHandle = 0;               // non-zero while the picture exists
  uint8_t* Bits = nullptr;             // bottom-up rows, each padded to 4 bytes; null = no picture
  int32_t RowBytes = 0;
  uint8_t HasPalette = 0;
  alignas(4) LogPaletteData LogPalette{};  // aligned, so its 16-bit fields are too
  std::unique_ptr<PaletteObject> Palette;
  // As stored by the file or the scanner; copies and operations carry it, turns swap it and a
  // resize scales it, so the physical size stays.
  Resolution Dpi;

  // Identity and change counter: drawing caches key on both. Every routine that writes pixels
  // or colours through Bits or the colour table calls touchDib afterwards; that also lets go of
  // the data the picture was decoded from (see keepSource).
  uint64_t Id = 0;
  uint64_t Generation = 0;

  bool empty() const { return Bits == nullptr; }
  RgbQuad* colors() { return info_ ? info_->bmiColors : nullptr; }
  const RgbQuad* colors() const { return info_ ? info_->bmiColors : nullptr; }
  BitmapInfo* info() { return info_.get(); }
  const BitmapInfo* info() const { return info_.get(); }
  size_t pixelBytes() const { return Header ? Header->biSizeImage : 0; }
  uint8_t* row(int32_t yFromTop) { return Bits + static_cast<size_t>(RowBytes) * static_cast<size_t>(Header->biHeight - 1 - yFromTop); }
  const uint8_t* row(int32_t yFromTop) const { return Bits + static_cast<size_t>(RowBytes) * static_cast<size_t>(Header->biHeight - 1 - yFromTop); }
  const uint8_t* storedRow(int32_t storedY) const { return Bits + static_cast<size_t>(RowBytes) * static_cast<size_t>(storedY); }
  uint8_t* storedRow(int32_t storedY) { return Bits + static_cast<size_t>(RowBytes) * static_cast<size_t>(storedY); }

 private:
  friend TDib allocateDib(int32_t, int32_t, int32_t, bool);
  friend TDib allocateSharedDib(int32_t, int32_t, int32_t);
  friend void keepSource(TDib&, std::shared_ptr<const PictureSource>);
  friend const PictureSource* unchangedSource(const TDib&);
  friend std::shared_ptr<const PictureSource> sharedUnchangedSource(const TDib&);
  friend TDib copyDib(const TDib&);
  friend void touchDib(TDib&);
  std::unique_ptr<BitmapInfo> info_;
  std::unique_ptr<uint8_t[], PixelFree> pixels_;
  // What the picture was decoded from, valid while Generation is still sourceGeneration_.
  std::shared_ptr<const PictureSource> source_;
  uint64_t sourceGeneration_ = 0;
};

// Allocates a picture of the given size and depth. Its pixel bytes read as zero, but memory is
// only committed where something writes, so a decoder that gives up early (or a hostile header
// that promises a huge picture) costs nothing for the rows it never reached. `zeroed` is kept
// for the callers' intent; the bytes are zero either way. Returns an empty record when the size
// is refused or the memory cannot be had.
TDib allocateDib(int32_t width, int32_t height, int32_t bitCount, bool zeroed);

// The same, with pixel memory shared with the child processes forked after it: what a child
// draws into it, the parent sees (see runInBoundedChild).
TDib allocateSharedDib(int32_t width, int32_t height, int32_t bitCount);

// Tells the memory manager that the picture's rows will be written sparsely at first (the
// passes of an interlaced file): huge pages would commit 2 MiB for every scattered row, so a
// file cut short early would still cost most of the picture.
void adviseSparseWrites(TDib& dib);

// A new picture with all-zero pixels. With a palette source, its first `colors` table entries
// are copied; a 1-bit picture without one gets black and white. Depths up to 8 bits always get a
// LogPalette of 2, 16 or 256 entries and a Palette made from it. Failure: the empty record.
TDib newdib(int32_t width, int32_t height, int32_t bitCount, const BitmapInfo* paletteSource, int32_t colors);
// A new all-zero picture of the given size with the depth, colour table and resolution of
// `picture`; the result of every geometry operation starts as one of these. Empty when it cannot be made.
TDib newDibLike(const TDib& picture, int32_t width, int32_t height);
// Frees all that the picture holds and leaves it empty.
void deldib(TDib& dib);
// An independent copy of pixels, colours and palette; it shares the data the pixels came from.
TDib copyDib(const TDib& dib);

// Remembers the data a decoder has just made the picture from, as its pixels and colours stand.
void keepSource(TDib& dib, std::shared_ptr<const PictureSource> source);
// That data while no pixel or colour has changed since; null once anything has, and for
// pictures made by an operation, a scan or a drawing.
const PictureSource* unchangedSource(const TDib& dib);
// The same, shared, to be kept beside another picture made from this one (see keepSource).
std::shared_ptr<const PictureSource> sharedUnchangedSource(const TDib& dib);

int32_t getpixel(const TDib& dib, int32_t x, int32_t y);
void setpixel(TDib& dib, int32_t x, int32_t y, int32_t value);

int32_t DibWidth(const TDib& dib);
int32_t DibHeight(const TDib& dib);
int32_t DibBitCount(const TDib& dib);
int32_t DibColors(const TDib& dib);

// Copies the colour table into LogPalette and rebuilds Palette (after a colour-table edit).
void syncPaletteFromColors(TDib& dib, int count);
// Marks the picture as changed for every cache that keyed on it, and lets go of the data it was
// decoded from.
void touchDib(TDib& dib);

}  // namespace tessaro
