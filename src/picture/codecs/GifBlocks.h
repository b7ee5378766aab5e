#pragma once
// Image blocks of a GIF through giflib. A GIF's first picture may be made of several blocks:
// tiles drawn one after the other without delay, each with its own colour map if it likes.
#include <gif_lib.h>

#include <cstdint>
#include <functional>
#include <memory>

#include "picture/Dib.h"
#include "picture/Progress.h"
#include "picture/Stream.h"

namespace tessaro::gif {

struct ReadCloser {
  void operator()(GifFileType* gif) const;
};
using Reader = std::unique_ptr<GifFileType, ReadCloser>;

// Opens the GIF that starts at the stream's current position; null when its header is unreadable.
Reader open(InputStream& in);

enum class Record { Block, End, Broken };

// What the Graphic Control Extension before a block says about it.
struct BlockControl {
  int transparent = -1;  // the index not drawn, or -1
  bool delayed = false;  // a delay follows the block: it ends a picture
};

// Reads records up to the next image descriptor and reads that. End at the trailer, at the end
// of the data or at a byte that starts no record; Broken when a descriptor is cut short.
// `looping` is set by an application extension that loops an animation.
Record nextBlock(GifFileType* gif, BlockControl& control, bool& looping);

// Decodes the current block, handing each row with its number from the block's top to `row`
// (interlaced blocks in their four passes). `done` counts the rows for `progress`.
using RowSink = std::function<void(int32_t r, const GifPixelType* pixels)>;
bool readBlockRows(GifFileType* gif, const RowSink& row, RowProgress& progress, int64_t& done);

// The blocks of the first picture: every block up to the first one followed by a delay.
struct FirstPicture {
  int blocks = 0;
  uint64_t area = 0;  // pixels of all its blocks together
  int64_t rows = 0;
  bool interlaced = false;
  bool looping = false;  // an animation, whose first block is its first picture
};
// Reads the file's blocks without decoding them; the reader is spent afterwards.
FirstPicture scanFirstPicture(GifFileType* gif);

// A screen whose blocks cover under 1 % of it and whose white fill alone would pass 64 MiB
// holds no picture worth that memory.
bool screenWorthFilling(int32_t width, int32_t height, int bits, uint64_t area);

// Draws the picture's blocks in order onto a white screen, leaving each block's transparent
// pixels alone: a palette picture when it has at most 256 colours, else a 24-bit one.
TDib composeBlocks(GifFileType* gif, const FirstPicture& picture, InputStream& in, const ProgressFn& progress);

}  // namespace tessaro::gif
