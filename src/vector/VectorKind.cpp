#include "vector/VectorKind.h"

#include <zlib.h>

#include <algorithm>
#include <cstring>
#include <string_view>
#include <vector>

#include "picture/Stream.h"

namespace tessaro {

namespace {

constexpr size_t kPdfSignatureWindow = 1024;

bool startsWith(std::string_view s, std::string_view prefix) { return s.substr(0, prefix.size()) == prefix; }

// Skips what may stand before the root element: a byte order mark, white space, the XML
// declaration and other processing instructions, comments and a doctype (with its internal
// subset). Then tells whether the root element is svg, with or without a prefix.
bool hasSvgRoot(std::string_view s) {
  if (startsWith(s, "\xEF\xBB\xBF")) s.remove_prefix(3);
  for (;;) {
    const size_t start = s.find_first_not_of(" \t\r\n");
    if (start == std::string_view::npos) return false;
    s.remove_prefix(start);
    std::string_view close;
    if (startsWith(s, "<?"))
      close = "?>";
    else if (startsWith(s, "<!--"))
      close = "-->";
    else if (startsWith(s, "<!DOCTYPE") || startsWith(s, "<!doctype"))
      close = s.find('[') < s.find('>') ? "]>" : ">";
    else
      break;
    const size_t end = s.find(close);
    if (end == std::string_view::npos) return false;
    s.remove_prefix(end + close.size());
  }
  if (!startsWith(s, "<")) return false;
  s.remove_prefix(1);
  const std::string_view name = s.substr(0, s.find_first_of(" \t\r\n/>"));
  return name == "svg" || (name.size() > 4 && name.ends_with(":svg"));
}

// As many bytes as the gzip stream's start inflates to, up to the sniffing window.
std::string inflatedHead(std::span<const uint8_t> gz) {
  std::string out(kVectorSniffBytes, '\0');
  z_stream z{};
  if (inflateInit2(&z, 16 + MAX_WBITS) != Z_OK) return {};
  z.next_in = const_cast<Bytef*>(gz.data());
  z.avail_in = static_cast<uInt>(gz.size());
  z.next_out = reinterpret_cast<Bytef*>(out.data());
  z.avail_out = static_cast<uInt>(out.size());
  inflate(&z, Z_SYNC_FLUSH);
  out.resize(z.total_out);
  inflateEnd(&z);
  return out;
}

}  // namespace

VectorKind vectorKindOf(std::span<const uint8_t> head) {
  const std::string_view text(reinterpret_cast<const char*>(head.data()), head.size());
  if (text.substr(0, kPdfSignatureWindow).find("%PDF-") != std::string_view::npos) return VectorKind::Pdf;
  if (head.size() >= 2 && head[0] == 0x1f && head[1] == 0x8b)
    return hasSvgRoot(inflatedHead(head.first(std::min(head.size(), kVectorSniffBytes)))) ? VectorKind::Svg
                                                                                            : VectorKind::None;
  return hasSvgRoot(text) ? VectorKind::Svg : VectorKind::None;
}

VectorKind vectorKindOfFile(const std::string& path) {
  FileInputStream in(path);
  if (!in.isOpen()) return VectorKind::None;
  std::vector<uint8_t> head(kVectorSniffBytes);
  head.resize(in.read(head.data(), head.size()));
  return vectorKindOf(head);
}

}  // namespace tessaro
