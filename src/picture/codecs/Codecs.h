#pragma once
// Every codec of the picture library. CodecRegistry.cpp is the only place that lists them.
#include "picture/Codec.h"

namespace tessaro {

// Declared here as each codec is added, e.g. const Codec& bmpCodec();

}  // namespace tessaro
