#include <gtest/gtest.h>
#include <sys/stat.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <set>
#include <vector>

#include "picture/CodecRegistry.h"
#include "state/PictureLoad.h"
#include "support/ReferenceImage.h"
#include "support/TestData.h"

using namespace tessaro;

TEST(PictureLoad, PowersOfTwoByDoubling) {
  EXPECT_EQ(zweihoch(0), 1);
  EXPECT_EQ(zweihoch(-3), 1);
  EXPECT_EQ(zweihoch(1), 2);
  EXPECT_EQ(zweihoch(4), 16);
  EXPECT_EQ(zweihoch(8), 256);
  EXPECT_EQ(zweihoch(16), 65536);
  EXPECT_EQ(zweihoch(24), 16777216);
}

TEST(PictureLoad, PreviewKeepsTheAspectInTheBox) {
  EXPECT_EQ(fitPreview(221, 194, 400, 100).width, 221);
  EXPECT_EQ(fitPreview(221, 194, 400, 100).height, 55);
  EXPECT_EQ(fitPreview(221, 194, 100, 400).width, 48);
  EXPECT_EQ(fitPreview(221, 194, 100, 400).height, 194);
  EXPECT_EQ(fitPreview(0, 194, 100, 400).width, 0);
  EXPECT_EQ(fitPreview(221, 194, 0, 0).height, 0);
}

TEST(PictureLoad, LoadingReplacesThePictureAndResetsTheFrame) {
  MainState s;
  s.Picture = newdib(320, 200, 8, nullptr, 0);
  s.poster.PosterWidth = 3.5;
  s.poster.SheetsX = 4;
  TDib pic = newdib(1024, 768, 24, nullptr, 0);
  setpixel(pic, 5, 6, 0x123456);
  const std::string path = test::tempPath("load-1024.bmp");
  ASSERT_TRUE(SaveDib(pic, path, kFormatBmp, {}));
  int lastProgress = -1;
  ASSERT_TRUE(loadPictureFile(s, path, [&](int p) { lastProgress = p; }));
  EXPECT_EQ(DibWidth(s.Picture), 1024);
  EXPECT_EQ(DibHeight(s.Picture), 768);
  EXPECT_EQ(zweihoch(DibBitCount(s.Picture)), 16777216);
  EXPECT_EQ(getpixel(s.Picture, 5, 6), 0x123456);
  EXPECT_EQ(s.CropLeft, 0);
  EXPECT_EQ(s.CropTop, 0);
  EXPECT_EQ(s.CropRight, 1024);
  EXPECT_EQ(s.CropBottom, 768);
  EXPECT_DOUBLE_EQ(s.poster.PosterWidth, 1.0);
  EXPECT_EQ(s.poster.SheetsX, 1);
  EXPECT_EQ(lastProgress, 100);
}

TEST(PictureLoad, AFailingFileChangesNothing) {
  MainState s;
  s.Picture = newdib(320, 200, 8, nullptr, 0);
  const uint8_t* bits = s.Picture.Bits;
  s.CropRight = 319;
  s.poster.PosterWidth = 2.5;
  const std::string path = test::tempPath("not-a-picture.bmp");
  FILE* f = std::fopen(path.c_str(), "wb");
  std::fputs("BM this is no picture", f);
  std::fclose(f);
  EXPECT_FALSE(loadPictureFile(s, path, {}));
  EXPECT_FALSE(loadPictureFile(s, test::tempPath("missing.bmp"), {}));
  EXPECT_EQ(s.Picture.Bits, bits);
  EXPECT_EQ(s.CropRight, 319);
  EXPECT_DOUBLE_EQ(s.poster.PosterWidth, 2.5);
}

// Every format moves the loading bar forward only and leaves it full, so the bar shows the
// last position the library gave it once a picture is in.
TEST(PictureLoad, ProgressOfEveryFormatRunsForwardToTheEnd) {
  TDib pic = newdib(9, 6, 8, nullptr, 0);
  for (int y = 0; y < 6; ++y)
    for (int x = 0; x < 9; ++x) setpixel(pic, x, y, x * 6 + y);
  for (const SaveEntry& e : saveEntries()) {
    const std::string path = test::tempPath("progress" + e.extension);
    ASSERT_TRUE(SaveDib(pic, path, e.format, {})) << e.description;
    std::vector<int> seen;
    const TDib back = OpenDib(path, 0, [&](int p) { seen.push_back(p); });
    ASSERT_FALSE(back.empty()) << e.description;
    ASSERT_FALSE(seen.empty()) << e.description;
    EXPECT_TRUE(std::is_sorted(seen.begin(), seen.end())) << e.description;
    EXPECT_EQ(seen.back(), 100) << e.description;
  }
}

// The reason reaches the caller: the system's for a file that cannot be opened, "empty" for no
// bytes even where the name would choose TGA, "unknown" for bytes no format claims (a broken
// signature is not rescued by the name; only TGA has none).
TEST(PictureLoad, ARefusedFileSaysWhy) {
  const auto write = [](const std::string& name, const std::string& bytes) {
    const std::string path = test::tempPath(name);
    FILE* f = std::fopen(path.c_str(), "wb");
    std::fwrite(bytes.data(), 1, bytes.size(), f);
    std::fclose(f);
    return path;
  };
  const auto fifo = [](const std::string& name) {
    const std::string path = test::tempPath(name);
    ::mkfifo(path.c_str(), 0644);
    return path;
  };
  const std::string gif(std::string("GIF88a\x01\x00\x01\x00\x00\x00\x00", 13) + std::string(40, '\0'));
  const struct {
    std::string path;
    FileFault fault;
    int sysError;
    const char* text;
  } cases[] = {
      {test::tempPath("missing.png"), FileFault::Unreadable, ENOENT,
       "Die Datei ist nicht lesbar. Die Datei oder ihr Ordner existiert nicht."},
      {test::tempPath(""), FileFault::NotAFile, 0, "Das ist ein Ordner, keine Datei."},
      // No writer will come: refused at once rather than waited for.
      {fifo("no-writer.bmp"), FileFault::NotAFile, 0, "Das ist ein FIFO, keine Datei."},
      {write("empty.bmp", ""), FileFault::Empty, 0, "Die Datei ist leer."},
      {write("empty.tga", ""), FileFault::Empty, 0, "Die Datei ist leer."},
      {write("broken-signature.gif", gif), FileFault::UnknownFormat, 0, "Das ist keine Bilddatei, die Tessaro kennt."},
      {write("short.bmp", "BM\x10"), FileFault::Damaged, 0, "Die Datei ist bei Byte 3 beschädigt oder unvollständig."},
      // Scrambled from byte 4500 on; the decoder has read into that byte when it meets a code
      // that no table holds, far before the end of the first 64 KiB it buffers.
      {test::dataPath("jpeg/bad-huffman-code-at-4500.jpg"), FileFault::Damaged, 0,
       "Die Datei ist bei Byte 4501 beschädigt oder unvollständig."},
  };
  for (const auto& c : cases) {
    FileError why;
    EXPECT_TRUE(OpenDib(c.path, 0, {}, &why).empty()) << c.path;
    EXPECT_EQ(why.fault, c.fault) << c.path;
    EXPECT_EQ(why.sysError, c.sysError) << c.path;
    EXPECT_EQ(describeFileError(why), c.text) << c.path;
  }
}

// Each errno a file operation may meet has German words of its own; only one the program does
// not know keeps the system's (English) text.
TEST(PictureLoad, SystemErrorsHaveGermanWordsOfTheirOwn) {
  const int known[] = {ENOENT, EACCES, EPERM,  ENOSPC, EDQUOT, EROFS,  EISDIR, ENOTDIR,
                       ENAMETOOLONG, ESPIPE, EIO, ENOMEM, EEXIST, ELOOP, EBUSY, ETXTBSY};
  std::set<std::string> texts;
  for (const int e : known) {
    const std::string text = describeSystemError(e);
    EXPECT_EQ(text.find(std::strerror(e)), std::string::npos) << text;
    EXPECT_FALSE(text.starts_with("Systemfehler")) << text;
    texts.insert(text);
  }
  EXPECT_EQ(texts.size(), std::size(known));
  EXPECT_EQ(describeSystemError(EDOM), std::string("Systemfehler: ") + std::strerror(EDOM));
}
