#pragma once
// SANE's test backend with one device, "test:0", through a private configuration folder while
// the object lives.
#include <gtest/gtest.h>

#include <QFile>
#include <QTemporaryDir>
#include <utility>

namespace tessaro::test {

struct SaneTestBackend {
  SaneTestBackend() {
    for (const auto& [name, text] :
         {std::pair{"dll.conf", "test\n"}, std::pair{"test.conf", "number_of_devices 1\n"}}) {
      QFile f(folder.filePath(name));
      EXPECT_TRUE(f.open(QIODevice::WriteOnly));
      f.write(text);
    }
    qputenv("SANE_CONFIG_DIR", folder.path().toLocal8Bit());
  }
  ~SaneTestBackend() { qunsetenv("SANE_CONFIG_DIR"); }
  QTemporaryDir folder;
};

}  // namespace tessaro::test
