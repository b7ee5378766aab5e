#pragma once
// The camera's orientation (the Exif and TIFF values 1 to 8) and the turns and mirrors that set
// a picture upright.
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

}  // namespace tessaro
