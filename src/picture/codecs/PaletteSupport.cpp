#include "picture/codecs/PaletteSupport.h"

#include <algorithm>
#include <array>
#include <unordered_map>
#include <vector>

#include "picture/codecs/LegacyCodecIo.h"

namespace tessaro::codec {

int depthForColors(int colors) { return colors <= 2 ? 1 : (colors <= 16 ? 4 : 8); }

TDib makeIndexedDib(int32_t width, int32_t height, int bits, std::span<const RgbQuad> colors) {
  TDib dib = allocateDib(width, height, bits, true);
  if (dib.empty()) return dib;
  const size_t entries = size_t{1} << bits;
  const size_t n = std::min(entries, colors.size());
  std::copy_n(colors.begin(), n, dib.colors());
  syncPaletteFromColors(dib, static_cast<int>(entries));
  return dib;
}

TDib makeGreyDib(int32_t width, int32_t height, int bits, bool whiteIsZero) {
  const int entries = 1 << bits;
  std::array<RgbQuad, 256> table{};
  legacy::greyRamp(table, entries);
  if (whiteIsZero) std::reverse(table.begin(), table.begin() + entries);
  return makeIndexedDib(width, height, bits, std::span<const RgbQuad>(table.data(), static_cast<size_t>(entries)));
}

void packIndices(const uint8_t* indices, int32_t width, int bits, uint8_t* row) {
  if (bits == 8) {
    std::copy_n(indices, width, row);
    return;
  }
  const int perByte = 8 / bits;
  const int32_t bytes = (width + perByte - 1) / perByte;
  std::fill_n(row, bytes, uint8_t{0});
  for (int32_t x = 0; x < width; ++x) {
    const int shift = 8 - bits - (x % perByte) * bits;
    row[x / perByte] |= static_cast<uint8_t>((indices[x] & ((1 << bits) - 1)) << shift);
  }
}

void rowToRgb(const TDib& dib, int32_t y, uint8_t* rgb) {
  const int32_t width = DibWidth(dib);
  const int bits = DibBitCount(dib);
  const uint8_t* row = dib.row(y);
  if (bits == 24 || bits == 32) {
    const int step = bits / 8;
    for (int32_t x = 0; x < width; ++x, row += step, rgb += 3) {
      rgb[0] = row[2];
      rgb[1] = row[1];
      rgb[2] = row[0];
    }
    return;
  }
  const RgbQuad* table = dib.colors();
  const int perByte = 8 / bits;
  const int mask = (1 << bits) - 1;
  for (int32_t x = 0; x < width; ++x, rgb += 3) {
    const int index = bits == 8 ? row[x] : (row[x / perByte] >> (8 - bits - (x % perByte) * bits)) & mask;
    rgb[0] = table[index].rgbRed;
    rgb[1] = table[index].rgbGreen;
    rgb[2] = table[index].rgbBlue;
  }
}

namespace {

uint32_t packedAt(const uint8_t* p) { return uint32_t{p[0]} | (uint32_t{p[1]} << 8) | (uint32_t{p[2]} << 16); }

// Levels of the fallback cube: six of red and blue, seven of green (the eye's strongest).
constexpr int kRed = 6, kGreen = 7, kBlue = 6;

int level(uint8_t v, int levels) { return (v * (levels - 1) + 127) / 255; }
uint8_t levelValue(int l, int levels) { return static_cast<uint8_t>((l * 255 + (levels - 1) / 2) / (levels - 1)); }

}  // namespace

namespace {

// The distinct colours of a true-colour picture in order of first appearance, rows from the
// top; false as soon as there are more than 256.
bool collectColours(const TDib& dib, std::unordered_map<uint32_t, uint8_t>& seen, std::vector<RgbQuad>& table) {
  const int32_t width = DibWidth(dib), height = DibHeight(dib);
  for (int32_t y = 0; y < height; ++y) {
    const uint8_t* p = dib.row(y);
    for (int32_t x = 0; x < width; ++x, p += 3) {
      const uint32_t c = packedAt(p);
      if (seen.count(c)) continue;
      if (table.size() == 256) return false;
      seen.emplace(c, static_cast<uint8_t>(table.size()));
      table.push_back(RgbQuad{p[0], p[1], p[2], 0});
    }
  }
  return true;
}

}  // namespace

TDib reduceTo8Bits(const TDib& dib) {
  const int32_t width = DibWidth(dib), height = DibHeight(dib);
  std::unordered_map<uint32_t, uint8_t> seen;
  std::vector<RgbQuad> table;
  const bool exact = collectColours(dib, seen, table);
  if (!exact) {
    table.clear();
    for (int r = 0; r < kRed; ++r)
      for (int g = 0; g < kGreen; ++g)
        for (int b = 0; b < kBlue; ++b)
          table.push_back(RgbQuad{levelValue(b, kBlue), levelValue(g, kGreen), levelValue(r, kRed), 0});
  }
  TDib out = makeIndexedDib(width, height, 8, table);
  if (out.empty()) return out;
  for (int32_t y = 0; y < height; ++y) {
    const uint8_t* p = dib.row(y);
    uint8_t* q = out.row(y);
    for (int32_t x = 0; x < width; ++x, p += 3)
      q[x] = exact ? seen[packedAt(p)]
                   : static_cast<uint8_t>((level(p[2], kRed) * kGreen + level(p[1], kGreen)) * kBlue + level(p[0], kBlue));
  }
  return out;
}

TDib exactPalettePicture(const TDib& dib) {
  std::unordered_map<uint32_t, uint8_t> seen;
  std::vector<RgbQuad> table;
  if (!collectColours(dib, seen, table)) return TDib();
  const int32_t width = DibWidth(dib), height = DibHeight(dib);
  const int bits = depthForColors(static_cast<int>(table.size()));
  TDib out = makeIndexedDib(width, height, bits, table);
  if (out.empty()) return out;
  std::vector<uint8_t> indices(static_cast<size_t>(width));
  for (int32_t y = 0; y < height; ++y) {
    const uint8_t* p = dib.row(y);
    for (int32_t x = 0; x < width; ++x, p += 3) indices[static_cast<size_t>(x)] = seen[packedAt(p)];
    packIndices(indices.data(), width, bits, out.row(y));
  }
  return out;
}

}  // namespace tessaro::codec
