#pragma once
// The last step of every load: the decoded picture converted from its colour profile to sRGB
// and turned upright, as the stream's read options ask. Every later step sees an upright sRGB
// picture of 1, 4, 8 or 24 bits.
#include "picture/Dib.h"
#include "picture/PictureMetadata.h"
#include "picture/Stream.h"

namespace tessaro {

// `notes` (when given) says what was found and done.
TDib finishPicture(TDib dib, const InputStream& in, LoadNotes* notes);
// The header as finishPicture will leave the picture: width and height exchanged for a quarter
// turn.
PictureHeader finishHeader(PictureHeader header, const InputStream& in, LoadNotes* notes);
// The orientation the load sets the picture upright from (1: none), as the read options ask; a
// decoder that writes the picture upright itself says so in the metadata (turnedByDecoder).
int orientationToApply(const InputStream& in);
// True when the load will convert the decoded pixels from the file's colour profile: one is
// embedded, the read options want it, and the decoder has not applied it itself.
bool profileToApply(const InputStream& in);

}  // namespace tessaro
