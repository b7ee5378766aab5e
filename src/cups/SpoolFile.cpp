#include "cups/SpoolFile.h"

#include <fcntl.h>
#include <stdlib.h>
#include <unistd.h>

#include <cerrno>
#include <string>
#include <vector>

namespace tessaro::cups {

namespace {

constexpr size_t kChunk = 64 * 1024;

std::string spoolFolder() {
  const char* dir = ::getenv("TMPDIR");
  return dir && *dir ? dir : "/tmp";
}

// O_TMPFILE where the file system has it; elsewhere a file whose name goes at once.
int openNameless(const std::string& folder) {
  const int fd = ::open(folder.c_str(), O_TMPFILE | O_RDWR | O_CLOEXEC, 0600);
  if (fd >= 0) return fd;
  std::string name = folder + "/tessaro-print-XXXXXX";
  const int named = ::mkostemp(name.data(), O_CLOEXEC);
  if (named >= 0) ::unlink(name.c_str());
  return named;
}

}  // namespace

SpoolFile::SpoolFile() : fd_(openNameless(spoolFolder())) {
  if (fd_ < 0) sysError_ = errno;
  // The writer gets a descriptor of its own to close; reading goes through fd_.
  writer_ = std::make_unique<FileOutputStream>(fd_ >= 0 ? ::fcntl(fd_, F_DUPFD_CLOEXEC, 0) : -1);
}

SpoolFile::~SpoolFile() {
  writer_.reset();
  if (fd_ >= 0) ::close(fd_);
}

bool SpoolFile::finishWriting() {
  const bool ok = writer_->close();
  if (!ok && !sysError_) sysError_ = writer_->sysError() ? writer_->sysError() : EIO;
  return ok;
}

bool SpoolFile::readAll(const std::function<bool(std::string_view)>& sink) const {
  std::vector<char> buffer(kChunk);
  for (off_t at = 0;;) {
    const ssize_t n = ::pread(fd_, buffer.data(), buffer.size(), at);
    if (n < 0 && errno == EINTR) continue;
    if (n < 0) sysError_ = errno;
    if (n <= 0) return n == 0;
    if (!sink(std::string_view(buffer.data(), static_cast<size_t>(n)))) return false;
    at += n;
  }
}

}  // namespace tessaro::cups
