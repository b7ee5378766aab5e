#pragma once
// Replacing a file without risking the one the user had: the new contents go to a temporary
// file in the same folder first, and only complete, synced contents take the old file's place.
#include <functional>
#include <string>

#include "picture/FileError.h"
#include "picture/Stream.h"

namespace tessaro {

// Produces the new contents; false when they cannot be made (nothing is replaced then).
using ContentWriter = std::function<bool(OutputStream&)>;

// Writes `fileName` through `write`. A symbolic link (or a chain of them, also one naming a file
// not there yet) is followed and stays a link; an existing file keeps its permissions, owner
// where allowed, group and hard links. A file without write permission is not replaced. On
// failure the old file is untouched, no temporary file is left, and the fault says why.
FileError replaceFile(const std::string& fileName, const ContentWriter& write);

}  // namespace tessaro
