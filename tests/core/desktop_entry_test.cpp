// The desktop entry offers the program for every file type it reads, as the system's own MIME
// database (shared-mime-info) names them.
#include <gtest/gtest.h>

#include <fstream>
#include <map>
#include <set>
#include <sstream>
#include <string>
#include <vector>

#include "picture/Codec.h"
#include "picture/CodecRegistry.h"
#include "vector/VectorFileTypes.h"

namespace {

std::set<std::string> entryMimeTypes() {
  std::ifstream in(TESSARO_TEST_DATA "/../../resources/tessaro.desktop");
  std::string line;
  std::set<std::string> types;
  while (std::getline(in, line)) {
    if (line.rfind("MimeType=", 0) != 0) continue;
    std::istringstream list(line.substr(9));
    for (std::string t; std::getline(list, t, ';');)
      if (!t.empty()) types.insert(t);
  }
  return types;
}

// "weight:type:*.ext" lines; an extension may belong to several types.
std::multimap<std::string, std::string> globTypes(std::ifstream& globs) {
  std::multimap<std::string, std::string> byExt;
  for (std::string line; std::getline(globs, line);) {
    const size_t a = line.find(':'), b = line.find(":*.", a + 1);
    if (a == std::string::npos || b == std::string::npos) continue;
    byExt.emplace(line.substr(b + 3), line.substr(a + 1, b - a - 1));
  }
  return byExt;
}

TEST(DesktopEntry, ListsTheMimeTypeOfEveryReadableExtension) {
  std::ifstream globs("/usr/share/mime/globs2");
  if (!globs) GTEST_SKIP() << "no shared-mime-info database";
  const std::set<std::string> listed = entryMimeTypes();
  ASSERT_FALSE(listed.empty());
  const auto byExt = globTypes(globs);
  std::vector<std::string> extensions;
  for (const tessaro::Codec* codec : tessaro::readableCodecs())
    for (const std::string& ext : codec->extensions()) extensions.push_back(ext);
  for (const tessaro::OpenFileType& type : tessaro::vectorFileTypes())
    extensions.insert(extensions.end(), type.extensions.begin(), type.extensions.end());
  int known = 0;
  for (const std::string& ext : extensions) {
    const auto [first, last] = byExt.equal_range(ext);
    if (first == last) continue;  // unknown to the database: found by content, not by name
    ++known;
    bool offered = false;
    for (auto it = first; it != last; ++it) offered = offered || listed.count(it->second) > 0;
    EXPECT_TRUE(offered) << "*." << ext << " (" << first->second << ")";
  }
  EXPECT_GE(known, 15);  // bmp, gif, jpg, png, tif, pcx, tga, iff and their kin; pdf, svg, svgz
}

}  // namespace
