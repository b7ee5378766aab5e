#include "picture/codecs/GifBlocks.h"

#include <algorithm>
#include <cstring>
#include <vector>

#include "picture/Codec.h"
#include "picture/codecs/LegacyCodecIo.h"
#include "picture/codecs/PaletteSupport.h"

namespace tessaro::gif {

namespace {

int readFn(GifFileType* gif, GifByteType* data, int length) {
  auto* in = static_cast<InputStream*>(gif->UserData);
  return length <= 0 ? 0 : static_cast<int>(in->read(data, static_cast<size_t>(length)));
}

bool isLoopExtension(const GifByteType* block) {
  return block[0] == 11 &&
         (std::memcmp(block + 1, "NETSCAPE2.0", 11) == 0 || std::memcmp(block + 1, "ANIMEXTS1.0", 11) == 0);
}

bool skipBlockData(GifFileType* gif) {
  int codeSize = 0;
  GifByteType* data = nullptr;
  if (DGifGetCode(gif, &codeSize, &data) == GIF_ERROR) return false;
  while (data)
    if (DGifGetCodeNext(gif, &data) == GIF_ERROR) return false;
  return true;
}

constexpr uint64_t kMaxFillBytes = uint64_t{64} << 20;

}  // namespace

void ReadCloser::operator()(GifFileType* gif) const {
  int error = 0;
  DGifCloseFile(gif, &error);
}

Reader open(InputStream& in) {
  int error = 0;
  return Reader(DGifOpen(&in, readFn, &error));
}

Record nextBlock(GifFileType* gif, BlockControl& control, bool& looping) {
  for (;;) {
    GifRecordType type = UNDEFINED_RECORD_TYPE;
    if (DGifGetRecordType(gif, &type) == GIF_ERROR) return Record::End;
    if (type == IMAGE_DESC_RECORD_TYPE) return DGifGetImageDesc(gif) == GIF_ERROR ? Record::Broken : Record::Block;
    if (type != EXTENSION_RECORD_TYPE) return Record::End;
    int code = 0;
    GifByteType* block = nullptr;
    if (DGifGetExtension(gif, &code, &block) == GIF_ERROR) return Record::End;
    GraphicsControlBlock gcb;
    if (block && code == GRAPHICS_EXT_FUNC_CODE && DGifExtensionToGCB(block[0], block + 1, &gcb) == GIF_OK) {
      control.transparent = gcb.TransparentColor;
      control.delayed = gcb.DelayTime > 0;
    }
    if (block && code == APPLICATION_EXT_FUNC_CODE && isLoopExtension(block)) looping = true;
    while (block)
      if (DGifGetExtensionNext(gif, &block) == GIF_ERROR) return Record::End;
  }
}

bool readBlockRows(GifFileType* gif, const RowSink& row, RowProgress& progress, int64_t& done) {
  // Interlaced blocks arrive in four passes: every 8th row from 0, every 8th from 4, every 4th
  // from 2, every 2nd from 1.
  static constexpr int kStart[4] = {0, 4, 2, 1}, kStep[4] = {8, 8, 4, 2};
  const GifImageDesc& desc = gif->Image;
  const int passes = desc.Interlace ? 4 : 1;
  std::vector<GifPixelType> pixels(static_cast<size_t>(desc.Width));
  for (int pass = 0; pass < passes; ++pass) {
    const int start = passes > 1 ? kStart[pass] : 0, step = passes > 1 ? kStep[pass] : 1;
    for (int32_t r = start; r < desc.Height; r += step) {
      if (DGifGetLine(gif, pixels.data(), desc.Width) == GIF_ERROR) return false;
      row(r, pixels.data());
      progress.row(done++);
    }
  }
  return true;
}

FirstPicture scanFirstPicture(GifFileType* gif) {
  FirstPicture picture;
  for (;;) {
    BlockControl control;
    const Record record = nextBlock(gif, control, picture.looping);
    if (record == Record::End) return picture;
    // A block that is cut short still counts, so that decoding it refuses the file.
    ++picture.blocks;
    if (record == Record::Broken) return picture;
    const GifImageDesc& desc = gif->Image;
    picture.area += static_cast<uint64_t>(desc.Width) * static_cast<uint64_t>(desc.Height);
    picture.rows += desc.Height;
    picture.interlaced = picture.interlaced || desc.Interlace;
    if (control.delayed || picture.looping || !skipBlockData(gif)) return picture;
  }
}

bool screenWorthFilling(int32_t width, int32_t height, int bits, uint64_t area) {
  const uint64_t screen = static_cast<uint64_t>(width) * static_cast<uint64_t>(height);
  area = std::min(area, screen);
  return (screen - area) * static_cast<uint64_t>(bits) / 8 <= kMaxFillBytes || area * 100 >= screen;
}

TDib composeBlocks(GifFileType* gif, const FirstPicture& picture, InputStream& in, const ProgressFn& progress) {
  const int32_t width = gif->SWidth, height = gif->SHeight;
  if (width <= 0 || height <= 0 || !admitSize(in, width, height, 24)) return TDib();
  if (!screenWorthFilling(width, height, 24, picture.area)) return TDib();
  TDib screen = allocateDib(width, height, 24, false);
  if (screen.empty()) return TDib();
  if (picture.interlaced) adviseSparseWrites(screen);
  // Rows turn white when a block first reaches them, the rest once every block has decoded, so
  // that a file whose data runs out early costs no more memory than it decoded.
  std::vector<bool> painted(static_cast<size_t>(height));
  const auto rowOf = [&](int32_t y) {
    uint8_t* row = screen.row(y);
    if (!painted[static_cast<size_t>(y)]) std::fill_n(row, static_cast<size_t>(width) * 3, uint8_t{255});
    painted[static_cast<size_t>(y)] = true;
    return row;
  };

  RowProgress rows(progress, picture.rows);
  int64_t done = 0;
  bool looping = false;
  for (int b = 0; b < picture.blocks; ++b) {
    BlockControl control;
    if (nextBlock(gif, control, looping) != Record::Block) return TDib();
    const GifImageDesc& desc = gif->Image;
    const ColorMapObject* map = desc.ColorMap ? desc.ColorMap : gif->SColorMap;
    const int count = map ? std::clamp(map->ColorCount, 1, 256) : 256;
    RgbQuad colours[256] = {};
    if (map)
      for (int i = 0; i < count; ++i)
        colours[i] = RgbQuad{map->Colors[i].Blue, map->Colors[i].Green, map->Colors[i].Red, 0};
    else
      legacy::greyRamp(colours, count);  // no colour map at all: show the indices as greys
    // Parts of a block outside the screen are not shown.
    const int32_t shownWidth = std::clamp(width - desc.Left, 0, desc.Width);
    const auto drawRow = [&](int32_t r, const GifPixelType* pixels) {
      const int32_t y = desc.Top + r;
      if (y >= height || shownWidth == 0) return;
      uint8_t* row = rowOf(y) + static_cast<size_t>(desc.Left) * 3;
      for (int32_t x = 0; x < shownWidth; ++x, row += 3) {
        const GifPixelType v = pixels[x];
        if (v == control.transparent) continue;
        const RgbQuad& c = colours[v < count ? v : 0];
        row[0] = c.rgbBlue;
        row[1] = c.rgbGreen;
        row[2] = c.rgbRed;
      }
    };
    if (!readBlockRows(gif, drawRow, rows, done)) return TDib();
  }
  for (int32_t y = 0; y < height; ++y) rowOf(y);
  TDib palette = codec::exactPalettePicture(screen);
  return palette.empty() ? std::move(screen) : std::move(palette);
}

}  // namespace tessaro::gif
