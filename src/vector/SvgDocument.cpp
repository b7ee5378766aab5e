#include "vector/SvgDocument.h"

#include <gio/gio.h>
#include <librsvg/rsvg.h>
#include <zlib.h>

#include <algorithm>
#include <cmath>
#include <limits>
#include <vector>

#include "vector/VectorMessages.h"

namespace tessaro {

namespace {

constexpr double kCssPixelsPerInch = 96, kPointsPerInch = 72;

constexpr double kUnknown = std::numeric_limits<double>::quiet_NaN();

// A length in points; unknown (NaN) for units that need a context (percentages, em, ex).
double points(const RsvgLength& l) {
  switch (l.unit) {
    case RSVG_UNIT_PX: return l.length * kPointsPerInch / kCssPixelsPerInch;
    case RSVG_UNIT_IN: return l.length * kPointsPerInch;
    case RSVG_UNIT_CM: return l.length * kPointsPerInch / 2.54;
    case RSVG_UNIT_MM: return l.length * kPointsPerInch / 25.4;
    case RSVG_UNIT_PT: return l.length;
    case RSVG_UNIT_PC: return l.length * 12;
    default: return kUnknown;
  }
}

// A gzip-compressed drawing (.svgz) unpacked by us, so the limit holds for what librsvg reads: a
// few megabytes of gzip can unpack to gigabytes. Empty `error` on success.
std::vector<uint8_t> gunzip(const std::vector<uint8_t>& packed, std::string& error) {
  std::vector<uint8_t> plain;
  z_stream z{};
  if (inflateInit2(&z, 16 + MAX_WBITS) != Z_OK) return error = kSvgUnreadable, plain;
  z.next_in = const_cast<Bytef*>(packed.data());
  z.avail_in = static_cast<uInt>(packed.size());
  int status = Z_OK;
  while (status == Z_OK) {
    if (plain.size() > kMaxSvgBytes) break;
    const size_t had = plain.size();
    plain.resize(std::min<size_t>(kMaxSvgBytes + 1, std::max<size_t>(had * 2, 1 << 16)));
    z.next_out = plain.data() + had;
    z.avail_out = static_cast<uInt>(plain.size() - had);
    status = inflate(&z, Z_NO_FLUSH);
    plain.resize(plain.size() - z.avail_out);
    if (status == Z_BUF_ERROR && z.avail_in > 0) status = Z_OK;  // only the output was full
  }
  inflateEnd(&z);
  if (plain.size() > kMaxSvgBytes) error = kSvgTooLarge;
  else if (status != Z_STREAM_END) error = kSvgUnreadable;
  return plain;
}

template <typename T>
struct GFree {
  void operator()(T* p) const { g_object_unref(p); }
};

}  // namespace

struct SvgDocument::Handle {
  RsvgHandle* rsvg = nullptr;
  ~Handle() {
    if (rsvg) g_object_unref(rsvg);
  }
};

SvgDocument::SvgDocument(InputStream& in) : handle_(std::make_unique<Handle>()) {
  if (in.size() > kMaxSvgBytes) {
    error_ = kSvgTooLarge;
    return;
  }
  std::vector<uint8_t> bytes(in.size());
  if (!in.seek(0) || !in.readExact(bytes.data(), bytes.size())) {
    error_ = kSvgUnreadable;
    return;
  }
  if (bytes.size() >= 2 && bytes[0] == 0x1f && bytes[1] == 0x8b) {
    bytes = gunzip(bytes, error_);
    if (!error_.empty()) return;
  }
  std::unique_ptr<GInputStream, GFree<GInputStream>> stream(
      g_memory_input_stream_new_from_data(bytes.data(), static_cast<gssize>(bytes.size()), nullptr));
  // Without a base file librsvg resolves no reference to another file or address: a drawing
  // that is printed never makes us read or fetch anything beyond itself (its data: URLs stay).
  GError* why = nullptr;
  handle_->rsvg = rsvg_handle_new_from_stream_sync(stream.get(), nullptr, RSVG_HANDLE_FLAGS_NONE, nullptr, &why);
  if (why) g_error_free(why);
  if (!handle_->rsvg) {
    error_ = kSvgUnreadable;
    return;
  }
  gboolean hasWidth = FALSE, hasHeight = FALSE, hasViewBox = FALSE;
  RsvgLength width{}, height{};
  RsvgRectangle viewBox{};
  rsvg_handle_get_intrinsic_dimensions(handle_->rsvg, &hasWidth, &width, &hasHeight, &height, &hasViewBox, &viewBox);
  double w = hasWidth ? points(width) : kUnknown, h = hasHeight ? points(height) : kUnknown;
  if (hasViewBox && viewBox.width > 0 && viewBox.height > 0) {
    if (std::isnan(h)) h = std::isnan(w) ? viewBox.height * kPointsPerInch / kCssPixelsPerInch : w * viewBox.height / viewBox.width;
    if (std::isnan(w)) w = h * viewBox.width / viewBox.height;
  }
  if (std::isnan(w) || std::isnan(h)) {
    error_ = kSvgNoSize;
    return;
  }
  widthPt_ = w;
  heightPt_ = h;
}

SvgDocument::~SvgDocument() = default;

bool SvgDocument::draw(cairo_t* cr, double width, double height) const {
  if (!error_.empty()) return false;
  const RsvgRectangle viewport{0, 0, width, height};
  GError* why = nullptr;
  const bool drawn = rsvg_handle_render_document(handle_->rsvg, cr, &viewport, &why);
  if (why) g_error_free(why);
  return drawn && cairo_status(cr) == CAIRO_STATUS_SUCCESS;
}

}  // namespace tessaro
