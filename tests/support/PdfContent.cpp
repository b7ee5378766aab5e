#include "support/PdfContent.h"

#include <zlib.h>

#include <cmath>
#include <sstream>

namespace tessaro::test {

std::vector<std::string> inflatedStreams(const std::string& file) {
  std::vector<std::string> out;
  for (size_t at = file.find("stream\n"); at != std::string::npos; at = file.find("stream\n", at + 1)) {
    if (at > 0 && file[at - 1] == 'd') continue;  // "endstream"
    const size_t begin = at + 7, end = file.find("\nendstream", begin);
    if (end == std::string::npos) break;
    std::string data(64 * (end - begin) + 4096, '\0');
    uLongf size = data.size();
    if (uncompress(reinterpret_cast<Bytef*>(data.data()), &size, reinterpret_cast<const Bytef*>(file.data() + begin),
                   end - begin) == Z_OK)
      out.push_back(data.substr(0, size));
  }
  return out;
}

std::string firstPageContent(const std::string& file) {
  for (const std::string& s : inflatedStreams(file))
    if (s.find(" cm ") != std::string::npos || s.find(" cm\n") != std::string::npos) return s;
  return {};
}

std::vector<double> strokeLengths(const std::string& content, bool down) {
  std::vector<double> lengths;
  std::istringstream in(content);
  std::vector<std::string> words;
  double sx = 1, sy = 1;
  bool opening = true;  // before the first drawing: its transforms map the whole page
  for (std::string w; in >> w;) {
    words.push_back(w);
    const size_t n = words.size();
    if (w == "m" || w == "RG" || w == "rg" || w == "BT" || (w == "q" && n > 1)) opening = false;
    if (w == "cm" && opening && n >= 7) {
      sx *= std::abs(std::stod(words[n - 7]));
      sy *= std::abs(std::stod(words[n - 4]));
    }
    if (w != "S" || n < 7 || words[n - 2] != "l" || words[n - 5] != "m") continue;
    if (!down && words[n - 3] == words[n - 6])
      lengths.push_back(std::abs(std::stod(words[n - 4]) - std::stod(words[n - 7])) * sx);
    if (down && words[n - 4] == words[n - 7])
      lengths.push_back(std::abs(std::stod(words[n - 3]) - std::stod(words[n - 6])) * sy);
  }
  return lengths;
}

}  // namespace tessaro::test
