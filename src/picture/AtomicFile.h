#pragma once
// Replacing a file without risking the one the user had: the new contents go to a file of their
// own in the same folder first, and only complete, synced contents take the old file's place.
#include <functional>
#include <memory>
#include <string>

#include "picture/FileError.h"
#include "picture/Stream.h"

namespace tessaro {

// Produces the new contents; false when they cannot be made (nothing is replaced then).
using ContentWriter = std::function<bool(OutputStream&)>;

// A replacement of one file, written as a stream: open makes the temporary file beside the
// target, stream() takes the new contents, commit lets them take the target's place and discard
// (or the destructor) drops them. Links and the file's properties are kept as replaceFile says.
// A device or FIFO is written into instead, and kStandardStream names standard output.
class ReplacementFile {
 public:
  ReplacementFile();
  ~ReplacementFile();
  ReplacementFile(const ReplacementFile&) = delete;
  ReplacementFile& operator=(const ReplacementFile&) = delete;

  // Resolves links, checks that the target may be written and creates the temporary file.
  FileError open(const std::string& fileName);
  bool isOpen() const { return state_ != nullptr; }
  // The new contents go here; valid from a successful open until commit or discard.
  OutputStream& stream();
  // Syncs the contents and puts them in the target's place; the temporary file is gone after.
  FileError commit();
  // Drops the contents. The stream's own system error if writing failed, else `why`.
  FileError discard(FileFault why = FileFault::None);

 private:
  struct State;
  std::unique_ptr<State> state_;
};

// Writes `fileName` through `write`. A symbolic link (or a chain of them, also one naming a file
// not there yet) is followed and stays a link; an existing file keeps its permissions, owner
// where allowed, group, access ACL, user.* attributes and hard links (two saves over a file with
// several links wait for each other). A file without write permission is not replaced, a folder
// or socket is refused. On failure, or when the program is interrupted or killed, the old file is
// untouched and no temporary file is left; the fault says why.
FileError replaceFile(const std::string& fileName, const ContentWriter& write);

}  // namespace tessaro
