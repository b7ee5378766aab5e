#pragma once
// The vector page files the program opens, as the file-type box lists them.
#include <span>

#include "picture/CodecRegistry.h"

namespace tessaro {

std::span<const OpenFileType> vectorFileTypes();

}  // namespace tessaro
