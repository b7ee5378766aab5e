#pragma once
// Which file and format a save writes, from the name and the filter entry chosen in the dialog.
#include <cstdint>
#include <string>

namespace tessaro {

struct SaveTarget {
  std::string fileName;
  int32_t format = 0;  // the picture library's format number: filter index + 2
};

// The default extension of filter entry `filterIndex` (1-based), with its dot.
std::string SaveExtension(int filterIndex);
// A name without an extension (nothing from the last dot of the file name on) gets the entry's
// default extension, unless it names a device or FIFO; a name that has one keeps it, and the
// entry alone chooses the format.
SaveTarget saveTarget(const std::string& chosenName, int filterIndex);

}  // namespace tessaro
