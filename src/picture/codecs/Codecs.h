#pragma once
// Every codec of the picture library. CodecRegistry.cpp is the only place that lists them.
#include "picture/Codec.h"

namespace tessaro {

// Windows/OS/2 bitmaps and packed DIBs: reads every variant, writes uncompressed files.
const Codec& bmpCodec();
// Writes RLE8/RLE4 for 8- and 4-bit pictures (uncompressed otherwise); reads as bmpCodec does.
const Codec& rleBmpCodec();
// PCX, TGA and IFF/LBM (ILBM and PBM), coded here.
const Codec& pcxCodec();
const Codec& tgaCodec();
const Codec& ilbmCodec();
// GIF, JPEG (also for JIF), PNG and TIFF, through their libraries.
const Codec& gifCodec();
const Codec& jpegCodec();
const Codec& pngCodec();
const Codec& tiffCodec();
// Formats read only.
const Codec& webpCodec();
// HEIF/HEIC through libheif, AVIF through libavif, read only.
const Codec& heifCodec();
const Codec& avifCodec();
const Codec& jxlCodec();

}  // namespace tessaro
