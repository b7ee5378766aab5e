#pragma once
// Every codec of the picture library. CodecRegistry.cpp is the only place that lists them.
#include "picture/Codec.h"

namespace tessaro {

// Declared here as each codec is added.

// Windows/OS/2 bitmaps and packed DIBs: reads every variant, writes uncompressed files.
const Codec& bmpCodec();
// Writes RLE8/RLE4 for 8- and 4-bit pictures (uncompressed otherwise); reads as bmpCodec does.
const Codec& rleBmpCodec();
// PCX, TGA and IFF/LBM (ILBM and PBM), coded here.
const Codec& pcxCodec();
const Codec& tgaCodec();
const Codec& ilbmCodec();

}  // namespace tessaro
