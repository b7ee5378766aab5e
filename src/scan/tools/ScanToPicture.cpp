// Scans into a picture the way the window does, and stops there (or saves it as BMP with -o):
// bench/peers.sh times it beside scanimage and compares the pixels.
//   scan-to-picture DEVICE [NAME=VALUE ...] [-o FILE.bmp]
#include <cstdio>
#include <cstdlib>
#include <string>

#include "picture/CodecRegistry.h"
#include "scan/SaneScanner.h"

using namespace tessaro;

namespace {
OptionSetting settingOf(const std::string& arg) {
  const size_t eq = arg.find('=');
  OptionSetting s{arg.substr(0, eq), 0, eq == std::string::npos ? "" : arg.substr(eq + 1)};
  char* end = nullptr;
  const double n = std::strtod(s.text.c_str(), &end);
  if (s.text == "yes") s.number = 1;
  if (!s.text.empty() && end && *end == '\0') s.number = n;
  return s;
}
}  // namespace

int main(int argc, char** argv) {
  if (argc < 2) {
    std::fprintf(stderr, "usage: %s DEVICE [NAME=VALUE ...] [-o FILE.bmp]\n", argv[0]);
    return 2;
  }
  std::vector<OptionSetting> settings;
  std::string out;
  for (int i = 2; i < argc; ++i) {
    if (std::string(argv[i]) == "-o" && i + 1 < argc)
      out = argv[++i];
    else
      settings.push_back(settingOf(argv[i]));
  }
  SaneScanner scanner;
  ScanError why;
  scanner.openDevice(argv[1], why);
  const TDib picture = why ? TDib() : scanner.scan(settings, {}, why);
  if (picture.empty()) {
    std::fprintf(stderr, "%s\n", describeScanError(why).c_str());
    return 1;
  }
  if (!out.empty() && !SaveDib(picture, out, kFormatBmp, {})) return 1;
  std::printf("%d x %d, %d bit\n", DibWidth(picture), DibHeight(picture), DibBitCount(picture));
  return 0;
}
