#pragma once
// Turns rectangles of a bottom-up device-independent bitmap into QImages by nearest-neighbour
// sampling, so that only the pixels that will be shown are ever converted.
#include <QImage>
#include <QRgb>
#include <array>
#include <cstddef>
#include <cstdint>
#include <optional>

#include "picture/Dib.h"

namespace tessaro {

// A validated view of picture rows: bits points at stored row firstRow, and rowCount rows follow.
struct DibSource {
  const uint8_t* bits = nullptr;
  int32_t width = 0;
  int32_t height = 0;
  int bitCount = 0;
  size_t rowBytes = 0;
  int32_t firstRow = 0;
  int32_t rowCount = 0;
  std::array<QRgb, 256> colors{};  // entries past the table are black

  // Stored row counted from the bottom of the picture; callers keep within the available rows.
  const uint8_t* storedRow(int32_t y) const { return bits + rowBytes * static_cast<size_t>(y - firstRow); }
};

// Nothing when the header describes no picture we can read (compressed, unknown depth, top-down,
// too large) or the rows asked for lie outside it. rowCount < 0 means all rows from firstRow.
std::optional<DibSource> makeDibSource(const uint8_t* bits, const BitmapInfo& info, int32_t firstRow = 0,
                                       int32_t rowCount = -1);

// A rectangle of picture pixels; y counts rows from the bottom, as the stored rows do.
struct SourceRect {
  int32_t x = 0, y = 0, w = 0, h = 0;
};

// Samples `rect` (which must lie within the source's available rows and columns) into an RGB32
// image of outW x outH, top row first, by taking the pixel under the centre of each output pixel.
QImage sampleDib(const DibSource& source, const SourceRect& rect, int32_t outW, int32_t outH);

// The whole picture pixel for pixel; the null image for a picture we cannot read.
QImage dibImage(const TDib& dib);

}  // namespace tessaro
