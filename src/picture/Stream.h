#pragma once
// Byte sources and sinks for the codecs. Decoders read through InputStream so that a large
// uncompressed file can go straight into the picture's rows without a second copy in memory.
#include <cstdint>
#include <cstdio>
#include <memory>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "picture/FileError.h"
#include "picture/PictureMetadata.h"

namespace tessaro {

// The name that stands for standard input when reading and for standard output when saving.
inline constexpr std::string_view kStandardStream = "-";

// A picture's size and the depth it is loaded at, as its header gives them.
struct PictureHeader {
  int64_t width = 0;
  int64_t height = 0;
  int bitCount = 0;
};

class InputStream {
 public:
  virtual ~InputStream() = default;
  // Reads up to n bytes; returns how many were read (fewer only at the end of the data).
  virtual size_t read(void* dst, size_t n) = 0;
  virtual bool seek(uint64_t pos) = 0;
  virtual uint64_t tell() const = 0;
  virtual uint64_t size() const = 0;
  // True when exactly n bytes could be read.
  bool readExact(void* dst, size_t n) { return read(dst, n) == n; }
  uint64_t remaining() const { return size() > tell() ? size() - tell() : 0; }

  // Records why decoding stopped, at the current position; the first fault recorded wins, so
  // the place a decoder gave up is not overwritten by the clean-up after it.
  // Out of line and without a string argument, so decoders may call it inside the setjmp frame
  // of a C library without a C++ object there.
  void fail(FileFault fault, std::string_view detail = {});
  // Records a fault found before reading (the file could not be opened, say).
  void fail(const FileError& error);
  const FileError& error() const { return error_; }
  // Records damage the decoder went past (its library filled in what it could not read), at
  // byte `offset`; the first place wins. The picture still comes out, marked as damaged.
  void noteDamage(uint64_t offset);
  bool damaged() const { return damaged_; }
  uint64_t damageOffset() const { return damageOffset_; }

  // A read of the header only: the decoder's size check (admitSize) notes the header and stops
  // the decoder before it allocates or reads any pixels.
  void stopAtHeader() { headerOnly_ = true; }
  bool headerOnly() const { return headerOnly_; }
  void noteHeader(const PictureHeader& h) {
    if (!header_) header_ = h;
  }
  const std::optional<PictureHeader>& header() const { return header_; }

  // A load whose picture goes on only into a PDF, unchanged: a decoder that keeps its file's
  // data for the PDF (see PictureSource) may check the pixels without storing them, provided that
  // data stands for the picture as the load leaves it (turned, or converted from a profile the PDF
  // carries along). The picture's pixel memory is then left untouched, all zero, and never
  // becomes resident.
  void wantSourceOnly() { sourceOnly_ = true; }
  bool sourceOnly() const { return sourceOnly_; }

  // How the picture is to be read beside its pixels, and what the decoder found on the way.
  void setReadOptions(const ReadOptions& options) { options_ = options; }
  const ReadOptions& readOptions() const { return options_; }
  PictureMetadata& metadata() { return metadata_; }
  const PictureMetadata& metadata() const { return metadata_; }

 protected:
  FileError error_;

 private:
  bool headerOnly_ = false;
  bool sourceOnly_ = false;
  ReadOptions options_;
  PictureMetadata metadata_;
  std::optional<PictureHeader> header_;
  bool damaged_ = false;
  uint64_t damageOffset_ = 0;
};

class MemoryInputStream final : public InputStream {
 public:
  explicit MemoryInputStream(std::span<const uint8_t> data) : data_(data) {}
  // Reads bytes the stream keeps.
  explicit MemoryInputStream(std::vector<uint8_t>&& owned) : owned_(std::move(owned)), data_(owned_) {}
  MemoryInputStream(const MemoryInputStream&) = delete;
  MemoryInputStream& operator=(const MemoryInputStream&) = delete;
  size_t read(void* dst, size_t n) override;
  bool seek(uint64_t pos) override;
  uint64_t tell() const override { return pos_; }
  uint64_t size() const override { return data_.size(); }

 private:
  std::vector<uint8_t> owned_;
  std::span<const uint8_t> data_;
  uint64_t pos_ = 0;
};

// Standard input read whole (it may be a pipe, which cannot seek), at most kMaxInputBytes.
std::unique_ptr<InputStream> readStandardInput();

class FileInputStream final : public InputStream {
 public:
  // Opens a regular file; on failure isOpen() is false and error() says why. Anything else (a
  // folder, FIFO, device or socket) is refused without waiting for a writer or touching a device.
  explicit FileInputStream(const std::string& path);
  ~FileInputStream() override;
  FileInputStream(const FileInputStream&) = delete;
  FileInputStream& operator=(const FileInputStream&) = delete;
  bool isOpen() const { return file_ != nullptr; }
  size_t read(void* dst, size_t n) override;
  bool seek(uint64_t pos) override;
  uint64_t tell() const override { return pos_; }
  uint64_t size() const override { return size_; }

 private:
  FileError open(const std::string& path);
  std::FILE* file_ = nullptr;
  uint64_t size_ = 0;
  uint64_t pos_ = 0;
};

class OutputStream {
 public:
  virtual ~OutputStream() = default;
  virtual bool write(const void* src, size_t n) = 0;
  bool put8(uint8_t v) { return write(&v, 1); }
  bool put16le(uint16_t v);
  bool put32le(uint32_t v);
};

class MemoryOutputStream final : public OutputStream {
 public:
  bool write(const void* src, size_t n) override;
  const std::vector<uint8_t>& data() const { return data_; }

 private:
  std::vector<uint8_t> data_;
};

class FileOutputStream final : public OutputStream {
 public:
  explicit FileOutputStream(const std::string& path);
  // Writes through an open descriptor, which the stream then owns and closes.
  explicit FileOutputStream(int fd);
  ~FileOutputStream() override;
  FileOutputStream(const FileOutputStream&) = delete;
  FileOutputStream& operator=(const FileOutputStream&) = delete;
  bool isOpen() const { return file_ != nullptr; }
  bool write(const void* src, size_t n) override;
  // Flushes and closes; false when anything failed since opening.
  bool close();
  // errno of the first failure; 0 while none happened.
  int sysError() const { return sysError_; }

 private:
  void failWith(int e);
  std::FILE* file_ = nullptr;
  bool failed_ = false;
  int sysError_ = 0;
};

// Little- and big-endian readers over raw bytes, used by header parsers.
inline uint16_t le16(const uint8_t* p) { return static_cast<uint16_t>(p[0] | (p[1] << 8)); }
inline uint32_t le32(const uint8_t* p) {
  return static_cast<uint32_t>(p[0]) | (static_cast<uint32_t>(p[1]) << 8) | (static_cast<uint32_t>(p[2]) << 16) |
         (static_cast<uint32_t>(p[3]) << 24);
}
inline uint16_t be16(const uint8_t* p) { return static_cast<uint16_t>((p[0] << 8) | p[1]); }
inline uint32_t be32(const uint8_t* p) {
  return (static_cast<uint32_t>(p[0]) << 24) | (static_cast<uint32_t>(p[1]) << 16) |
         (static_cast<uint32_t>(p[2]) << 8) | static_cast<uint32_t>(p[3]);
}

}  // namespace tessaro
