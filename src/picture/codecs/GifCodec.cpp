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

// A frame covering less than 1 % of a logical screen whose uncovered part alone would take more
// than this many bytes to paint holds no picture worth that memory; such files are refused.
constexpr uint64_t kMaxFillBytes = uint64_t{64} << 20;

bool frameWorthItsScreen(int32_t width, int32_t height, int bits, const GifImageDesc& desc) {
  const uint64_t screen = static_cast<uint64_t>(width) * static_cast<uint64_t>(height);
  const uint64_t frame = static_cast<uint64_t>(desc.Width) * static_cast<uint64_t>(desc.Height);
  return (screen - frame) * static_cast<uint64_t>(bits) / 8 <= kMaxFillBytes || frame * 100 >= screen;
}

// Where the frame sits in the picture.
struct Frame {
  int32_t left = 0, top = 0, width = 0, height = 0;
};

// The colour table of the picture: the frame's map (or greys for a file without one) and, when
// part of the screen lies outside the frame, the entry that part gets. Uncovered parts are
// white, like transparency elsewhere in this program: an entry that is white, else a white one
// added after the map where the table has room, else the entry nearest to white.
struct ColourTable {
  RgbQuad colors[256] = {};
  int entries = 0;  // the map's entries, and an added white one
  uint8_t white = 0;
};

int distanceToWhite(const RgbQuad& q) {
  const int r = 255 - q.rgbRed, g = 255 - q.rgbGreen, b = 255 - q.rgbBlue;
  return r * r + g * g + b * b;
}

ColourTable colourTable(const ColorMapObject* map, int count, int bits, bool uncovered) {
  ColourTable t;
  t.entries = count;
  if (map)
    for (int i = 0; i < count; ++i)
      t.colors[i] = RgbQuad{map->Colors[i].Blue, map->Colors[i].Green, map->Colors[i].Red, 0};
  else
    legacy::greyRamp(t.colors, count);  // no colour map at all: show the indices as greys
  if (!uncovered) return t;
  int best = 0;
  for (int i = 1; i < count; ++i)
    if (distanceToWhite(t.colors[i]) < distanceToWhite(t.colors[best])) best = i;
  if (distanceToWhite(t.colors[best]) != 0 && count < (1 << bits)) {
    best = t.entries++;
    t.colors[best] = RgbQuad{255, 255, 255, 0};
  }
  t.white = static_cast<uint8_t>(best);
  return t;
}

// Sets columns [x0, x1) of a packed row of 1, 4 or 8 bits to `index`; those pixels are still 0.
void fillIndices(uint8_t* row, int bits, int32_t x0, int32_t x1, uint8_t index) {
  const int32_t perByte = 8 / bits;
  for (; x0 < x1 && x0 % perByte != 0; ++x0) legacy::putIndex(row, bits, x0, index);
  for (; x1 > x0 && x1 % perByte != 0; --x1) legacy::putIndex(row, bits, x1 - 1, index);
  uint8_t pattern = 0;
  for (int i = 0; i < perByte; ++i) pattern = static_cast<uint8_t>(pattern << bits | index);
  std::fill(row + x0 / perByte, row + x1 / perByte, pattern);
}

// Paints the screen outside the frame, once the frame has decoded. The picture starts out as
// index 0, so nothing is written when that is the entry wanted.
void fillAroundFrame(TDib& dib, const Frame& f, uint8_t index) {
  if (index == 0) return;
  const int32_t width = DibWidth(dib), height = DibHeight(dib);
  const int bits = DibBitCount(dib);
  for (int32_t y = 0; y < height; ++y) {
    uint8_t* row = dib.row(y);
    if (y < f.top || y >= f.top + f.height) {
      fillIndices(row, bits, 0, width, index);
    } else {
      fillIndices(row, bits, 0, f.left, index);
      fillIndices(row, bits, f.left + f.width, width, index);
    }
  }
}

// Decodes the frame's rows into their place; only the frame's own pixels are written.
bool readFrame(GifFileType* gif, TDib& dib, const Frame& f, int count, const ProgressFn& progress) {
  // Interlaced frames arrive in four passes: every 8th row from 0, every 8th from 4, every 4th
  // from 2, every 2nd from 1.
  static constexpr int kStart[4] = {0, 4, 2, 1}, kStep[4] = {8, 8, 4, 2};
  const int passes = gif->Image.Interlace ? 4 : 1;
  if (passes > 1) adviseSparseWrites(dib);
  const int bits = DibBitCount(dib);
  std::vector<GifPixelType> pixels(static_cast<size_t>(f.width));
  RowProgress progressRows(progress, f.height);
  int64_t done = 0;
  for (int pass = 0; pass < passes; ++pass) {
    const int start = passes > 1 ? kStart[pass] : 0, step = passes > 1 ? kStep[pass] : 1;
    for (int32_t r = start; r < f.height; r += step) {
      if (DGifGetLine(gif, pixels.data(), f.width) == GIF_ERROR) return false;
      uint8_t* row = dib.row(f.top + r);
      for (int32_t x = 0; x < f.width; ++x) {
        const GifPixelType v = pixels[static_cast<size_t>(x)];
        legacy::putIndex(row, bits, f.left + x, v < count ? v : 0);
      }
      progressRows.row(done++);
    }
  }
  return true;
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
  const bool fits = desc.Left >= 0 && desc.Top >= 0 && desc.Left + desc.Width <= gif->SWidth &&
                    desc.Top + desc.Height <= gif->SHeight;
  const int32_t width = fits ? gif->SWidth : desc.Width, height = fits ? gif->SHeight : desc.Height;
  const Frame frame{fits ? desc.Left : 0, fits ? desc.Top : 0, desc.Width, desc.Height};
  const ColorMapObject* map = desc.ColorMap ? desc.ColorMap : gif->SColorMap;
  const int count = map ? std::clamp(map->ColorCount, 1, 256) : 256;
  const int bits = codec::depthForColors(count);
  if (!admitSize(in, width, height, bits)) return TDib();
  if (!frameWorthItsScreen(width, height, bits, desc)) return TDib();

  const ColourTable table = colourTable(map, count, bits, width != desc.Width || height != desc.Height);
  TDib dib = codec::makeIndexedDib(width, height, bits,
                                   std::span<const RgbQuad>(table.colors, static_cast<size_t>(table.entries)));
  if (dib.empty() || !readFrame(gif.get(), dib, frame, count, progress)) return TDib();
  fillAroundFrame(dib, frame, table.white);
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
