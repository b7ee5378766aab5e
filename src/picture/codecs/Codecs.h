#pragma once
// Every codec of the picture library. CodecRegistry.cpp is the only place that lists them.
#include "picture/Codec.h"

namespace tessaro {

const Codec& gifCodec();
const Codec& jpegCodec();
const Codec& pngCodec();
const Codec& tiffCodec();

}  // namespace tessaro
