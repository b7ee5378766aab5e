#include "picture/ProfileConversion.h"

namespace tessaro {

std::string profileDescription(const std::vector<uint8_t>& /*icc*/) { return {}; }

bool profileUsable(const std::vector<uint8_t>& /*icc*/) { return false; }

bool convertToSrgb(TDib& /*picture*/, const std::vector<uint8_t>& /*icc*/) { return false; }

}  // namespace tessaro
