#include "picture/Stream.h"

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

bool MemoryInputStream::seek(uint64_t pos) {
  if (pos > data_.size()) return false;
  pos_ = pos;
  return true;
}

FileInputStream::FileInputStream(const std::string& path) {
  file_ = std::fopen(path.c_str(), "rb");
  if (!file_) return;
  if (std::fseek(file_, 0, SEEK_END) != 0) {
    std::fclose(file_);
    file_ = nullptr;
    return;
  }
  const long end = std::ftell(file_);
  if (end < 0) {
    std::fclose(file_);
    file_ = nullptr;
    return;
  }
  size_ = static_cast<uint64_t>(end);
  std::fseek(file_, 0, SEEK_SET);
}

FileInputStream::~FileInputStream() {
  if (file_) std::fclose(file_);
}

size_t FileInputStream::read(void* dst, size_t n) {
  if (!file_ || n == 0) return 0;
  const size_t got = std::fread(dst, 1, n, file_);
  pos_ += got;
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

FileOutputStream::FileOutputStream(const std::string& path) { file_ = std::fopen(path.c_str(), "wb"); }

FileOutputStream::~FileOutputStream() {
  if (file_) std::fclose(file_);
}

bool FileOutputStream::write(const void* src, size_t n) {
  if (!file_) return false;
  if (n && std::fwrite(src, 1, n, file_) != n) failed_ = true;
  return !failed_;
}

bool FileOutputStream::close() {
  if (!file_) return false;
  if (std::fflush(file_) != 0) failed_ = true;
  if (std::fclose(file_) != 0) failed_ = true;
  file_ = nullptr;
  return !failed_;
}

}  // namespace tessaro
