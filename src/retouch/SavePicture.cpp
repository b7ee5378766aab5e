#include "retouch/SavePicture.h"

#include <sys/stat.h>

#include "picture/CodecRegistry.h"

namespace tessaro {

std::string SaveExtension(int filterIndex) {
  for (const SaveEntry& e : saveEntries())
    if (e.format == filterIndex + 2) return e.extension;
  return {};
}

SaveTarget saveTarget(const std::string& chosenName, int filterIndex) {
  SaveTarget t{chosenName, filterIndex + 2};
  // A device or FIFO chosen is written into under its own name.
  struct stat st {};
  if (::stat(chosenName.c_str(), &st) == 0 && (S_ISCHR(st.st_mode) || S_ISFIFO(st.st_mode))) return t;
  // Only the last path component counts: a dot in a folder name is no extension.
  const size_t slash = chosenName.find_last_of('/');
  const size_t base = slash == std::string::npos ? 0 : slash + 1;
  if (chosenName.find('.', base) == std::string::npos) t.fileName += SaveExtension(filterIndex);
  return t;
}

}  // namespace tessaro
