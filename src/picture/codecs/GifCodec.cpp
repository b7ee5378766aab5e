#include "picture/codecs/GifCodec.h"

#include <gif_lib.h>

#include <algorithm>
#include <cstring>
#include <memory>
#include <vector>

#include "picture/Limits.h"
#include "picture/codecs/Codecs.h"
#include "picture/codecs/LegacyCodecIo.h"
#include "picture/codecs/PaletteSupport.h"

namespace tessaro {

namespace {

// GIF sizes are 16-bit fields.
constexpr int32_t kMaxGifSide = 65535;

int readFn(GifFileType* gif, GifByteType* data, int length) {
  auto* in = static_cast<InputStream*>(gif->UserData);
  return length <= 0 ? 0 : static_cast<int>(in->read(data, static_cast<size_t>(length)));
}

int writeFn(GifFileType* gif, const GifByteType* data, int length) {
  auto* out = static_cast<OutputStream*>(gif->UserData);
  return length > 0 && out->write(data, static_cast<size_t>(length)) ? length : 0;
}

struct GifReadCloser {
  void operator()(GifFileType* gif) const {
    int error = 0;
    DGifCloseFile(gif, &error);
  }
};
using GifReader = std::unique_ptr<GifFileType, GifReadCloser>;

struct GifWriteCloser {
  void operator()(GifFileType* gif) const {
    int error = 0;
    EGifCloseFile(gif, &error);
  }
};
using GifWriter = std::unique_ptr<GifFileType, GifWriteCloser>;

struct MapFree {
  void operator()(ColorMapObject* map) const { GifFreeMapObject(map); }
};

// Skips extension blocks up to the first image descriptor; false at the end of the data.
bool seekFirstImage(GifFileType* gif) {
  for (;;) {
    GifRecordType type = UNDEFINED_RECORD_TYPE;
    if (DGifGetRecordType(gif, &type) == GIF_ERROR) return false;
    if (type == IMAGE_DESC_RECORD_TYPE) return DGifGetImageDesc(gif) != GIF_ERROR;
    if (type != EXTENSION_RECORD_TYPE) return false;
    int code = 0;
    GifByteType* block = nullptr;
    if (DGifGetExtension(gif, &code, &block) == GIF_ERROR) return false;
    while (block)
      if (DGifGetExtensionNext(gif, &block) == GIF_ERROR) return false;
  }
}

}  // namespace

bool GifCodec::probe(std::span<const uint8_t> head) const {
  return head.size() >= 6 && (std::memcmp(head.data(), "GIF87a", 6) == 0 || std::memcmp(head.data(), "GIF89a", 6) == 0);
}

TDib GifCodec::decode(InputStream& in, const ProgressFn& progress) const {
  int error = 0;
  GifReader gif(DGifOpen(&in, readFn, &error));
  if (!gif || !seekFirstImage(gif.get())) return TDib();
  const GifImageDesc& desc = gif->Image;
  if (desc.Width <= 0 || desc.Height <= 0) return TDib();
  // The frame sits on the logical screen; a frame that does not fit is shown on its own.
  const bool fits = desc.Left >= 0 && desc.Top >= 0 && desc.Left + desc.Width <= gif->SWidth && desc.Top + desc.Height <= gif->SHeight;
  const int32_t width = fits ? gif->SWidth : desc.Width, height = fits ? gif->SHeight : desc.Height;
  const int32_t left = fits ? desc.Left : 0, top = fits ? desc.Top : 0;
  const ColorMapObject* map = desc.ColorMap ? desc.ColorMap : gif->SColorMap;
  const int count = map ? std::clamp(map->ColorCount, 1, 256) : 256;
  const int bits = codec::depthForColors(count);
  if (!dibSizeAllowed(width, height, bits)) return TDib();

  TDib dib;
  if (map) {
    RgbQuad table[256];
    for (int i = 0; i < count; ++i) table[i] = RgbQuad{map->Colors[i].Blue, map->Colors[i].Green, map->Colors[i].Red, 0};
    dib = codec::makeIndexedDib(width, height, bits, std::span<const RgbQuad>(table, static_cast<size_t>(count)));
  } else {
    dib = codec::makeGreyDib(width, height, bits);  // no colour map at all: show the indices as greys
  }
  if (dib.empty()) return TDib();

  // Outside the frame the screen shows its background colour.
  std::vector<uint8_t> line(static_cast<size_t>(width));
  const uint8_t background = gif->SBackGroundColor < count ? static_cast<uint8_t>(gif->SBackGroundColor) : 0;
  if (background != 0 && (width != desc.Width || height != desc.Height)) {
    std::fill(line.begin(), line.end(), background);
    for (int32_t y = 0; y < height; ++y) codec::packIndices(line.data(), width, bits, dib.row(y));
  }

  // Interlaced frames arrive in four passes: every 8th row from 0, every 8th from 4, every 4th
  // from 2, every 2nd from 1.
  static constexpr int kStart[4] = {0, 4, 2, 1}, kStep[4] = {8, 8, 4, 2};
  const int passes = desc.Interlace ? 4 : 1;
  std::vector<GifPixelType> pixels(static_cast<size_t>(desc.Width));
  RowProgress progressRows(progress, desc.Height);
  int64_t done = 0;
  for (int pass = 0; pass < passes; ++pass) {
    const int start = desc.Interlace ? kStart[pass] : 0, step = desc.Interlace ? kStep[pass] : 1;
    for (int32_t r = start; r < desc.Height; r += step) {
      if (DGifGetLine(gif.get(), pixels.data(), desc.Width) == GIF_ERROR) return TDib();
      uint8_t* row = dib.row(top + r);
      if (width != desc.Width) legacy::rowIndices(dib, top + r, line);
      for (int32_t x = 0; x < desc.Width; ++x)
        line[static_cast<size_t>(left + x)] = pixels[static_cast<size_t>(x)] < count ? pixels[static_cast<size_t>(x)] : 0;
      codec::packIndices(line.data(), width, bits, row);
      progressRows.row(done++);
    }
  }
  return dib;
}

bool GifCodec::encode(const TDib& dib, OutputStream& out) const {
  if (dib.empty()) return false;
  const int32_t width = DibWidth(dib), height = DibHeight(dib);
  if (width > kMaxGifSide || height > kMaxGifSide) return false;
  const int depth = DibBitCount(dib);
  if (depth != 1 && depth != 4 && depth != 8 && depth != 24) return false;
  TDib reduced;
  if (depth == 24) {
    reduced = codec::reduceTo8Bits(dib);
    if (reduced.empty()) return false;
  }
  const TDib& source = depth == 24 ? reduced : dib;
  const int bits = DibBitCount(source);

  const int entries = 1 << bits;
  std::vector<GifColorType> colors(static_cast<size_t>(entries));
  for (int i = 0; i < entries; ++i) {
    const RgbQuad& q = source.colors()[i];
    colors[static_cast<size_t>(i)] = GifColorType{q.rgbRed, q.rgbGreen, q.rgbBlue};
  }
  std::unique_ptr<ColorMapObject, MapFree> map(GifMakeMapObject(entries, colors.data()));
  if (!map) return false;
  int error = 0;
  GifWriter gif(EGifOpen(&out, writeFn, &error));
  if (!gif) return false;
  if (EGifPutScreenDesc(gif.get(), width, height, bits, 0, map.get()) == GIF_ERROR) return false;
  if (EGifPutImageDesc(gif.get(), 0, 0, width, height, false, nullptr) == GIF_ERROR) return false;
  std::vector<GifPixelType> line(static_cast<size_t>(width));
  for (int32_t y = 0; y < height; ++y) {
    legacy::rowIndices(source, y, line);
    if (EGifPutLine(gif.get(), line.data(), width) == GIF_ERROR) return false;
  }
  // Closing writes the trailer; its failure is a failed save.
  error = 0;
  const int closed = EGifCloseFile(gif.release(), &error);
  return closed != GIF_ERROR;
}

const Codec& gifCodec() {
  static const GifCodec codec;
  return codec;
}

}  // namespace tessaro
