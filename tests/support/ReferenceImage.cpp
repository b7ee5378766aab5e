#include "support/ReferenceImage.h"

#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>

#include "picture/Dib.h"

namespace tessaro::test {

namespace {
std::string quote(const std::string& s) {
  std::string q = "'";
  for (char c : s) {
    if (c == '\'')
      q += "'\\''";
    else
      q += c;
  }
  return q + "'";
}

// JPEG XL, which convert cannot read, is decoded by djxl first, into sRGB as ours is. Float samples
// need a depth named for PNG; this djxl's depth option fails for all other files.
std::string readableByConvert(const std::string& path) {
  if (!path.ends_with(".jxl")) return path;
  const std::string png = tempPath(std::filesystem::path(path).filename().string() + ".djxl.png");
  const std::string cmd = "djxl " + quote(path) + " " + quote(png) + " --quiet --color_space=RGB_D65_SRG_Rel_SRG";
  const std::string quiet = " >/dev/null 2>&1";
  if (std::system((cmd + quiet).c_str()) == 0 || std::system((cmd + " --bits_per_sample=16" + quiet).c_str()) == 0)
    return png;
  return {};
}
}  // namespace

Resolution referenceResolution(const std::string& path) {
  const std::string cmd = "/usr/bin/convert " + quote(path + "[0]") + " -format '%x %y %U' info: 2>/dev/null";
  FILE* p = popen(cmd.c_str(), "r");
  if (!p) return {};
  double x = 0, y = 0;
  char unit[32] = {};
  const int n = std::fscanf(p, "%lf %lf %31s", &x, &y, unit);
  pclose(p);
  if (n != 3) return {};
  if (std::string(unit) == "PixelsPerInch") return {x, y};
  if (std::string(unit) == "PixelsPerCentimeter") return {x * 2.54, y * 2.54};
  return {};
}

std::optional<RgbImage> referenceDecode(const std::string& jxlOrOther, const std::string& readArgs,
                                        const std::string& operators) {
  const std::string path = readableByConvert(jxlOrOther);
  if (path.empty()) return std::nullopt;
  const std::string input = readArgs + " " + quote(path + "[0]") + " " + operators;
  const std::string sizeCmd = "/usr/bin/convert " + input + " -format '%w %h\\n' info: 2>/dev/null";
  FILE* p = popen(sizeCmd.c_str(), "r");
  if (!p) return std::nullopt;
  RgbImage img;
  const int n = std::fscanf(p, "%d %d", &img.width, &img.height);
  pclose(p);
  if (n != 2 || img.width <= 0 || img.height <= 0) return std::nullopt;
  // Alpha is flattened onto white, as our decoders do.
  const std::string cmd =
      "/usr/bin/convert " + input + " -background white -alpha remove -alpha off -depth 8 rgb:- 2>/dev/null";
  p = popen(cmd.c_str(), "r");
  if (!p) return std::nullopt;
  img.rgb.resize(static_cast<size_t>(img.width) * img.height * 3);
  const size_t got = std::fread(img.rgb.data(), 1, img.rgb.size(), p);
  const int rc = pclose(p);
  if (got != img.rgb.size() || rc != 0) return std::nullopt;
  return img;
}

bool referenceEncode(const RgbImage& image, const std::string& path, const std::string& extraArgs) {
  const std::string raw = path + ".raw.rgb";
  {
    FILE* f = std::fopen(raw.c_str(), "wb");
    if (!f) return false;
    std::fwrite(image.rgb.data(), 1, image.rgb.size(), f);
    std::fclose(f);
  }
  const std::string cmd = "/usr/bin/convert -size " + std::to_string(image.width) + "x" + std::to_string(image.height) +
                          " -depth 8 rgb:" + quote(raw) + " " + extraArgs + " " + quote(path) + " 2>/dev/null";
  const int rc = std::system(cmd.c_str());
  std::remove(raw.c_str());
  return rc == 0;
}

RgbImage dibToRgb(const TDib& dib) {
  RgbImage img;
  img.width = DibWidth(dib);
  img.height = DibHeight(dib);
  img.rgb.resize(static_cast<size_t>(img.width) * img.height * 3);
  const int bits = DibBitCount(dib);
  for (int y = 0; y < img.height; ++y)
    for (int x = 0; x < img.width; ++x) {
      const int32_t v = getpixel(dib, x, y);
      uint8_t r, g, b;
      if (bits == 24) {
        b = static_cast<uint8_t>(v);
        g = static_cast<uint8_t>(v >> 8);
        r = static_cast<uint8_t>(v >> 16);
      } else {
        const RgbQuad& q = dib.colors()[v];
        r = q.rgbRed;
        g = q.rgbGreen;
        b = q.rgbBlue;
      }
      const size_t i = (static_cast<size_t>(y) * img.width + x) * 3;
      img.rgb[i] = r;
      img.rgb[i + 1] = g;
      img.rgb[i + 2] = b;
    }
  return img;
}

std::string tempPath(const std::string& name) {
  static const std::string dir = [] {
    std::string t = (std::filesystem::temp_directory_path() / "tessaro-test-XXXXXX").string();
    std::vector<char> buf(t.begin(), t.end());
    buf.push_back('\0');
    const char* made = mkdtemp(buf.data());
    return std::string(made ? made : "/tmp");
  }();
  return dir + "/" + name;
}

int maxChannelDifference(const RgbImage& a, const RgbImage& b) {
  if (a.width != b.width || a.height != b.height || a.rgb.size() != b.rgb.size()) return -1;
  int worst = 0;
  for (size_t i = 0; i < a.rgb.size(); ++i) worst = std::max(worst, std::abs(int{a.rgb[i]} - int{b.rgb[i]}));
  return worst;
}

}  // namespace tessaro::test
