#include "picture/Stream.h"

#include <fcntl.h>
#include <poll.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

#include "picture/Limits.h"

namespace tessaro {

size_t MemoryInputStream::read(void* dst, size_t n) {
  if (pos_ >= data_.size()) return 0;
  const size_t avail = static_cast<size_t>(data_.size() - pos_);
  if (n > avail) n = avail;
  if (n) std::memcpy(dst, data_.data() + pos_, n);
  pos_ += n;
  return n;
}

void InputStream::fail(FileFault fault, std::string_view detail) {
  if (error_) return;
  error_.fault = fault;
  error_.offset = tell();
  error_.detail = std::string(detail);
}

void InputStream::fail(const FileError& error) {
  if (!error_) error_ = error;
}

void InputStream::noteDamage(uint64_t offset) {
  if (damaged_) return;
  damaged_ = true;
  damageOffset_ = offset;
}

bool MemoryInputStream::seek(uint64_t pos) {
  if (pos > data_.size()) return false;
  pos_ = pos;
  return true;
}

namespace {

FileError unreadable(int sysError) {
  FileError e;
  e.fault = FileFault::Unreadable;
  e.sysError = sysError;
  return e;
}

}  // namespace

FileInputStream::FileInputStream(const std::string& path) { error_ = open(path); }

FileError FileInputStream::open(const std::string& path) {
  // Checked before opening, since opening a device may already do something, and after it,
  // without blocking: a FIFO put in its place would wait for a writer forever.
  struct stat st {};
  if (::stat(path.c_str(), &st) != 0) return unreadable(errno);
  if (!S_ISREG(st.st_mode)) return notAFile(st.st_mode);
  const int fd = ::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_NOCTTY | O_CLOEXEC);
  if (fd < 0) return unreadable(errno);
  const int flags = ::fcntl(fd, F_GETFL);
  if (::fstat(fd, &st) != 0 || flags < 0 || ::fcntl(fd, F_SETFL, flags & ~O_NONBLOCK) != 0) {
    const int e = errno;
    ::close(fd);
    return unreadable(e);
  }
  if (!S_ISREG(st.st_mode)) {
    ::close(fd);
    return notAFile(st.st_mode);
  }
  file_ = ::fdopen(fd, "rb");
  if (!file_) {
    const int e = errno;
    ::close(fd);
    return unreadable(e);
  }
  size_ = static_cast<uint64_t>(st.st_size);
  return {};
}

std::unique_ptr<InputStream> readStandardInput() {
  std::vector<uint8_t> data;
  FileError why;
  for (;;) {
    if (data.size() > kMaxInputBytes) {
      why.fault = FileFault::TooLarge;
      break;
    }
    const size_t have = data.size();
    data.resize(have + (1 << 16));
    const ssize_t got = ::read(STDIN_FILENO, data.data() + have, 1 << 16);
    data.resize(have + static_cast<size_t>(got > 0 ? got : 0));
    if (got == 0) break;
    if (got > 0 || errno == EINTR) continue;
    if (errno == EAGAIN) {
      // Standard input left non-blocking by whoever started us.
      pollfd p{STDIN_FILENO, POLLIN, 0};
      ::poll(&p, 1, -1);
      continue;
    }
    why = unreadable(errno);
    break;
  }
  if (why) data.clear();
  auto in = std::make_unique<MemoryInputStream>(std::move(data));
  if (why) in->fail(why);
  return in;
}

FileInputStream::~FileInputStream() {
  if (file_) std::fclose(file_);
}

size_t FileInputStream::read(void* dst, size_t n) {
  if (!file_ || n == 0) return 0;
  const size_t got = std::fread(dst, 1, n, file_);
  pos_ += got;
  if (got < n && std::ferror(file_) && !error_) {
    error_.fault = FileFault::Unreadable;
    error_.sysError = errno;
    error_.offset = pos_;
  }
  return got;
}

bool FileInputStream::seek(uint64_t pos) {
  if (!file_ || pos > size_) return false;
  if (std::fseek(file_, static_cast<long>(pos), SEEK_SET) != 0) return false;
  pos_ = pos;
  return true;
}

bool OutputStream::put16le(uint16_t v) {
  const uint8_t b[2] = {static_cast<uint8_t>(v), static_cast<uint8_t>(v >> 8)};
  return write(b, 2);
}

bool OutputStream::put32le(uint32_t v) {
  const uint8_t b[4] = {static_cast<uint8_t>(v), static_cast<uint8_t>(v >> 8), static_cast<uint8_t>(v >> 16),
                        static_cast<uint8_t>(v >> 24)};
  return write(b, 4);
}

bool MemoryOutputStream::write(const void* src, size_t n) {
  const auto* p = static_cast<const uint8_t*>(src);
  data_.insert(data_.end(), p, p + n);
  return true;
}

FileOutputStream::FileOutputStream(const std::string& path) {
  file_ = std::fopen(path.c_str(), "wb");
  if (!file_) failWith(errno);
}

FileOutputStream::FileOutputStream(int fd) {
  file_ = fd >= 0 ? ::fdopen(fd, "wb") : nullptr;
  if (file_) return;
  failWith(fd >= 0 ? errno : EBADF);
  if (fd >= 0) ::close(fd);
}

FileOutputStream::~FileOutputStream() {
  if (file_) std::fclose(file_);
}

void FileOutputStream::failWith(int e) {
  failed_ = true;
  if (!sysError_) sysError_ = e ? e : EIO;
}

bool FileOutputStream::write(const void* src, size_t n) {
  if (!file_) return false;
  if (n && !failed_ && std::fwrite(src, 1, n, file_) != n) failWith(errno);
  return !failed_;
}

bool FileOutputStream::close() {
  if (!file_) return false;
  if (std::fflush(file_) != 0) failWith(errno);
  if (std::fclose(file_) != 0) failWith(errno);
  file_ = nullptr;
  return !failed_;
}

}  // namespace tessaro
