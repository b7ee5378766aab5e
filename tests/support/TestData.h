#pragma once
#include <string>

namespace tessaro::test {
// Folder of the sample and fixture files kept under tests/data.
inline std::string dataPath(const std::string& name) { return std::string(TESSARO_TEST_DATA) + "/" + name; }
}  // namespace tessaro::test
