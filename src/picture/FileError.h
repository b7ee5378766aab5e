#pragma once
// Why a picture file could not be read or written. Decoders record the fault on their input
// stream; OpenDib and SaveDib hand it to the caller, who shows describeFileError's German text.
#include <cstdint>
#include <string>

namespace tessaro {

enum class FileFault {
  None,
  Unreadable,      // the system refused to open or read the file (sysError says why)
  UnknownFormat,   // not a picture file this program knows
  Empty,           // the file holds no bytes at all
  Damaged,         // cut short or inconsistent at `offset`
  TooLarge,        // larger than the pixel memory limit
  Unsupported,     // a variant this program cannot read (`detail` names it)
  OutOfMemory,     // the memory for the picture could not be had
  WriteProtected,  // an existing file the user may not overwrite
  WriteFailed,     // writing failed (sysError says why)
  CannotEncode,    // the format cannot take this picture
  NotAFile,        // a folder, FIFO, device or socket where a file belongs (`detail` says which)
  Refused,         // a file that is read elsewhere refused it: `detail` is the German sentence why
};

struct FileError {
  FileFault fault = FileFault::None;
  uint64_t offset = 0;  // byte position of the damage
  int sysError = 0;     // errno of a failed system call
  std::string detail;   // the variant that is not supported
  explicit operator bool() const { return fault != FileFault::None; }
};

// The refusal of something that is not a regular file, naming what it is (st_mode's type bits).
FileError notAFile(unsigned int mode);

// One German sentence, for example "Die Datei ist bei Byte 1234 beschädigt."
std::string describeFileError(const FileError& error);
// The German reason for an errno value of a failed open, read or write.
std::string describeSystemError(int sysError);

}  // namespace tessaro
