#include "picture/Stream.h"

#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

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

FileInputStream::FileInputStream(const std::string& path) {
  if (open(path)) return;
  error_.fault = FileFault::Unreadable;
  error_.sysError = errno;
  if (file_) std::fclose(file_);
  file_ = nullptr;
}

bool FileInputStream::open(const std::string& path) {
  file_ = std::fopen(path.c_str(), "rb");
  if (!file_) return false;
  // A folder opens for reading on Linux; only reading from it would fail.
  struct stat st {};
  if (::fstat(::fileno(file_), &st) != 0) return false;
  if (S_ISDIR(st.st_mode)) {
    errno = EISDIR;
    return false;
  }
  if (std::fseek(file_, 0, SEEK_END) != 0) return false;
  const long end = std::ftell(file_);
  if (end < 0) return false;
  size_ = static_cast<uint64_t>(end);
  return std::fseek(file_, 0, SEEK_SET) == 0;
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
