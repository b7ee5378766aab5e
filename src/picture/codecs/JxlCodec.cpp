#include "picture/codecs/JxlCodec.h"

#include <jxl/decode.h>
#include <jxl/decode_cxx.h>
#include <jxl/encode.h>
#include <jxl/thread_parallel_runner.h>
#include <jxl/thread_parallel_runner_cxx.h>

#include <algorithm>
#include <cstring>
#include <vector>

#include "picture/codecs/Codecs.h"
#include "picture/codecs/LegacyCodecIo.h"
#include "picture/codecs/PaletteSupport.h"

namespace tessaro {

namespace {

// Input is handed to libjxl in pieces of at least this size; a piece grows with the data libjxl
// still holds back, so that a section larger than one piece costs no more than twice its size.
constexpr size_t kChunk = size_t{1} << 20;

// How libjxl's rows of 8-bit samples become picture rows.
enum class Layout { Grey, GreyAlpha, Rgb, Rgba };

struct Decoder {
  InputStream* in = nullptr;
  JxlDecoder* dec = nullptr;
  std::vector<uint8_t> buffer;  // the input libjxl has not consumed yet
  uint64_t bufferStart = 0;     // file position of buffer[0]
  JxlBasicInfo info{};
  Layout layout = Layout::Rgb;
  TDib dib;
};

// Called by libjxl's worker threads, each with pixels of its own.
void putPixels(void* opaque, size_t x, size_t y, size_t count, const void* pixels) {
  auto& d = *static_cast<Decoder*>(opaque);
  const auto* src = static_cast<const uint8_t*>(pixels);
  uint8_t* row = d.dib.row(static_cast<int32_t>(y));
  switch (d.layout) {
    case Layout::Grey:
      std::memcpy(row + x, src, count);
      break;
    case Layout::GreyAlpha:
      for (size_t i = 0; i < count; ++i, src += 2) row[x + i] = legacy::onWhite(src[0], src[1]);
      break;
    case Layout::Rgb:
      for (uint8_t* p = row + 3 * x; count--; src += 3, p += 3) {
        p[0] = src[2];
        p[1] = src[1];
        p[2] = src[0];
      }
      break;
    case Layout::Rgba:
      for (uint8_t* p = row + 3 * x; count--; src += 4, p += 3) {
        p[0] = legacy::onWhite(src[2], src[3]);
        p[1] = legacy::onWhite(src[1], src[3]);
        p[2] = legacy::onWhite(src[0], src[3]);
      }
      break;
  }
}

// The file position of the first byte libjxl has not consumed; its input is released.
uint64_t releaseInput(Decoder& d) {
  const size_t unconsumed = JxlDecoderReleaseInput(d.dec);
  const size_t consumed = d.buffer.size() - std::min(unconsumed, d.buffer.size());
  d.buffer.erase(d.buffer.begin(), d.buffer.begin() + static_cast<std::ptrdiff_t>(consumed));
  d.bufferStart += consumed;
  return d.bufferStart;
}

// Hands libjxl the next piece of the file; false at its end.
bool feed(Decoder& d) {
  releaseInput(d);
  const size_t have = d.buffer.size();
  const size_t want = std::max(kChunk, have);
  d.buffer.resize(have + want);
  const size_t got = d.in->read(d.buffer.data() + have, want);
  d.buffer.resize(have + got);
  if (got == 0) return false;
  if (JxlDecoderSetInput(d.dec, d.buffer.data(), d.buffer.size()) != JXL_DEC_SUCCESS) return false;
  if (d.in->remaining() == 0) JxlDecoderCloseInput(d.dec);
  return true;
}

// Records damage where libjxl stopped consuming the file.
bool damaged(Decoder& d) {
  FileError e;
  e.fault = FileFault::Damaged;
  e.offset = releaseInput(d);
  d.in->fail(e);
  return false;
}

bool isSrgb(const JxlColorEncoding& c) {
  return c.white_point == JXL_WHITE_POINT_D65 && c.transfer_function == JXL_TRANSFER_FUNCTION_SRGB &&
         (c.color_space == JXL_COLOR_SPACE_GRAY ||
          (c.color_space == JXL_COLOR_SPACE_RGB && c.primaries == JXL_PRIMARIES_SRGB));
}

std::vector<uint8_t> iccProfile(const JxlDecoder* dec, JxlColorProfileTarget target) {
  size_t size = 0;
  std::vector<uint8_t> icc;
  if (JxlDecoderGetICCProfileSize(dec, nullptr, target, &size) != JXL_DEC_SUCCESS) return icc;
  icc.resize(size);
  if (JxlDecoderGetColorAsICCProfile(dec, nullptr, target, icc.data(), size) != JXL_DEC_SUCCESS) icc.clear();
  return icc;
}

// Pixels of an image coded in libjxl's own colour space are rendered straight into sRGB by libjxl;
// pixels kept in the file's own space are converted from its profile by the load's last step, as
// libjxl 0.7 has no colour management for them. The profile is noted in either case, unless the
// file is in sRGB anyway. When profiles are ignored, a file in a named colour space comes in that
// space's numbers, as other formats' pixels do; one described by a profile alone still comes in
// sRGB, as libjxl would otherwise give linear light.
void chooseColours(Decoder& d) {
  JxlColorEncoding original{};
  const bool enumerated =
      JxlDecoderGetColorAsEncodedProfile(d.dec, nullptr, JXL_COLOR_PROFILE_TARGET_ORIGINAL, &original) ==
      JXL_DEC_SUCCESS;
  if (enumerated && isSrgb(original)) return;
  PictureMetadata& m = d.in->metadata();
  m.icc = iccProfile(d.dec, JXL_COLOR_PROFILE_TARGET_ORIGINAL);
  if (d.info.uses_original_profile || (enumerated && !d.in->readOptions().useProfile)) return;
  JxlColorEncoding srgb{};
  JxlColorEncodingSetToSRGB(&srgb, d.info.num_color_channels == 1);
  m.profileApplied = JxlDecoderSetPreferredColorProfile(d.dec, &srgb) == JXL_DEC_SUCCESS;
  if (!m.profileApplied) m.icc = iccProfile(d.dec, JXL_COLOR_PROFILE_TARGET_DATA);
}

// A black channel would be dropped by libjxl, leaving CMY shown as RGB.
bool hasBlackChannel(const Decoder& d) {
  for (uint32_t i = 0; i < d.info.num_extra_channels; ++i) {
    JxlExtraChannelInfo extra{};
    if (JxlDecoderGetExtraChannelInfo(d.dec, i, &extra) == JXL_DEC_SUCCESS && extra.type == JXL_CHANNEL_BLACK)
      return true;
  }
  return false;
}

// The picture is made once the colour description is known, so that a read of the header notes
// the profile; a size that cannot be allowed is refused as soon as the basic information is in.
bool onBasicInfo(Decoder& d) {
  if (JxlDecoderGetBasicInfo(d.dec, &d.info) != JXL_DEC_SUCCESS) return damaged(d);
  if (!d.in->metadata().orientedByContainer) d.in->metadata().orientation = d.info.orientation;
  const int bits = d.info.num_color_channels == 1 ? 8 : 24;
  if (!dibSizeAllowed(d.info.xsize, d.info.ysize, bits)) return admitSize(*d.in, d.info.xsize, d.info.ysize, bits);
  if (hasBlackChannel(d)) {
    d.in->fail(FileFault::Unsupported, "CMYK");
    return false;
  }
  return true;
}

bool onColourEncoding(Decoder& d) {
  chooseColours(d);
  const bool grey = d.info.num_color_channels == 1;
  const auto w = static_cast<int32_t>(d.info.xsize), h = static_cast<int32_t>(d.info.ysize);
  if (!admitSize(*d.in, w, h, grey ? 8 : 24)) return false;
  d.dib = grey ? codec::makeGreyDib(w, h, 8) : allocateDib(w, h, 24, false);
  if (d.dib.empty()) {
    d.in->fail(FileFault::OutOfMemory);
    return false;
  }
  const bool alpha = d.info.alpha_bits != 0;
  d.layout = grey ? (alpha ? Layout::GreyAlpha : Layout::Grey) : (alpha ? Layout::Rgba : Layout::Rgb);
  return true;
}

bool setOutput(Decoder& d) {
  const uint32_t channels = d.info.num_color_channels + (d.info.alpha_bits != 0 ? 1 : 0);
  const JxlPixelFormat format{channels, JXL_TYPE_UINT8, JXL_NATIVE_ENDIAN, 0};
  return JxlDecoderSetImageOutCallback(d.dec, &format, putPixels, &d) == JXL_DEC_SUCCESS;
}

// Runs libjxl up to the first full picture: an animation gives its first frame.
bool run(Decoder& d, const ProgressFn& progress) {
  // Progress follows the file as it is handed over; libjxl decodes each part as it arrives.
  RowProgress fed(progress, static_cast<int64_t>(d.in->size()) + 1);
  fed.row(0);
  for (;;) {
    switch (JxlDecoderProcessInput(d.dec)) {
      case JXL_DEC_NEED_MORE_INPUT:
        if (!feed(d)) return damaged(d);
        fed.row(static_cast<int64_t>(d.in->tell()));
        break;
      case JXL_DEC_BASIC_INFO:
        if (!onBasicInfo(d)) return false;
        break;
      case JXL_DEC_COLOR_ENCODING:
        if (!onColourEncoding(d)) return false;
        break;
      case JXL_DEC_NEED_IMAGE_OUT_BUFFER:
        if (d.dib.empty() || !setOutput(d)) return damaged(d);
        break;
      case JXL_DEC_FULL_IMAGE:
        fed.row(static_cast<int64_t>(d.in->size()));
        return !d.dib.empty();
      default:
        return damaged(d);
    }
  }
}

}  // namespace

bool JxlCodec::probe(std::span<const uint8_t> head) const {
  static constexpr uint8_t kCodestream[] = {0xFF, 0x0A};
  static constexpr uint8_t kContainer[] = {0, 0, 0, 0x0C, 'J', 'X', 'L', ' ', 0x0D, 0x0A, 0x87, 0x0A};
  const auto startsWith = [&](std::span<const uint8_t> sig) {
    return head.size() >= sig.size() && std::equal(sig.begin(), sig.end(), head.begin());
  };
  return startsWith(kCodestream) || startsWith(kContainer);
}

TDib JxlCodec::decode(InputStream& in, const ProgressFn& progress) const {
  const JxlDecoderPtr dec = JxlDecoderMake(nullptr);
  const JxlThreadParallelRunnerPtr runner =
      JxlThreadParallelRunnerMake(nullptr, JxlThreadParallelRunnerDefaultNumWorkerThreads());
  if (!dec || !runner) {
    in.fail(FileFault::OutOfMemory);
    return TDib();
  }
  Decoder d;
  d.in = &in;
  d.dec = dec.get();
  d.bufferStart = in.tell();
  const int events = JXL_DEC_BASIC_INFO | JXL_DEC_COLOR_ENCODING | JXL_DEC_FULL_IMAGE;
  if (JxlDecoderSubscribeEvents(d.dec, events) != JXL_DEC_SUCCESS ||
      JxlDecoderSetParallelRunner(d.dec, JxlThreadParallelRunner, runner.get()) != JXL_DEC_SUCCESS ||
      JxlDecoderSetUnpremultiplyAlpha(d.dec, JXL_TRUE) != JXL_DEC_SUCCESS)
    return TDib();
  // libjxl turns the picture by the codestream's orientation itself, which an Exif box must not
  // repeat. A picture that is not to be turned upright comes as stored, its orientation noted.
  const bool turn = in.readOptions().autoOrient;
  if (JxlDecoderSetKeepOrientation(d.dec, turn ? JXL_FALSE : JXL_TRUE) != JXL_DEC_SUCCESS) return TDib();
  in.metadata().orientedByContainer = turn;
  if (!run(d, progress)) return TDib();
  return std::move(d.dib);
}

const Codec& jxlCodec() {
  static const JxlCodec codec;
  return codec;
}

}  // namespace tessaro
