#pragma once
// The objects of a PDF file written one after the other as they are made, with the table of
// their places at the end. The first failed write stops all further writing; ok() tells.
#include <zlib.h>

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "picture/Stream.h"

namespace tessaro {

class PdfWriter {
 public:
  explicit PdfWriter(OutputStream& out);
  bool ok() const { return ok_; }
  // Stops all writing from here on.
  void fail() { ok_ = false; }

  // The number of an object to be written later (anything may refer to it before).
  int reserve();
  void beginObject(int number);
  void endObject() { text("endobj\n"); }
  void text(std::string_view s) { bytes(s.data(), s.size()); }
  void bytes(const void* data, size_t n);
  // A whole object holding a stream: its dictionary entries except /Length, then the data.
  void streamObject(int number, std::string_view entries, std::string_view data);
  // The table of places and the trailer. Every reserved object must have been written.
  void finish(int root, int info);

 private:
  OutputStream& out_;
  uint64_t offset_ = 0;
  bool ok_ = true;
  std::vector<uint64_t> offsets_;  // by object number - 1; 0 while not written
};

// Deflates data straight into the file as the stream of the object begun before; the length,
// unknown until the end, becomes an object of its own (see lengthEntry).
class DeflateStream {
 public:
  DeflateStream(PdfWriter& writer, int level, int strategy);
  ~DeflateStream();
  DeflateStream(const DeflateStream&) = delete;
  DeflateStream& operator=(const DeflateStream&) = delete;
  // "/Length n 0 R" for the dictionary, written before the data.
  std::string lengthEntry() const;
  void write(const uint8_t* data, size_t n);
  // Ends the stream and the object and writes the length object.
  void finish();

 private:
  void drain(int flush);
  PdfWriter& writer_;
  z_stream z_{};
  bool open_ = false;
  int lengthObject_;
  uint64_t written_ = 0;
  std::vector<uint8_t> buffer_;
};

// zlib data of `data` (small things: page contents).
std::string deflateBytes(std::string_view data);
// Bytes as upper-case hex digits, two a byte.
std::string hexDigits(std::string_view bytes);
// A number as PDF writes it: no exponent, no trailing zeros.
std::string pdfNumber(double v);
// A text string (document information) as UTF-16 with a byte order mark, in hex.
std::string pdfTextString(std::string_view utf8);
// The code point of one UTF-8 character as utf8Characters cuts them; -1 for a stray byte.
int32_t utf8CodePoint(std::string_view character);

}  // namespace tessaro
