#include "picture/codecs/JpegCodec.h"

#include <algorithm>
#include <csetjmp>
#include <cstdio>
#include <cstring>
#include <cstdlib>
#include <memory>
#include <string>
#include <vector>

// jpeglib.h needs size_t and FILE declared first; jerror.h needs jpeglib.h's version.
// clang-format off
#include <jpeglib.h>
#include <jerror.h>
// clang-format on

#include "colour/IccProfile.h"
#include "colour/TrailingConversion.h"
#include "picture/Limits.h"
#include "picture/Orientation.h"
#include "picture/PhotoFinish.h"
#include "picture/PictureSource.h"
#include "picture/ProfileConversion.h"
#include "picture/codecs/Codecs.h"
#include "picture/codecs/PaletteSupport.h"

namespace tessaro {

namespace {

constexpr size_t kChunk = 64 * 1024;
constexpr int kQuality = 90;
constexpr int32_t kRowsPerCall = 16;
// Rows skipped at a time when the pixels are only checked; progress moves on after each run.
constexpr JDIMENSION kRowsPerSkip = 256;

// libjpeg reports fatal errors by calling error_exit, which must not return: we jump back to the
// frame that started the work. That frame holds no objects with destructors, so nothing is skipped.
struct ErrorManager {
  jpeg_error_mgr pub;
  std::jmp_buf jump;
  InputStream* in = nullptr;  // where a decoder records why it stopped
  bool severalScans = false;  // all scans are read before the first row comes out
  bool ranOut = false;        // the data ended before the picture did
  bool complete = false;      // every row is in
};

// libjpeg-turbo decodes Huffman data by a fast path that takes a bad code for a zero without a
// warning; it leaves that path when fewer than 512 bytes per block of an MCU are at hand. Handing
// it the data in slices smaller than that makes it report every bad code, as djpeg does.
constexpr size_t kSlice = 256;

struct Source {
  jpeg_source_mgr pub;
  InputStream* in;
  std::vector<uint8_t> buffer;
  uint64_t bufferStart = 0;  // file position of buffer[0]
  size_t filled = 0;         // bytes of the buffer read from the file
  size_t handed = 0;         // bytes of the buffer handed to libjpeg
};

const uint8_t kFakeEnd[2] = {0xFF, JPEG_EOI};

// The file position of the next byte libjpeg has not read.
uint64_t nextUnreadByte(j_common_ptr cinfo) {
  if (!cinfo->is_decompressor) return 0;
  const auto* src = reinterpret_cast<const Source*>(reinterpret_cast<j_decompress_ptr>(cinfo)->src);
  const uint8_t* next = src->pub.next_input_byte;
  if (next >= src->buffer.data() && next <= src->buffer.data() + src->filled)
    return src->bufferStart + static_cast<uint64_t>(next - src->buffer.data());
  return src->in->size();  // the end marker put in for a file cut short
}

// Variants libjpeg cannot read, named for the report; other errors count as damage.
void recordUnsupported(const jpeg_error_mgr& err, InputStream& in) {
  switch (err.msg_code) {
    case JERR_BAD_PRECISION:
      in.fail(FileFault::Unsupported, std::to_string(err.msg_parm.i[0]) + "-bit samples");
      break;
    case JERR_SOF_UNSUPPORTED: {
      const int sof = err.msg_parm.i[0];
      in.fail(FileFault::Unsupported, sof == 0xC3 || sof == 0xCB ? "lossless" : "hierarchical");
      break;
    }
    case JERR_CONVERSION_NOTIMPL:
      in.fail(FileFault::Unsupported, "colour model");
      break;
    case JERR_NO_BACKING_STORE:
      in.fail(FileFault::TooLarge);
      break;
    default:
      break;
  }
}

// Gives up on the file; unless a reason was recorded, it is damaged where libjpeg stopped reading.
[[noreturn]] void stop(j_common_ptr cinfo) {
  auto* err = reinterpret_cast<ErrorManager*>(cinfo->err);
  if (err->in && !err->in->error()) err->in->noteDamage(nextUnreadByte(cinfo));
  std::longjmp(err->jump, 1);
}

[[noreturn]] void errorExit(j_common_ptr cinfo) {
  auto* err = reinterpret_cast<ErrorManager*>(cinfo->err);
  if (err->in) recordUnsupported(err->pub, *err->in);
  stop(cinfo);
}

// Warnings that mean the compressed data is damaged or missing; libjpeg goes on and fills what it
// could not read with grey. Stray bytes before a marker in the headers (common in camera files)
// and an unknown JFIF revision are harmless.
bool damagedData(j_common_ptr cinfo) {
  switch (cinfo->err->msg_code) {
    case JWRN_HIT_MARKER:
    case JWRN_HUFF_BAD_CODE:
    case JWRN_ARITH_BAD_CODE:
    case JWRN_MUST_RESYNC:
    case JWRN_JPEG_EOF:
      return true;
    case JWRN_EXTRANEOUS_DATA:
      return cinfo->is_decompressor && reinterpret_cast<j_decompress_ptr>(cinfo)->input_scan_number > 0;
    default:
      return false;
  }
}

// The data of the scan ended (a marker other than a restart came, or the end of the file) before
// the picture was complete.
bool dataEnded(j_common_ptr cinfo) {
  const int code = cinfo->err->msg_code, marker = reinterpret_cast<j_decompress_ptr>(cinfo)->unread_marker;
  return code == JWRN_JPEG_EOF || (code == JWRN_HIT_MARKER && (marker < JPEG_RST0 || marker > JPEG_RST0 + 7));
}

// Where the damage a warning reports begins: for bytes the decoder skipped to find a marker, the
// first of them; for data that ended at a marker, the marker, which libjpeg has already read.
uint64_t damageStart(j_common_ptr cinfo) {
  const uint64_t next = nextUnreadByte(cinfo);
  const jpeg_error_mgr& err = *cinfo->err;
  uint64_t before = 0;
  if (err.msg_code == JWRN_EXTRANEOUS_DATA) before = static_cast<uint64_t>(err.msg_parm.i[0]);
  if (err.msg_code == JWRN_HIT_MARKER && reinterpret_cast<j_decompress_ptr>(cinfo)->unread_marker != 0) before = 2;
  return before <= next ? next - before : next;
}

// An AC scan of a component whose DC scan never came: libjpeg warns and goes on, and such a scan
// of end-of-band runs walks every block of a huge picture on a few hundred bytes.
bool acBeforeDc(j_common_ptr cinfo) {
  const jpeg_error_mgr& err = *cinfo->err;
  return err.msg_code == JWRN_BOGUS_PROGRESSION && err.msg_parm.i[1] == 0 && cinfo->is_decompressor &&
         reinterpret_cast<j_decompress_ptr>(cinfo)->Ss > 0;
}

// Damage is counted and its first place noted on the stream; the picture comes out marked. Where
// the data of a scan ended early, the rest would only be grey, and filling it in is all the work
// a hostile file of a few bytes needs to make: a file of one scan keeps the rows decoded so far,
// one of several scans (nothing decoded yet) is refused.
void emitMessage(j_common_ptr cinfo, int level) {
  if (level >= 0 || !cinfo->is_decompressor) return;
  auto* err = reinterpret_cast<ErrorManager*>(cinfo->err);
  // A complete picture whose file lacks only the end marker is whole.
  if (err->complete && err->pub.msg_code == JWRN_JPEG_EOF) return;
  if (acBeforeDc(cinfo)) stop(cinfo);
  if (!damagedData(cinfo)) return;
  ++err->pub.num_warnings;
  if (err->in) err->in->noteDamage(damageStart(cinfo));
  if (!dataEnded(cinfo)) return;
  err->ranOut = true;
  if (err->severalScans) stop(cinfo);
}

void silentOutput(j_common_ptr) {}

void setUpErrors(ErrorManager& err) {
  jpeg_std_error(&err.pub);
  err.pub.error_exit = errorExit;
  err.pub.emit_message = emitMessage;
  err.pub.output_message = silentOutput;
}

void initSource(j_decompress_ptr) {}

// The file is read in large chunks, handed to libjpeg in slices. A file that ends early gets an
// end marker, as libjpeg's own sources do, and the warning that counts it as damage.
boolean fillInput(j_decompress_ptr cinfo) {
  // libjpeg asks only when it has used up what it was handed (its copy of the reading position
  // may not have been stored back yet).
  auto* src = reinterpret_cast<Source*>(cinfo->src);
  if (src->handed >= src->filled) {
    src->bufferStart = src->in->tell();
    src->filled = src->in->read(src->buffer.data(), src->buffer.size());
    src->handed = 0;
  }
  if (src->filled == 0) {
    WARNMS(cinfo, JWRN_JPEG_EOF);
    src->pub.next_input_byte = kFakeEnd;
    src->pub.bytes_in_buffer = sizeof kFakeEnd;
    return TRUE;
  }
  src->pub.next_input_byte = src->buffer.data() + src->handed;
  src->pub.bytes_in_buffer = std::min(kSlice, src->filled - src->handed);
  src->handed += src->pub.bytes_in_buffer;
  return TRUE;
}

void skipInput(j_decompress_ptr cinfo, long count) {
  auto* src = reinterpret_cast<Source*>(cinfo->src);
  while (count > 0) {
    if (src->pub.bytes_in_buffer == 0) fillInput(cinfo);
    const size_t step = std::min(static_cast<size_t>(count), src->pub.bytes_in_buffer);
    src->pub.next_input_byte += step;
    src->pub.bytes_in_buffer -= step;
    count -= static_cast<long>(step);
  }
}

void termSource(j_decompress_ptr) {}

// A progressive file may hold any number of scans, each one a full pass over the coefficients;
// a hostile file with thousands of tiny scans would keep us busy for minutes. Real encoders
// write about ten.
constexpr int kMaxScans = 100;
const char* const kTooManyScans = "more than 100 scans";

// Working memory libjpeg may take besides the picture and a progressive file's coefficients.
constexpr uint64_t kWorkBytes = uint64_t{64} << 20;

// Bytes of a stream read one at a time through a buffer.
class ByteReader {
 public:
  explicit ByteReader(InputStream& in) : in_(in), buffer_(kChunk) {}
  int next() {
    if (pos_ == len_) {
      len_ = in_.read(buffer_.data(), buffer_.size());
      pos_ = 0;
      if (len_ == 0) return -1;
    }
    return buffer_[pos_++];
  }
  bool skip(uint64_t n) {
    for (; n > 0; --n)
      if (next() < 0) return false;
    return true;
  }

 private:
  InputStream& in_;
  std::vector<uint8_t> buffer_;
  size_t pos_ = 0, len_ = 0;
};

// Counts the scans (start-of-scan markers) from the start of the stream to its end marker, up to
// one past `limit`. Marker segments are skipped by their length, so a thumbnail inside one does
// not count; entropy-coded data is walked byte by byte (0xFF 0x00 is a stuffed byte, restart
// markers sit inside the data).
int countScans(InputStream& in, int limit) {
  ByteReader r(in);
  int scans = 0;
  for (int c = r.next(); c >= 0 && scans <= limit; c = r.next()) {
    if (c != 0xFF) continue;
    int marker = r.next();
    while (marker == 0xFF) marker = r.next();
    if (marker < 0 || marker == JPEG_EOI) break;
    if (marker == 0x00 || marker == 0x01 || (marker >= JPEG_RST0 && marker <= 0xD8)) continue;
    const int high = r.next(), low = r.next();
    const int length = (high << 8) | low;
    if (low < 0 || high < 0 || length < 2) break;
    if (marker == 0xDA) ++scans;
    if (!r.skip(static_cast<uint64_t>(length - 2))) break;
  }
  return scans;
}

bool severalScans(const jpeg_decompress_struct& c) { return c.progressive_mode || c.comps_in_scan < c.num_components; }

// A file of several scans with more than kMaxScans of them is refused before any is decoded.
// The stream is left where libjpeg's reading stands.
bool scanCountAllowed(jpeg_decompress_struct& c, InputStream& in) {
  if (!severalScans(c)) return true;
  const uint64_t resume = in.tell();
  const bool allowed = in.seek(0) && countScans(in, kMaxScans) <= kMaxScans;
  if (!in.seek(resume)) return false;
  if (!allowed) in.fail(FileFault::Unsupported, kTooManyScans);
  return allowed;
}

// A second guard while decoding, should libjpeg find scans the count above did not.
void watchScans(j_common_ptr cinfo) {
  if (!cinfo->is_decompressor || reinterpret_cast<j_decompress_ptr>(cinfo)->input_scan_number <= kMaxScans) return;
  if (auto* in = reinterpret_cast<ErrorManager*>(cinfo->err)->in) in->fail(FileFault::Unsupported, kTooManyScans);
  stop(cinfo);
}

// The coefficient buffer libjpeg keeps for the whole picture when a file has several scans
// (progressive, or one scan per component): 64 coefficients of 2 bytes per block of each
// component, its rows and columns of blocks rounded up to the sampling factors. 0 for a file of
// one scan, which is decoded row by row.
uint64_t coefficientBytes(const jpeg_decompress_struct& c) {
  if (!severalScans(c)) return 0;
  uint64_t total = 0;
  for (int i = 0; i < c.num_components; ++i) {
    const jpeg_component_info& comp = c.comp_info[i];
    const uint64_t h = static_cast<uint64_t>(comp.h_samp_factor), v = static_cast<uint64_t>(comp.v_samp_factor);
    const uint64_t columns = (comp.width_in_blocks + h - 1) / h * h, rows = (comp.height_in_blocks + v - 1) / v * v;
    total += columns * rows * sizeof(JBLOCK);
  }
  return total;
}

// libjpeg may use kWorkBytes and, for a file of several scans, its coefficient buffer on top;
// a file whose picture and coefficients together pass the pixel memory limit is refused.
bool admitMemory(jpeg_decompress_struct& c, InputStream& in, int bits) {
  if (!admitSize(in, c.image_width, c.image_height, bits)) return false;
  const uint64_t coefficients = coefficientBytes(c);
  if (dibRowBytes(c.image_width, bits) * c.image_height + coefficients > kMaxPixelBytes) {
    in.fail(FileFault::TooLarge);
    return false;
  }
  c.mem->max_memory_to_use = static_cast<long>(kWorkBytes + coefficients);
  return true;
}

struct Decoder {
  jpeg_decompress_struct cinfo;
  ErrorManager err;
  jpeg_progress_mgr monitor;
  Source src;
  TDib dib;
  std::vector<uint8_t> cmykRow;
  std::unique_ptr<SrgbConversion> toSrgb;  // rows through the file's profile, as they come
  std::unique_ptr<TrailingConversion> trailing;  // colour rows converted behind the decoder
  std::unique_ptr<UprightWriter> upright;        // where each decoded row goes
  bool checkOnly = false;                      // the pixels are checked, not stored (see InputStream::sourceOnly)
};

// Whether the file's own data can be kept for a PDF, should it decode without damage.
bool sourceKeepable(const jpeg_decompress_struct& c, const InputStream& in) {
  const J_COLOR_SPACE s = c.jpeg_color_space;
  return !c.arith_code && c.data_precision == 8 && in.size() <= kMaxSourceBytes &&
         (s == JCS_GRAYSCALE || s == JCS_YCbCr || s == JCS_RGB || s == JCS_CMYK || s == JCS_YCCK);
}

// Unstored pixels need data that stands for the picture as the load leaves it. jpegSource
// carries the orientation along, and the colours of an RGB matrix-shaper profile; pixels from
// any other profile must be converted and stored.
bool sourceStandsForLoad(const jpeg_decompress_struct& c, const InputStream& in) {
  if (!sourceKeepable(c, in)) return false;
  return !profileToApply(in) || (c.num_components == 3 && profileIsMatrixShaper(in.metadata().icc));
}

// CMYK from Adobe files is stored inverted; either way the result is (1 - C)(1 - K) and so on.
void cmykToBgr(const uint8_t* cmyk, int32_t width, bool inverted, uint8_t* bgr) {
  for (int32_t x = 0; x < width; ++x, cmyk += 4, bgr += 3) {
    uint32_t c = cmyk[0], m = cmyk[1], y = cmyk[2], k = cmyk[3];
    if (!inverted) c = 255 - c, m = 255 - m, y = 255 - y, k = 255 - k;
    bgr[0] = static_cast<uint8_t>((y * k + 127) / 255);
    bgr[1] = static_cast<uint8_t>((m * k + 127) / 255);
    bgr[2] = static_cast<uint8_t>((c * k + 127) / 255);
  }
}

// The ICC profile of the APP2 segments, reassembled by libjpeg, which checks their numbering and
// count and gives nothing for a broken set.
void noteProfile(j_decompress_ptr cinfo, InputStream& in) {
  JOCTET* data = nullptr;
  unsigned int bytes = 0;
  if (!jpeg_read_icc_profile(cinfo, &data, &bytes)) return;
  in.metadata().icc.assign(data, data + bytes);
  std::free(data);
}

// Colour rows go through the file's profile as they are decoded, when it has one that fits and
// the load wants it (CMYK ones on their way into the picture, RGB ones on a second thread just
// behind the decoder); the load then converts nothing more.
// A picture turned as it is decoded has no rows in decoding order for the second thread; the load
// converts it in place once it is upright.
void prepareProfile(Decoder& d, bool cmyk) {
  InputStream& in = *d.src.in;
  if (!in.readOptions().useProfile || in.metadata().icc.empty() || (!cmyk && in.metadata().turnedByDecoder)) return;
  const IccProfile profile(in.metadata().icc);
  const PixelLayout layout = !cmyk                     ? PixelLayout::Bgr
                             : d.cinfo.saw_Adobe_marker ? PixelLayout::CmykInverted
                                                        : PixelLayout::Cmyk;
  auto conversion = std::make_unique<SrgbConversion>(profile, layout);
  if (!conversion->isReady()) return;
  d.toSrgb = std::move(conversion);
  in.metadata().profileApplied = true;
  if (!cmyk)
    d.trailing = std::make_unique<TrailingConversion>(*d.toSrgb, d.dib.row(0), -static_cast<ptrdiff_t>(d.dib.RowBytes),
                                                      static_cast<size_t>(DibWidth(d.dib)));
}

// Rows after the end of the data stay black. Reading on to the end marker finds data the
// decoder did not use, which a damaged scan leaves behind.
bool finishDecode(Decoder& d) {
  if (d.err.ranOut) return true;
  d.err.complete = true;
  jpeg_finish_decompress(&d.cinfo);
  return true;
}

// The pixels are checked, not stored: skipped rows are decoded only as far as their Huffman
// codes, which finds damage as a full decode does, and the picture's memory is never touched.
// libjpeg skips a run that reaches the last row without reading it, so that row is decoded into
// a scratch row. Called inside runDecode's setjmp frame.
bool checkRows(Decoder& d, RowProgress& rows) {
  jpeg_decompress_struct& c = d.cinfo;
  while (c.output_scanline + 1 < c.output_height && !d.err.ranOut) {
    const JDIMENSION run = std::min(kRowsPerSkip, c.output_height - 1 - c.output_scanline);
    if (jpeg_skip_scanlines(&c, run) != run) return false;
    rows.row(static_cast<int32_t>(c.output_scanline) - 1);
  }
  if (!d.err.ranOut) {
    d.cmykRow.resize(static_cast<size_t>(c.output_width) * static_cast<size_t>(c.out_color_components));
    JSAMPROW target = d.cmykRow.data();
    if (jpeg_read_scanlines(&c, &target, 1) != 1) return false;
    rows.row(static_cast<int32_t>(c.output_height) - 1);
  }
  return finishDecode(d);
}

// The first APP1 segment that holds Exif, from its TIFF header on.
void noteExif(const jpeg_decompress_struct& c, PictureMetadata& metadata) {
  static constexpr uint8_t kExif[] = {'E', 'x', 'i', 'f', 0, 0};
  for (jpeg_saved_marker_ptr m = c.marker_list; m && metadata.exif.empty(); m = m->next)
    if (m->marker == JPEG_APP0 + 1 && m->data_length > sizeof kExif && std::memcmp(m->data, kExif, sizeof kExif) == 0)
      metadata.exif.assign(m->data + sizeof kExif, m->data + m->data_length);
}

// JFIF density in dots per inch (1) or per cm (2); 0 gives the aspect only.
Resolution jfifResolution(const jpeg_decompress_struct& c) {
  if (!c.saw_JFIF_marker || (c.density_unit != 1 && c.density_unit != 2)) return {};
  return resolutionPer(c.X_density, c.Y_density, c.density_unit == 2 ? kCmPerInch : 1);
}

// The setjmp frame: only trivially destructible locals live here.
bool runDecode(Decoder& d, const ProgressFn& progress) {
  if (setjmp(d.err.jump)) return false;
  jpeg_create_decompress(&d.cinfo);
  d.cinfo.src = &d.src.pub;
  d.monitor.progress_monitor = watchScans;
  d.cinfo.progress = &d.monitor;
  jpeg_save_markers(&d.cinfo, JPEG_APP0 + 1, 0xffff);
  jpeg_save_markers(&d.cinfo, JPEG_APP0 + 2, 0xffff);
  jpeg_read_header(&d.cinfo, TRUE);
  noteExif(d.cinfo, d.src.in->metadata());
  d.src.in->metadata().resolution = jfifResolution(d.cinfo);
  noteProfile(&d.cinfo, *d.src.in);
  const bool grey = d.cinfo.jpeg_color_space == JCS_GRAYSCALE;
  const bool cmyk = d.cinfo.jpeg_color_space == JCS_CMYK || d.cinfo.jpeg_color_space == JCS_YCCK;
  d.cinfo.out_color_space = grey ? JCS_GRAYSCALE : (cmyk ? JCS_CMYK : JCS_EXT_BGR);
  if (!admitMemory(d.cinfo, *d.src.in, grey ? 8 : 24) || !scanCountAllowed(d.cinfo, *d.src.in)) return false;
  d.err.severalScans = severalScans(d.cinfo);
  jpeg_start_decompress(&d.cinfo);
  const auto width = static_cast<int32_t>(d.cinfo.output_width);
  const auto height = static_cast<int32_t>(d.cinfo.output_height);
  // A photo to be turned upright is decoded into its upright place, band by band: no second
  // picture of its size.
  const int orientation = orientationToApply(*d.src.in);
  const int32_t across = swapsSides(orientation) ? height : width, down = swapsSides(orientation) ? width : height;
  d.dib = grey ? codec::makeGreyDib(across, down, 8) : allocateDib(across, down, 24, false);
  if (d.dib.empty()) {
    d.src.in->fail(FileFault::OutOfMemory);
    return false;
  }
  d.src.in->metadata().turnedByDecoder = orientation != 1;
  d.upright = std::make_unique<UprightWriter>(d.dib, orientation);
  if (cmyk) d.cmykRow.resize(static_cast<size_t>(width) * 4);
  RowProgress rows(progress, height);
  d.checkOnly = d.checkOnly && sourceStandsForLoad(d.cinfo, *d.src.in);
  // The profile goes into the PDF with the data, as it would with stored pixels.
  if (d.checkOnly && profileToApply(*d.src.in)) d.src.in->metadata().profileApplied = true;
  if (!grey && !d.checkOnly) prepareProfile(d, cmyk);
  if (d.checkOnly) return checkRows(d, rows);
  while (d.cinfo.output_scanline < d.cinfo.output_height && !d.err.ranOut) {
    const auto y = static_cast<int32_t>(d.cinfo.output_scanline);
    if (cmyk) {
      JSAMPROW target = d.cmykRow.data();
      if (jpeg_read_scanlines(&d.cinfo, &target, 1) != 1) return false;
      if (d.toSrgb)
        d.toSrgb->convert(d.cmykRow.data(), d.upright->row(y), static_cast<size_t>(width));
      else
        cmykToBgr(d.cmykRow.data(), width, d.cinfo.saw_Adobe_marker, d.upright->row(y));
    } else {
      // Several rows per call, straight into their place (the picture's, or the band's).
      JSAMPROW targets[kRowsPerCall];
      const int32_t count = std::min<int32_t>(kRowsPerCall, d.upright->bandEnd() - y);
      for (int32_t i = 0; i < count; ++i) targets[i] = d.upright->row(y + i);
      if (jpeg_read_scanlines(&d.cinfo, targets, static_cast<JDIMENSION>(count)) == 0) return false;
      if (d.trailing) d.trailing->written(d.cinfo.output_scanline);
    }
    d.upright->written(static_cast<int32_t>(d.cinfo.output_scanline));
    rows.row(static_cast<int32_t>(d.cinfo.output_scanline) - 1);
  }
  d.upright->finish();
  return finishDecode(d);
}

// The file's own data, for a PDF to hold as it is: 8-bit Huffman-coded grey, YCbCr, RGB, CMYK
// or YCCK (CMYK inverted exactly where the decoder inverts it) that decoded without damage; its
// colour profile and orientation go with it (jpegSource).
void keepJpegSource(Decoder& d, InputStream& in) {
  const jpeg_decompress_struct& c = d.cinfo;
  const J_COLOR_SPACE s = c.jpeg_color_space;
  const bool cmyk = s == JCS_CMYK || s == JCS_YCCK;
  if (c.err->num_warnings || !sourceKeepable(c, in)) return;
  keepSource(d.dib, jpegSource(in, static_cast<int32_t>(c.output_width), static_cast<int32_t>(c.output_height),
                               c.num_components, cmyk && c.saw_Adobe_marker, s == JCS_RGB));
}

struct Destination {
  jpeg_destination_mgr pub;
  OutputStream* out;
  std::vector<uint8_t> buffer;
};

void initDestination(j_compress_ptr) {}

boolean emptyOutput(j_compress_ptr cinfo) {
  auto* dst = reinterpret_cast<Destination*>(cinfo->dest);
  if (!dst->out->write(dst->buffer.data(), dst->buffer.size())) ERREXIT(cinfo, JERR_FILE_WRITE);
  dst->pub.next_output_byte = dst->buffer.data();
  dst->pub.free_in_buffer = dst->buffer.size();
  return TRUE;
}

void termDestination(j_compress_ptr cinfo) {
  auto* dst = reinterpret_cast<Destination*>(cinfo->dest);
  const size_t used = dst->buffer.size() - dst->pub.free_in_buffer;
  if (used && !dst->out->write(dst->buffer.data(), used)) ERREXIT(cinfo, JERR_FILE_WRITE);
}

// JFIF holds whole dots per inch up to 65535.
UINT16 jfifDensity(double dpi) { return static_cast<UINT16>(std::clamp<int64_t>(dotsPerUnit(dpi, 1), 1, 0xffff)); }

struct Encoder {
  jpeg_compress_struct cinfo;
  ErrorManager err;
  Destination dst;
  const TDib* dib;
  std::vector<uint8_t> row;
};

bool runEncode(Encoder& e) {
  if (setjmp(e.err.jump)) return false;
  jpeg_create_compress(&e.cinfo);
  e.cinfo.dest = &e.dst.pub;
  const TDib& dib = *e.dib;
  const bool trueColour = DibBitCount(dib) == 24;
  e.cinfo.image_width = static_cast<JDIMENSION>(DibWidth(dib));
  e.cinfo.image_height = static_cast<JDIMENSION>(DibHeight(dib));
  e.cinfo.input_components = 3;
  e.cinfo.in_color_space = trueColour ? JCS_EXT_BGR : JCS_RGB;
  jpeg_set_defaults(&e.cinfo);
  jpeg_set_quality(&e.cinfo, kQuality, TRUE);
  if (dib.Dpi.stored()) {
    e.cinfo.density_unit = 1;
    e.cinfo.X_density = jfifDensity(dib.Dpi.x);
    e.cinfo.Y_density = jfifDensity(dib.Dpi.y);
  }
  jpeg_start_compress(&e.cinfo, TRUE);
  while (e.cinfo.next_scanline < e.cinfo.image_height) {
    const auto y = static_cast<int32_t>(e.cinfo.next_scanline);
    if (!trueColour) codec::rowToRgb(dib, y, e.row.data());
    // libjpeg only reads the rows it is given.
    JSAMPROW source = trueColour ? const_cast<uint8_t*>(dib.row(y)) : e.row.data();
    jpeg_write_scanlines(&e.cinfo, &source, 1);
  }
  jpeg_finish_compress(&e.cinfo);
  return true;
}

}  // namespace

bool JpegCodec::probe(std::span<const uint8_t> head) const {
  return head.size() >= 3 && head[0] == 0xFF && head[1] == 0xD8 && head[2] == 0xFF;
}

namespace {

// One pass over the file from its start.
TDib decodeOnce(InputStream& in, const ProgressFn& progress, bool checkOnly) {
  auto d = std::make_unique<Decoder>();
  setUpErrors(d->err);
  d->err.in = &in;
  d->cinfo.err = &d->err.pub;
  d->src.in = &in;
  d->src.buffer.resize(kChunk);
  d->src.pub.init_source = initSource;
  d->src.pub.fill_input_buffer = fillInput;
  d->src.pub.skip_input_data = skipInput;
  d->src.pub.resync_to_restart = jpeg_resync_to_restart;
  d->src.pub.term_source = termSource;
  d->src.pub.bytes_in_buffer = 0;
  d->src.pub.next_input_byte = nullptr;
  d->checkOnly = checkOnly;
  const bool ok = runDecode(*d, progress);
  if (d->trailing) d->trailing->finish();
  if (ok) keepJpegSource(*d, in);
  jpeg_destroy_decompress(&d->cinfo);
  if (!ok) return TDib();
  // Unstored pixels go out only with the data that stands for them; a damaged file is decoded
  // again, whole, for a caller who keeps it despite the damage.
  if (d->checkOnly && !unchangedSource(d->dib)) {
    in.metadata().profileApplied = false;  // none was, to pixels
    return in.seek(0) ? decodeOnce(in, progress, false) : TDib();
  }
  return std::move(d->dib);
}

}  // namespace

TDib JpegCodec::decode(InputStream& in, const ProgressFn& progress) const {
  return decodeOnce(in, progress, in.sourceOnly());
}

bool JpegCodec::encode(const TDib& dib, OutputStream& out) const {
  if (dib.empty()) return false;
  const int bits = DibBitCount(dib);
  if (bits != 1 && bits != 4 && bits != 8 && bits != 24) return false;
  if (DibWidth(dib) > JPEG_MAX_DIMENSION || DibHeight(dib) > JPEG_MAX_DIMENSION) return false;
  auto e = std::make_unique<Encoder>();
  setUpErrors(e->err);
  e->cinfo.err = &e->err.pub;
  e->dst.out = &out;
  e->dst.buffer.resize(kChunk);
  e->dst.pub.init_destination = initDestination;
  e->dst.pub.empty_output_buffer = emptyOutput;
  e->dst.pub.term_destination = termDestination;
  e->dst.pub.next_output_byte = e->dst.buffer.data();
  e->dst.pub.free_in_buffer = e->dst.buffer.size();
  e->dib = &dib;
  e->row.resize(static_cast<size_t>(DibWidth(dib)) * 3);
  const bool ok = runEncode(*e);
  jpeg_destroy_compress(&e->cinfo);
  return ok;
}

const Codec& jpegCodec() {
  static const JpegCodec codec;
  return codec;
}

}  // namespace tessaro
