#include "pdf/PdfWriter.h"

#include <cinttypes>
#include <cstdio>

#include "print/GlueNotes.h"

namespace tessaro {

namespace {

// The table gives a place ten digits.
constexpr uint64_t kMaxOffset = 9'999'999'999;
// Large enough that the file sees few, big writes.
constexpr size_t kDeflateBuffer = 256 * 1024;

}  // namespace

PdfWriter::PdfWriter(OutputStream& out) : out_(out) {
  // The second line's high bytes mark the file as binary for transfer programs.
  text("%PDF-1.4\n%\xE2\xE3\xCF\xD3\n");
}

int PdfWriter::reserve() {
  offsets_.push_back(0);
  return static_cast<int>(offsets_.size());
}

void PdfWriter::beginObject(int number) {
  if (number < 1 || static_cast<size_t>(number) > offsets_.size() || offset_ > kMaxOffset) ok_ = false;
  if (!ok_) return;
  offsets_[static_cast<size_t>(number) - 1] = offset_;
  text(std::to_string(number) + " 0 obj\n");
}

void PdfWriter::bytes(const void* data, size_t n) {
  if (!ok_ || n == 0) return;
  ok_ = out_.write(data, n);
  offset_ += n;
}

void PdfWriter::streamObject(int number, std::string_view entries, std::string_view data) {
  beginObject(number);
  text("<< ");
  text(entries);
  text(" /Length " + std::to_string(data.size()) + " >>\nstream\n");
  text(data);
  text("\nendstream\n");
  endObject();
}

void PdfWriter::finish(int root, int info) {
  const uint64_t table = offset_;
  text("xref\n0 " + std::to_string(offsets_.size() + 1) + "\n0000000000 65535 f \n");
  char entry[24];
  for (const uint64_t place : offsets_) {
    if (place == 0 || table > kMaxOffset) ok_ = false;
    std::snprintf(entry, sizeof entry, "%010" PRIu64 " 00000 n \n", place);
    text(entry);
  }
  text("trailer\n<< /Size " + std::to_string(offsets_.size() + 1) + " /Root " + std::to_string(root) + " 0 R /Info " +
       std::to_string(info) + " 0 R >>\nstartxref\n" + std::to_string(table) + "\n%%EOF\n");
}

DeflateStream::DeflateStream(PdfWriter& writer, int level, int strategy)
    : writer_(writer), lengthObject_(writer.reserve()), buffer_(kDeflateBuffer) {
  open_ = deflateInit2(&z_, level, Z_DEFLATED, 15, 8, strategy) == Z_OK;
  if (!open_) writer_.fail();
}

DeflateStream::~DeflateStream() {
  if (open_) deflateEnd(&z_);
}

std::string DeflateStream::lengthEntry() const { return "/Length " + std::to_string(lengthObject_) + " 0 R"; }

void DeflateStream::write(const uint8_t* data, size_t n) {
  z_.next_in = const_cast<uint8_t*>(data);
  z_.avail_in = static_cast<uInt>(n);
  drain(Z_NO_FLUSH);
}

void DeflateStream::drain(int flush) {
  if (!open_ || !writer_.ok()) return;
  int status = Z_OK;
  do {
    z_.next_out = buffer_.data();
    z_.avail_out = static_cast<uInt>(buffer_.size());
    status = deflate(&z_, flush);
    const size_t made = buffer_.size() - z_.avail_out;
    writer_.bytes(buffer_.data(), made);
    written_ += made;
  } while (writer_.ok() && status == Z_OK && (z_.avail_in > 0 || z_.avail_out == 0 || flush == Z_FINISH));
  if (status == Z_STREAM_ERROR || (flush == Z_FINISH && status != Z_STREAM_END)) writer_.fail();
}

void DeflateStream::finish() {
  drain(Z_FINISH);
  writer_.text("\nendstream\n");
  writer_.endObject();
  writer_.beginObject(lengthObject_);
  writer_.text(std::to_string(written_) + "\n");
  writer_.endObject();
}

std::string deflateBytes(std::string_view data) {
  uLongf size = compressBound(static_cast<uLong>(data.size()));
  std::string out(size, '\0');
  compress2(reinterpret_cast<Bytef*>(out.data()), &size, reinterpret_cast<const Bytef*>(data.data()),
            static_cast<uLong>(data.size()), Z_DEFAULT_COMPRESSION);
  out.resize(size);
  return out;
}

std::string hexDigits(std::string_view bytes) {
  static const char digits[] = "0123456789ABCDEF";
  std::string s;
  s.reserve(2 * bytes.size());
  for (const char c : bytes) {
    s += digits[static_cast<unsigned char>(c) >> 4];
    s += digits[c & 15];
  }
  return s;
}

std::string pdfNumber(double v) {
  char buf[40];
  std::snprintf(buf, sizeof buf, "%.6f", v);
  std::string s(buf);
  while (s.back() == '0') s.pop_back();
  if (s.back() == '.') s.pop_back();
  return s == "-0" ? "0" : s;
}

int32_t utf8CodePoint(std::string_view c) {
  const auto byte = [&](size_t i) { return static_cast<int32_t>(static_cast<unsigned char>(c[i])); };
  switch (c.size()) {
    case 1:
      return byte(0) < 0x80 ? byte(0) : -1;
    case 2:
      return ((byte(0) & 0x1f) << 6) | (byte(1) & 0x3f);
    case 3:
      return ((byte(0) & 0x0f) << 12) | ((byte(1) & 0x3f) << 6) | (byte(2) & 0x3f);
    case 4:
      return ((byte(0) & 0x07) << 18) | ((byte(1) & 0x3f) << 12) | ((byte(2) & 0x3f) << 6) | (byte(3) & 0x3f);
    default:
      return -1;
  }
}

std::string pdfTextString(std::string_view utf8) {
  std::string units = "\xfe\xff";
  const auto put = [&](uint32_t u) {
    units += static_cast<char>(u >> 8);
    units += static_cast<char>(u);
  };
  for (const std::string& c : utf8Characters(utf8)) {
    const int32_t u = utf8CodePoint(c);
    if (u < 0 || (u >= 0xd800 && u < 0xe000)) {
      put(0xfffd);
    } else if (u < 0x10000) {
      put(static_cast<uint32_t>(u));
    } else {
      put(0xd800 + ((static_cast<uint32_t>(u) - 0x10000) >> 10));
      put(0xdc00 + ((static_cast<uint32_t>(u) - 0x10000) & 0x3ff));
    }
  }
  // Appended, not "<" + ... + ">": that form trips a false overlap warning of g++ 12 at -O3.
  std::string hex = "<";
  hex += hexDigits(units);
  hex += '>';
  return hex;
}

}  // namespace tessaro
