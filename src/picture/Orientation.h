#pragma once
// The camera's orientation (the Exif and TIFF values 1 to 8) and the turns and mirrors that set
// a picture upright.
#include <cstdint>
#include <vector>

#include "picture/Dib.h"
#include "picture/PictureMetadata.h"

namespace tessaro {

// The orientation the file gives: the format's own field, else its Exif; 1 when it has none, or
// when its container turns the picture itself.
int orientationOf(const PictureMetadata& metadata);
// True for the orientations that exchange width and height (5 to 8).
inline bool swapsSides(int orientation) { return orientation >= 5 && orientation <= 8; }
// The picture turned and mirrored so that it stands upright (as it is for 1 and invalid values);
// empty when the memory cannot be had. It takes the picture, to let go of it as soon as it can.
TDib turnUpright(TDib picture, int orientation);

// Sets a picture upright while its decoder writes it, rather than turning it afterwards into a
// second picture: the decoder writes its rows where `row` says, a band at a time, and `written`
// puts each finished band in place, turned or mirrored. Rows it never writes stay zero. For
// pictures of 8 and 24 bits.
class UprightWriter {
 public:
  // `picture` has its upright size already (width and height exchanged for 5 to 8).
  UprightWriter(TDib& picture, int orientation);
  // Where the decoder writes its row y, which lies in the band begun after the last `written`.
  uint8_t* row(int32_t y);
  // The end of the rows the decoder may write before it calls `written` again.
  int32_t bandEnd() const;
  // The decoder's rows before `rows` are written; a band that is full, or ends the picture, goes
  // into place.
  void written(int32_t rows);
  // Puts the rows of a band the decoder left unfinished (the data ended) in place.
  void finish();

 private:
  bool direct() const;  // the decoder writes straight into the picture
  void place();

  static constexpr int32_t kBandRows = 32;
  TDib& picture_;
  int orientation_;
  int32_t width_, height_, bytesPerPixel_;  // of the decoder's rows
  std::vector<uint8_t> band_;
  int32_t bandStart_ = 0, filled_ = 0;
};

}  // namespace tessaro
