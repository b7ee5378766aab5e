#include "picture/codecs/GifCodec.h"

#include <gif_lib.h>

#include <algorithm>
#include <cstring>
#include <memory>
#include <vector>

#include "picture/Limits.h"
#include "picture/codecs/Codecs.h"
#include "picture/codecs/GifBlocks.h"
#include "picture/codecs/LegacyCodecIo.h"
#include "picture/codecs/PaletteSupport.h"

namespace tessaro {

namespace {

// GIF sizes are 16-bit fields.
constexpr int32_t kMaxGifSide = 65535;

int writeFn(GifFileType* gif, const GifByteType* data, int length) {
  auto* out = static_cast<OutputStream*>(gif->UserData);
  return length > 0 && out->write(data, static_cast<size_t>(length)) ? length : 0;
}

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
  if (gif->Image.Interlace) adviseSparseWrites(dib);
  const int bits = DibBitCount(dib);
  RowProgress rows(progress, f.height);
  int64_t done = 0;
  return gif::readBlockRows(
      gif,
      [&](int32_t r, const GifPixelType* pixels) {
        uint8_t* row = dib.row(f.top + r);
        for (int32_t x = 0; x < f.width; ++x) {
          const GifPixelType v = pixels[x];
          legacy::putIndex(row, bits, f.left + x, v < count ? v : 0);
        }
      },
      rows, done);
}

// The first block alone, on its screen.
TDib decodeFirstBlock(GifFileType* gif, InputStream& in, const ProgressFn& progress) {
  gif::BlockControl control;
  bool looping = false;
  if (gif::nextBlock(gif, control, looping) != gif::Record::Block) return TDib();
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
  const uint64_t frameArea = static_cast<uint64_t>(desc.Width) * static_cast<uint64_t>(desc.Height);
  if (!gif::screenWorthFilling(width, height, bits, frameArea)) return TDib();

  const ColourTable table = colourTable(map, count, bits, width != desc.Width || height != desc.Height);
  TDib dib = codec::makeIndexedDib(width, height, bits,
                                   std::span<const RgbQuad>(table.colors, static_cast<size_t>(table.entries)));
  if (dib.empty() || !readFrame(gif, dib, frame, count, progress)) return TDib();
  fillAroundFrame(dib, frame, table.white);
  return dib;
}

}  // namespace

bool GifCodec::probe(std::span<const uint8_t> head) const {
  return head.size() >= 6 && (std::memcmp(head.data(), "GIF87a", 6) == 0 || std::memcmp(head.data(), "GIF89a", 6) == 0);
}

TDib GifCodec::decode(InputStream& in, const ProgressFn& progress) const {
  // A first look over the blocks tells whether the first picture is one block or several.
  gif::FirstPicture first;
  if (gif::Reader scan = gif::open(in)) first = gif::scanFirstPicture(scan.get());
  if (!in.seek(0)) return TDib();
  gif::Reader gif = gif::open(in);
  if (!gif) return TDib();
  if (first.blocks > 1 && !first.looping) return gif::composeBlocks(gif.get(), first, in, progress);
  return decodeFirstBlock(gif.get(), in, progress);
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
