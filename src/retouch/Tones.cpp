#include "retouch/Tones.h"

#include <algorithm>
#include <cstring>

namespace tessaro {

namespace {

// 2, 16 or 256 colours for palette pictures; 0 for 24 bits, whose pixel bytes change instead.
int32_t paletteColours(const TDib& picture) {
  const int32_t bits = DibBitCount(picture);
  return bits <= 8 ? DibColors(picture) : 0;
}

// Eight bytes per step: one load and one store for eight lookups. The table is a local copy, so
// the compiler knows the pixel stores cannot change it and may run the lookups ahead.
void mapBytes(uint8_t* p, size_t n, const ToneTable& table) {
  uint8_t lut[256];
  std::memcpy(lut, table.data(), sizeof lut);
  size_t i = 0;
  for (; i + 8 <= n; i += 8) {
    uint64_t w;
    std::memcpy(&w, p + i, 8);
    uint64_t out = 0;
    for (int b = 0; b < 8; ++b) out |= uint64_t{lut[(w >> (8 * b)) & 0xFF]} << (8 * b);
    std::memcpy(p + i, &out, 8);
  }
  for (; i < n; ++i) p[i] = lut[p[i]];
}

void mapPixels(TDib& picture, const ToneTable& table, const ProgressFn& progress) {
  const int32_t height = DibHeight(picture);
  const size_t rowBytes = static_cast<size_t>(DibWidth(picture)) * 3;  // the padding stays
  RowProgress rows(progress, height);
  for (int32_t y = 0; y < height; ++y) {
    rows.row(y);
    mapBytes(picture.row(y), rowBytes, table);
  }
}

// The colour table and LogPalette get the new colours, Palette is made anew; indices stay.
void mapColours(TDib& picture, int32_t colours, const ToneTable& table, const ProgressFn& progress) {
  RowProgress entries(progress, colours);
  RgbQuad* quads = picture.colors();
  for (int32_t i = 0; i < colours; ++i) {
    entries.row(i);
    RgbQuad& q = quads[i];
    q.rgbRed = table[q.rgbRed];
    q.rgbGreen = table[q.rgbGreen];
    q.rgbBlue = table[q.rgbBlue];
  }
  syncPaletteFromColors(picture, colours);
}

void applyTable(TDib& picture, const ToneTable& table, const ProgressFn& progress) {
  if (picture.empty()) return;
  const int32_t colours = paletteColours(picture);
  if (colours > 0)
    mapColours(picture, colours, table, progress);
  else if (DibBitCount(picture) == 24)
    mapPixels(picture, table, progress);
  touchDib(picture);
  if (progress) progress(0);
}

}  // namespace

uint8_t brightnessValue(int32_t v, int32_t offset) {
  return static_cast<uint8_t>(std::clamp<int64_t>(int64_t{v} + offset, 0, 255));
}

uint8_t contrastValue(int32_t v, int32_t percent) {
  const int64_t c = percent;
  int64_t out;
  if (c <= 100) {
    out = (v - 127) * c / 100 + 127;
  } else {
    const int64_t k = 200 - c;
    out = v < 128 ? v * k / 100 : 255 - (255 - v) * k / 100;
  }
  return static_cast<uint8_t>(std::clamp<int64_t>(out, 0, 255));
}

ToneTable toneTable(int32_t offset, int32_t percent) {
  ToneTable t;
  for (int32_t v = 0; v < 256; ++v) t[static_cast<size_t>(v)] = contrastValue(brightnessValue(v, offset), percent);
  return t;
}

void Helligkeit(TDib& picture, int32_t offset, const ProgressFn& progress) {
  applyTable(picture, toneTable(offset, 100), progress);
}

void Kontrast(TDib& picture, int32_t percent, const ProgressFn& progress) {
  applyTable(picture, toneTable(0, percent), progress);
}

void applyTones(TDib& picture, int32_t offset, int32_t percent, const ProgressFn& progress) {
  applyTable(picture, toneTable(offset, percent), progress);
}

void restoreTones(TDib& picture, const TDib& backup) {
  if (picture.empty() || backup.empty() || DibWidth(picture) != DibWidth(backup) ||
      DibHeight(picture) != DibHeight(backup) || DibBitCount(picture) != DibBitCount(backup))
    return;
  std::memcpy(picture.Bits, backup.Bits, std::min(picture.pixelBytes(), backup.pixelBytes()));
  const int32_t colours = paletteColours(picture);
  std::copy_n(backup.colors(), colours, picture.colors());
  picture.HasPalette = backup.HasPalette;
  picture.LogPalette = backup.LogPalette;
  picture.Palette = backup.Palette ? std::make_unique<PaletteObject>(*backup.Palette) : nullptr;
  touchDib(picture);
}

}  // namespace tessaro
