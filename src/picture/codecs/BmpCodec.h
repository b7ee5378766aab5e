#pragma once
// Pieces shared by the BMP reader/writer and its run-length part. Callers outside the codec use
// bmpCodec() and rleBmpCodec() from Codecs.h.
#include <cstdint>
#include <span>
#include <vector>

#include "picture/Dib.h"
#include "picture/Progress.h"
#include "picture/Stream.h"
#include "picture/codecs/ByteReader.h"

namespace tessaro::bmp {

inline constexpr uint32_t kBiRgb = 0;
inline constexpr uint32_t kBiRle8 = 1;
inline constexpr uint32_t kBiRle4 = 2;
inline constexpr uint32_t kBiBitfields = 3;
inline constexpr uint32_t kBiAlphaBitfields = 6;

// Decodes RLE8 (8-bit picture) or RLE4 (4-bit picture) data into the zeroed rows of `dib`.
// Pixels the data never reaches stay 0. False for data that runs off a row or the picture,
// that ends before the last row without an end-of-bitmap code, or that holds no pixel at all.
bool decodeRle(ByteReader& in, TDib& dib, const ProgressFn& progress);

// Run-length codes the rows of an 8-bit (RLE8) or 4-bit (RLE4) picture, end-of-bitmap included.
std::vector<uint8_t> encodeRle(const TDib& dib);

// Writes file header, info header, colour table and `pixels`, which hold the rows in the file's
// form for `compression`. False when the picture cannot be written or the stream failed.
bool writeBmpFile(const TDib& dib, OutputStream& out, uint32_t compression, std::span<const uint8_t> pixels);

}  // namespace tessaro::bmp
