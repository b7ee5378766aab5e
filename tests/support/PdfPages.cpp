#include "support/PdfPages.h"

#include <stdlib.h>
#include <unistd.h>

#include <array>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <regex>
#include <sstream>

namespace tessaro::test {

namespace {

std::string quoted(const std::string& s) {
  std::string q = "'";
  for (char c : s) q += c == '\'' ? std::string("'\\''") : std::string(1, c);
  return q + "'";
}

std::optional<std::string> output(const std::string& command) {
  FILE* p = ::popen(command.c_str(), "r");
  if (!p) return std::nullopt;
  std::string out;
  std::array<char, 4096> buf;
  size_t n;
  while ((n = std::fread(buf.data(), 1, buf.size(), p)) > 0) out.append(buf.data(), n);
  return ::pclose(p) == 0 ? std::optional(out) : std::nullopt;
}

}  // namespace

Color RgbPage::at(int x, int y) const {
  const size_t i = (static_cast<size_t>(y) * width + x) * 3;
  return rgbColor(rgb[i], rgb[i + 1], rgb[i + 2]);
}

std::optional<RgbPage> renderPdfPage(const std::string& pdf, int page, int dpi, bool cropBox,
                                     const std::optional<PageWindow>& window, bool smooth) {
  const std::string n = std::to_string(page);
  const std::string part = window ? " -x " + std::to_string(window->x) + " -y " + std::to_string(window->y) + " -W " +
                                        std::to_string(window->w) + " -H " + std::to_string(window->h)
                                  : "";
  const auto ppm = output("pdftoppm -r " + std::to_string(dpi) + (smooth ? "" : " -aa no -aaVector no") +
                          (cropBox ? " -cropbox" : "") + part + " -f " + n + " -l " + n + " " + quoted(pdf));
  if (!ppm) return std::nullopt;
  std::istringstream in(*ppm);
  std::string magic;
  int max = 0;
  RgbPage result;
  in >> magic >> result.width >> result.height >> max;
  in.get();
  if (magic != "P6" || max != 255) return std::nullopt;
  result.rgb.assign(std::istreambuf_iterator<char>(in), {});
  if (result.rgb.size() != static_cast<size_t>(result.width) * result.height * 3) return std::nullopt;
  return result;
}

std::string pdfText(const std::string& pdf) { return output("pdftotext -layout " + quoted(pdf) + " -").value_or(""); }

int pdfPageCount(const std::string& pdf) {
  const auto info = output("pdfinfo " + quoted(pdf) + " 2>/dev/null | awk '/^Pages:/ {print $2}'");
  return info ? std::atoi(info->c_str()) : 0;
}

std::string pdfImageEncoding(const std::string& pdf) {
  const auto list = output("pdfimages -list " + quoted(pdf) + " 2>/dev/null | awk 'NR == 3 {print $9}'");
  return list && !list->empty() ? list->substr(0, list->size() - 1) : std::string();
}

std::optional<PlacedSize> largestImagePlacement(const std::string& pdf) {
  const auto qdf = output("qpdf --qdf --object-streams=disable " + quoted(pdf) + " - 2>/dev/null");
  if (!qdf) return std::nullopt;
  // "q a 0 0 d e f cm" starts a page's content in device pixels; "... a 0 0 d e f cm /ImN Do"
  // places an image.
  static const std::regex matrix(R"((-?[\d.]+) 0 0 (-?[\d.]+) -?[\d.]+ -?[\d.]+ cm( /Im\d+ Do)?)");
  double pageX = 1, pageY = 1;
  std::optional<PlacedSize> largest;
  for (auto it = std::sregex_iterator(qdf->begin(), qdf->end(), matrix); it != std::sregex_iterator(); ++it) {
    const double a = std::abs(std::stod((*it)[1])), d = std::abs(std::stod((*it)[2]));
    if (!(*it)[3].matched) {
      pageX = a, pageY = d;
      continue;
    }
    const PlacedSize size{a * pageX / 72 * 2.54, d * pageY / 72 * 2.54};
    if (!largest || size.widthCm > largest->widthCm) largest = size;
  }
  return largest;
}

int64_t differingPixels(const RasterDevice& want, const RgbPage& page, int offsetX, int offsetY, int tolerance) {
  int64_t differing = 0;
  for (int32_t y = 0; y < want.height(); ++y) {
    for (int32_t x = 0; x < want.width(); ++x) {
      const Color a = want.pixel(x, y), b = page.at(x + offsetX, y + offsetY);
      differing += std::abs(colorRed(a) - colorRed(b)) > tolerance ||
                   std::abs(colorGreen(a) - colorGreen(b)) > tolerance ||
                   std::abs(colorBlue(a) - colorBlue(b)) > tolerance;
    }
  }
  return differing;
}

}  // namespace tessaro::test
