#include "picture/codecs/WebpCodec.h"

#include <sys/mman.h>
#include <unistd.h>
#include <webp/decode.h>
#include <webp/demux.h>

#include <algorithm>
#include <cstring>
#include <memory>
#include <vector>

#include "picture/codecs/Codecs.h"
#include "picture/codecs/LegacyCodecIo.h"

namespace tessaro {

namespace {

constexpr uint64_t kRiffHeader = 12, kChunkHeader = 8;
// Far above any real Exif block or colour profile; a larger chunk is left unread.
constexpr uint64_t kMetadataMax = 64u << 20;
// Some writers keep JPEG's APP1 identifier before the TIFF header.
constexpr uint8_t kExifIdentifier[] = {'E', 'x', 'i', 'f', 0, 0};
constexpr uint8_t kAnimationFlag = 0x02;

bool isChunk(const uint8_t* header, const char* tag) { return std::memcmp(header, tag, 4) == 0; }

// The EXIF and ICCP chunks, wherever they stand among the file's chunks.
void noteMetadata(InputStream& in, uint64_t riffEnd) {
  PictureMetadata& m = in.metadata();
  uint8_t header[kChunkHeader];
  for (uint64_t at = kRiffHeader; at + kChunkHeader <= riffEnd && in.seek(at) && in.readExact(header, kChunkHeader);) {
    const uint64_t body = at + kChunkHeader, length = le32(header + 4);
    if (length > riffEnd - body) return;
    const bool exif = isChunk(header, "EXIF") && m.exif.empty();
    const bool icc = isChunk(header, "ICCP") && m.icc.empty();
    if ((exif || icc) && length <= kMetadataMax) {
      std::vector<uint8_t> bytes(length);
      if (!in.readExact(bytes.data(), bytes.size())) return;
      if (exif && bytes.size() >= sizeof kExifIdentifier &&
          std::memcmp(bytes.data(), kExifIdentifier, sizeof kExifIdentifier) == 0)
        bytes.erase(bytes.begin(), bytes.begin() + sizeof kExifIdentifier);
      (exif ? m.exif : m.icc) = std::move(bytes);
    }
    at = body + length + (length & 1);
  }
}

// The canvas size: an extended file names it in its VP8X chunk, a simple one in its bitstream's
// header.
bool readCanvas(std::span<const uint8_t> head, int& width, int& height, bool& animated) {
  constexpr size_t kVp8xEnd = kRiffHeader + kChunkHeader + 10;
  if (head.size() >= kVp8xEnd && isChunk(head.data() + kRiffHeader, "VP8X")) {
    const uint8_t* p = head.data() + kRiffHeader + kChunkHeader;
    animated = (p[0] & kAnimationFlag) != 0;
    width = static_cast<int>(le32(p + 4) & 0xffffff) + 1;
    height = static_cast<int>(le32(p + 6) >> 8) + 1;
    return true;
  }
  animated = false;
  return WebPGetInfo(head.data(), head.size(), &width, &height) != 0;
}

// The picture data of what is shown: the whole file, or an animation's first frame and where it
// stands on the canvas.
struct Frame {
  const uint8_t* data = nullptr;
  size_t size = 0;
  uint64_t offset = 0;  // of `data` in the file
  int left = 0, top = 0;
  bool wholeCanvas = true;  // a still picture must be as large as its canvas
};

// Pixel memory for the alpha rows, mapped so that pages come only where libwebp writes and
// go back once their rows are laid onto white.
class AlphaRows {
 public:
  AlphaRows(int width, int height) : stride_(size_t(width) * 4), bytes_(stride_ * size_t(height)) {
    void* p = ::mmap(nullptr, bytes_, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
    base_ = p == MAP_FAILED ? nullptr : static_cast<uint8_t*>(p);
  }
  ~AlphaRows() {
    if (base_) ::munmap(base_, bytes_);
  }
  AlphaRows(const AlphaRows&) = delete;
  AlphaRows& operator=(const AlphaRows&) = delete;
  uint8_t* row(int y) { return base_ + stride_ * size_t(y); }
  size_t stride() const { return stride_; }
  size_t bytes() const { return bytes_; }
  bool ok() const { return base_ != nullptr; }
  // Returns the pages that hold only rows above `y`.
  void release(int y) {
    const size_t page = static_cast<size_t>(::sysconf(_SC_PAGESIZE));
    const size_t end = stride_ * size_t(y) / page * page;
    if (end > released_) ::madvise(base_ + released_, end - released_, MADV_DONTNEED);
    released_ = std::max(released_, end);
  }

 private:
  size_t stride_, bytes_;
  uint8_t* base_ = nullptr;
  size_t released_ = 0;
};

struct IdecFree {
  void operator()(WebPIDecoder* d) const { WebPIDelete(d); }
};
struct DemuxFree {
  void operator()(WebPDemuxer* d) const { WebPDemuxDelete(d); }
};

void failWith(InputStream& in, VP8StatusCode status) {
  if (status == VP8_STATUS_UNSUPPORTED_FEATURE)
    in.fail(FileFault::Unsupported, "WebP");
  else if (status == VP8_STATUS_OUT_OF_MEMORY)
    in.fail(FileFault::OutOfMemory);
  else
    in.fail(FileFault::Damaged);
}

// Decodes the frame into the picture at its place: colour straight into the rows (bottom-up,
// so with a negative stride), alpha through AlphaRows, laid onto white as rows come out. libwebp
// is handed the data in pieces so that rows can be taken and progress told on the way.
bool decodeFrame(InputStream& in, const Frame& f, TDib& dib, const ProgressFn& progress) {
  WebPBitstreamFeatures features;
  VP8StatusCode status = WebPGetFeatures(f.data, f.size, &features);
  if (status != VP8_STATUS_OK) {
    failWith(in, status);
    return false;
  }
  const int width = features.width, height = features.height;
  const bool fits = f.wholeCanvas ? width == DibWidth(dib) && height == DibHeight(dib)
                                  : f.left + width <= DibWidth(dib) && f.top + height <= DibHeight(dib);
  if (!fits) {
    in.fail(FileFault::Damaged);
    return false;
  }
  std::unique_ptr<AlphaRows> alpha;
  WebPDecBuffer out;
  WebPInitDecBuffer(&out);
  out.is_external_memory = 1;
  WebPRGBABuffer& rgba = out.u.RGBA;
  if (features.has_alpha) {
    alpha = std::make_unique<AlphaRows>(width, height);
    if (!alpha->ok()) {
      in.fail(FileFault::OutOfMemory);
      return false;
    }
    out.colorspace = MODE_BGRA;
    rgba.rgba = alpha->row(0);
    rgba.stride = static_cast<int>(alpha->stride());
    rgba.size = alpha->bytes();
  } else {
    out.colorspace = MODE_BGR;
    rgba.rgba = dib.row(f.top) + size_t(f.left) * 3;
    rgba.stride = -dib.RowBytes;
    rgba.size = size_t(dib.RowBytes) * size_t(height - 1) + size_t(width) * 3;
  }
  const std::unique_ptr<WebPIDecoder, IdecFree> idec(WebPINewDecoder(&out));
  if (!idec) {
    in.fail(FileFault::OutOfMemory);
    return false;
  }
  RowProgress rows(progress, height);
  rows.row(0);
  const size_t piece = std::clamp<size_t>(f.size / 8, 64, 1u << 20);
  int done = 0;
  status = VP8_STATUS_SUSPENDED;
  size_t fed = 0;
  while (status == VP8_STATUS_SUSPENDED && fed < f.size) {
    fed = std::min(f.size, fed + piece);
    status = WebPIUpdate(idec.get(), f.data, fed);
    int lastY = 0;
    if (!WebPIDecGetRGB(idec.get(), &lastY, nullptr, nullptr, nullptr)) continue;
    for (; alpha && done < lastY; ++done) {
      const uint8_t* s = alpha->row(done);
      uint8_t* d = dib.row(f.top + done) + size_t(f.left) * 3;
      for (int x = 0; x < width; ++x, s += 4, d += 3) {
        d[0] = legacy::onWhite(s[0], s[3]);
        d[1] = legacy::onWhite(s[1], s[3]);
        d[2] = legacy::onWhite(s[2], s[3]);
      }
    }
    if (alpha) alpha->release(done);
    if (lastY > 0) rows.row(lastY - 1);
  }
  if (status != VP8_STATUS_OK) {
    in.seek(f.offset + fed);
    failWith(in, status);
    return false;
  }
  return true;
}

// The first frame of an animation, with its place on the canvas.
bool firstFrame(InputStream& in, const std::vector<uint8_t>& data, WebPDemuxer*& demuxer, Frame& f) {
  const WebPData whole{data.data(), data.size()};
  demuxer = WebPDemux(&whole);
  WebPIterator it;
  if (!demuxer || !WebPDemuxGetFrame(demuxer, 1, &it)) {
    in.fail(FileFault::Damaged);
    return false;
  }
  f = Frame{it.fragment.bytes, it.fragment.size, static_cast<uint64_t>(it.fragment.bytes - data.data()), it.x_offset,
            it.y_offset, false};
  WebPDemuxReleaseIterator(&it);
  return true;
}

}  // namespace

bool WebpCodec::probe(std::span<const uint8_t> head) const {
  return head.size() >= kRiffHeader && std::memcmp(head.data(), "RIFF", 4) == 0 &&
         std::memcmp(head.data() + 8, "WEBP", 4) == 0;
}

TDib WebpCodec::decode(InputStream& in, const ProgressFn& progress) const {
  uint8_t head[64] = {};
  const size_t got = in.read(head, sizeof head);
  if (got < kRiffHeader || !probe({head, got})) {
    in.fail(FileFault::Damaged);
    return TDib();
  }
  // The RIFF size may claim more than there is: libwebp then reports the data as cut short.
  const uint64_t riffEnd = std::min<uint64_t>(uint64_t{le32(head + 4)} + kChunkHeader, in.size());
  noteMetadata(in, riffEnd);
  int width = 0, height = 0;
  bool animated = false;
  if (!readCanvas({head, got}, width, height, animated)) {
    in.seek(std::min<uint64_t>(got, in.size()));
    in.fail(FileFault::Damaged);
    return TDib();
  }
  if (!admitSize(in, width, height, 24)) return TDib();
  if (riffEnd > kMaxInputBytes) {
    in.fail(FileFault::TooLarge);
    return TDib();
  }
  std::vector<uint8_t> data(riffEnd);
  if (!in.seek(0) || !in.readExact(data.data(), data.size())) {
    in.fail(FileFault::Damaged);
    return TDib();
  }
  Frame frame{data.data(), data.size()};
  WebPDemuxer* demuxer = nullptr;
  const bool found = !animated || firstFrame(in, data, demuxer, frame);
  const std::unique_ptr<WebPDemuxer, DemuxFree> demuxed(demuxer);
  if (!found) return TDib();
  TDib dib = allocateDib(width, height, 24, false);
  if (dib.empty()) {
    in.fail(FileFault::OutOfMemory);
    return TDib();
  }
  // Canvas the first frame leaves uncovered is white paper.
  if (animated) std::memset(dib.Bits, 0xff, dib.pixelBytes());
  if (!decodeFrame(in, frame, dib, progress)) return TDib();
  return dib;
}

const Codec& webpCodec() {
  static const WebpCodec codec;
  return codec;
}

}  // namespace tessaro
