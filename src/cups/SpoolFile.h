#pragma once
// A temporary file without a name in $TMPDIR (else /tmp) for a print job: the system frees it
// when the last descriptor closes, however the process ends, so no spool file can be left.
#include <functional>
#include <memory>
#include <string_view>

#include "picture/Stream.h"

namespace tessaro::cups {

class SpoolFile {
 public:
  SpoolFile();
  ~SpoolFile();
  SpoolFile(const SpoolFile&) = delete;
  SpoolFile& operator=(const SpoolFile&) = delete;

  // False when no file could be made; sysError says why.
  bool isOpen() const { return fd_ >= 0; }
  // The contents go here until finishWriting.
  OutputStream& stream() { return *writer_; }
  // Flushes what was written; false when any write failed.
  bool finishWriting();
  // Hands the whole contents to `sink` in pieces; false when reading failed or `sink` said stop.
  bool readAll(const std::function<bool(std::string_view)>& sink) const;
  // errno of the first failure; 0 while none happened.
  int sysError() const { return sysError_; }

 private:
  int fd_ = -1;
  std::unique_ptr<FileOutputStream> writer_;
  mutable int sysError_ = 0;
};

}  // namespace tessaro::cups
