// The PDF writer checked with poppler's tools, which share no code with our writer: pictures come out
// byte for byte and once per file, pages look like the raster pages of the same job, notes are
// text, and a failed write keeps the old file.
#include <gtest/gtest.h>
#include <stdlib.h>
#include <sys/resource.h>
#include <sys/stat.h>

#include <algorithm>
#include <array>
#include <cmath>
#include <csignal>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <functional>
#include <optional>
#include <random>
#include <sstream>
#include <string>
#include <vector>

#include "pdf/PdfPrintService.h"
#include "picture/CodecRegistry.h"
#include "picture/DrawDib.h"
#include "picture/MirrorRotate.h"
#include "print/GlueNotes.h"
#include "print/PosterPrintJob.h"
#include "retouch/Tones.h"
#include "support/FakePrintService.h"
#include "support/PdfContent.h"
#include "support/PdfPages.h"
#include "support/PosterPictures.h"
#include "support/TestData.h"

using namespace tessaro;
namespace fs = std::filesystem;

namespace {

// A small page of the given resolution: pdftoppm -r dpi renders it pixel for pixel.
PageMetrics pageAt(int32_t dpi) { return test::smallPage(400, 560, 10, dpi); }
PageMetrics page72() { return pageAt(72); }

struct TempDir {
  fs::path path;
  TempDir() {
    std::string t = (fs::temp_directory_path() / "tessaro-pdf-XXXXXX").string();
    path = ::mkdtemp(t.data());
  }
  ~TempDir() {
    std::error_code ec;
    fs::remove_all(path, ec);
  }
};

// Standard output of a shell command; empty when it failed.
std::string run(const std::string& command) {
  std::string out;
  FILE* p = ::popen(command.c_str(), "r");
  if (!p) return out;
  std::array<char, 4096> buf;
  size_t n;
  while ((n = std::fread(buf.data(), 1, buf.size(), p)) > 0) out.append(buf.data(), n);
  return ::pclose(p) == 0 ? out : std::string();
}

std::string slurp(const fs::path& p) {
  std::ifstream in(p, std::ios::binary);
  return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

struct Ppm {
  int width = 0, height = 0;
  std::string rgb;  // rows from the top
  Color at(int x, int y) const {
    const size_t i = (static_cast<size_t>(y) * width + x) * 3;
    return rgbColor(rgb[i], rgb[i + 1], rgb[i + 2]);
  }
};

// A binary 8-bit PPM (P6) as poppler writes it.
Ppm readPpm(const fs::path& p) {
  std::istringstream in(slurp(p));
  std::string magic;
  int max = 0;
  Ppm ppm;
  in >> magic >> ppm.width >> ppm.height >> max;
  in.get();
  if (magic != "P6" || max != 255) return {};
  ppm.rgb.assign(std::istreambuf_iterator<char>(in), {});
  return ppm;
}

// The picture's colours as RGB bytes, top row first.
std::string pictureRgb(const TDib& dib) {
  std::string rgb;
  for (int32_t y = 0; y < DibHeight(dib); ++y) {
    for (int32_t x = 0; x < DibWidth(dib); ++x) {
      const uint32_t v = static_cast<uint32_t>(getpixel(dib, x, y));
      if (DibBitCount(dib) == 24) {
        rgb += {static_cast<char>(v >> 16), static_cast<char>(v >> 8), static_cast<char>(v)};
      } else {
        const RgbQuad& q = dib.info()->bmiColors[v];
        rgb += {static_cast<char>(q.rgbRed), static_cast<char>(q.rgbGreen), static_cast<char>(q.rgbBlue)};
      }
    }
  }
  return rgb;
}

// Palette pictures get a random table, except at 1 bit: pdfimages writes those as black and
// white whatever the table, so the picture's table is black and white too.
TDib noisePicture(int32_t w, int32_t h, int bits, unsigned seed) {
  std::mt19937 random(seed);
  BitmapInfo table;
  for (RgbQuad& q : table.bmiColors)
    q = {static_cast<uint8_t>(random()), static_cast<uint8_t>(random()), static_cast<uint8_t>(random()), 0};
  if (bits == 1) {
    table.bmiColors[0] = {0, 0, 0, 0};
    table.bmiColors[1] = {255, 255, 255, 0};
  }
  const uint32_t values = bits <= 8 ? 1u << bits : 1u << 24;
  TDib dib = newdib(w, h, bits, &table, bits <= 8 ? static_cast<int32_t>(values) : 0);
  for (int32_t y = 0; y < h; ++y)
    for (int32_t x = 0; x < w; ++x) setpixel(dib, x, y, static_cast<int32_t>(random() & (values - 1)));
  return dib;
}

struct Job {
  PosterState poster = test::wholeSheets(3, 2);
  Options options;
  GlueMargins glue{8, 8};
  SheetGrid off;
  PosterPrintRequest request{PrintOrder::Rows, true};
  Job() { off.toggle(1, 0); }
  PosterPrintResult print(PrintService& printer, const TDib& picture) const {
    return printPoster(printer, picture, poster, options, glue, off, request);
  }
};

}  // namespace

TEST(PdfExport, StoresEachPictureOnceAndByteForByte) {
  const struct {
    const char* name;
    int bits;
  } cases[] = {{"24-bit noise", 24}, {"8-bit palette", 8}, {"4-bit palette", 4}, {"1-bit palette", 1}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    TempDir dir;
    const TDib picture = noisePicture(37, 23, c.bits, 7);
    const fs::path pdf = dir.path / "poster.pdf";
    PdfPrintService printer(pdf.string(), page72());
    const PosterPrintResult result = Job().print(printer, picture);
    ASSERT_EQ(result.status, PosterPrintResult::Status::Printed) << result.message;
    EXPECT_EQ(result.pagesPrinted, 5);
    EXPECT_EQ(printer.jobFile(), pdf.string());
    EXPECT_EQ(run("pdfinfo '" + pdf.string() + "' | awk '/^Pages:/ {print $2}'"), "5\n");
    // Every page draws its band of one image object (a band of a few pixels in pieces).
    const std::string list = "pdfimages -list '" + pdf.string() + "' | awk 'NR > 2 {print $1, $11}'";
    EXPECT_EQ(run(list + " | awk '{print $1}' | sort -u | wc -l"), "5\n");
    EXPECT_EQ(run(list + " | awk '{print $2}' | sort -u | wc -l"), "1\n");
    // Its colours are sRGB by an ICC profile, which the file holds once.
    EXPECT_EQ(run("pdfimages -list '" + pdf.string() + "' | awk 'NR > 2 {print $6}' | sort -u"),
              c.bits == 24 ? "icc\n" : "index\n");
    EXPECT_EQ(run("grep -ac '/N 3 /Alternate /DeviceRGB' '" + pdf.string() + "'"), "1\n");
    const std::string img = (dir.path / "img").string();
    run("pdfimages -png -f 1 -l 1 '" + pdf.string() + "' '" + img + "' && convert '" + img +
        "-000.png' -depth 8 'ppm:" + img + ".ppm'");
    const Ppm image = readPpm(img + ".ppm");
    EXPECT_EQ(image.width, 37);
    EXPECT_EQ(image.height, 23);
    EXPECT_TRUE(image.rgb == pictureRgb(picture));
  }
}

TEST(PdfExport, PagesMatchTheRasterPagesOfTheSameJob) {
  // Notes off: the raster test device draws blocks for text (notes are checked as text below).
  Job job;
  job.options.OptGlueLines = true;
  job.options.OptEdgeHints = false;
  job.options.OptNoEdgeLines = false;
  const TDib picture = test::blockPicture(36, 24, 6, 4);
  test::FakePrintService raster(page72());
  ASSERT_TRUE(job.print(raster, picture).ok());
  ASSERT_EQ(raster.pageCount(), 5u);
  // The same device pixels at a point each and at half a point each.
  for (const int32_t dpi : {72, 144}) {
    SCOPED_TRACE(std::to_string(dpi) + " dpi");
    const PageMetrics m = pageAt(dpi);
    TempDir dir;
    const fs::path pdf = dir.path / "poster.pdf";
    PdfPrintService printer(pdf.string(), m);
    ASSERT_TRUE(job.print(printer, picture).ok());
    for (size_t i = 0; i < raster.pageCount(); ++i) {
      SCOPED_TRACE("page " + std::to_string(i + 1));
      const std::string base = (dir.path / ("page" + std::to_string(i))).string();
      const std::string n = std::to_string(i + 1);
      ASSERT_FALSE(run("pdftoppm -r " + std::to_string(dpi) + " -aa no -aaVector no -f " + n + " -l " + n +
                       " -singlefile '" + pdf.string() + "' '" + base + "' && echo ok")
                       .empty());
      const Ppm page = readPpm(base + ".ppm");
      ASSERT_EQ(page.width, m.physicalWidth);
      ASSERT_EQ(page.height, m.physicalHeight);
      const test::RasterDevice& want = *raster.rasterPage(i);
      // Neighbouring blocks differ by 20 in one channel.
      constexpr int kTolerance = 8;
      int64_t differing = 0;
      for (int32_t y = 0; y < want.height(); ++y) {
        for (int32_t x = 0; x < want.width(); ++x) {
          const Color a = want.pixel(x, y), b = page.at(x + m.offsetX, y + m.offsetY);
          differing += std::abs(colorRed(a) - colorRed(b)) > kTolerance ||
                       std::abs(colorGreen(a) - colorGreen(b)) > kTolerance ||
                       std::abs(colorBlue(a) - colorBlue(b)) > kTolerance;
        }
      }
      // Rounding at band edges may move a row or column of pixels, not more.
      EXPECT_LE(differing, 2 * (want.width() + want.height())) << differing;
      // The border outside the printable area stays blank.
      EXPECT_EQ(page.at(m.offsetX / 2, m.offsetY / 2), kWhite);
    }
  }
}

TEST(PdfExport, OverviewRulersAreTrueToLengthInPoints) {
  // 100 mm is 283.46 pt, 4 inches 288 pt: read back from the page's own strokes. A page scale
  // (a printer's calibration) stretches them by exactly its factor across, and everything else on
  // the pages with them: each page is the unscaled drawing under the one transform.
  struct Case {
    int32_t dpi;
    Calibration scale;
    std::string transform;
  };
  const Case cases[] = {{300, {}, ""},
                        {600, {}, ""},
                        {600, {1.01, 0.99}, "1.01 0 0 0.99 0 0 cm\n"},
                        {300, {0.99, 1.01}, "0.99 0 0 1.01 0 0 cm\n"}};
  for (const Case& c : cases) {
    SCOPED_TRACE(std::to_string(c.dpi) + " dpi, " + c.transform);
    TempDir dir;
    const PageMetrics m = test::smallPage(c.dpi * 8, c.dpi * 11, c.dpi / 4, c.dpi);
    const fs::path pdf = dir.path / "poster.pdf", plain = dir.path / "plain.pdf";
    PdfPrintService printer(pdf.string(), m), unscaled(plain.string(), m);
    printer.setPageScale(c.scale);
    Job job;
    job.request.overviewPage = true;
    ASSERT_TRUE(job.print(printer, test::blockPicture(36, 24, 6, 4)).ok());
    ASSERT_TRUE(job.print(unscaled, test::blockPicture(36, 24, 6, 4)).ok());
    const std::string page = test::firstPageContent(slurp(pdf));
    ASSERT_FALSE(page.empty());
    int tenCentimetres = 0, fourInches = 0;
    for (const double length : test::strokeLengths(page)) {
      tenCentimetres += std::abs(length - 283.46 * c.scale.horizontal) < 0.05;
      fourInches += std::abs(length - 288.0 * c.scale.horizontal) < 0.05;
    }
    EXPECT_EQ(tenCentimetres, 1);
    EXPECT_EQ(fourInches, 1);
    std::vector<std::string> want = test::inflatedStreams(slurp(plain));
    const std::string opening = " re W n 1 w 0 J\n";
    for (std::string& s : want)
      if (const size_t at = s.find(opening); at != std::string::npos) s.insert(at + opening.size(), c.transform);
    EXPECT_EQ(test::inflatedStreams(slurp(pdf)), want);
  }
}

TEST(PdfExport, NotesAreText) {
  TempDir dir;
  const fs::path pdf = dir.path / "poster.pdf";
  PdfPrintService printer(pdf.string(), page72());
  Job job;
  ASSERT_TRUE(job.print(printer, test::blockPicture(36, 24, 6, 4)).ok());
  // The standard Helvetica, not embedded: every viewer has it or one of the same widths.
  const std::string fonts = run("pdffonts '" + pdf.string() + "' | awk 'NR > 2 {print $1, $4, $5}'");
  EXPECT_EQ(fonts, "Helvetica WinAnsi no\n");
  // Only the first sheet of the first row carries a note ((1, 0) is skipped, the last column
  // and row carry none): one line in the bottom strip.
  const std::string text = run("pdftotext -f 1 -l 1 '" + pdf.string() + "' -");
  EXPECT_NE(text.find(std::string(kGlueNote)), std::string::npos) << text;
  EXPECT_EQ(run("pdftotext -f 2 -l 2 '" + pdf.string() + "' -").find("Klebstoff"), std::string::npos);
}

// Draws the whole picture on the page as it is, a device pixel per picture pixel.
void drawWhole(PrintService& printer, const TDib& picture) {
  DrawDib(printer.page(), 0, 0, DibWidth(picture), DibHeight(picture), picture, 0, 0, DibWidth(picture),
          DibHeight(picture), false, SRCCOPY);
}

// While alive, no file may grow beyond `bytes`: writing past it fails with EFBIG.
class FileSizeLimit {
 public:
  explicit FileSizeLimit(rlim_t bytes) {
    ::getrlimit(RLIMIT_FSIZE, &old_);
    signal_ = std::signal(SIGXFSZ, SIG_IGN);
    const rlimit limit{bytes, old_.rlim_max};
    ::setrlimit(RLIMIT_FSIZE, &limit);
  }
  ~FileSizeLimit() {
    ::setrlimit(RLIMIT_FSIZE, &old_);
    std::signal(SIGXFSZ, signal_);
  }

 private:
  rlimit old_{};
  void (*signal_)(int);
};

TEST(PdfExport, DocumentsAreWellFormed) {
  const TDib picture = noisePicture(37, 23, 24, 3);
  const struct {
    const char* name;
    std::function<void(PrintService&)> draw;
    const char* title;  // as pdfinfo shows it
    const char* pages;
    const char* images;  // distinct image objects
  } cases[] = {
      {"poster", [&](PrintService& p) { EXPECT_TRUE(Job().print(p, picture).ok()); }, "Tessaro Poster", "5", "1"},
      {"unnamed rows twice, German title",
       [&](PrintService& p) {
         p.setTitle("Größe – Maß");
         ASSERT_TRUE(p.beginDoc());
         // Without the picture's identity each call stores its rows anew.
         const BitmapInfo& info = *picture.info();
         EXPECT_EQ(p.page().setDIBitsToDevice(0, 0, 37, 23, 0, 0, 0, 23, picture.Bits, info), 23);
         EXPECT_EQ(p.page().setDIBitsToDevice(50, 0, 37, 23, 0, 0, 0, 23, picture.Bits, info), 23);
         EXPECT_TRUE(p.endDoc());
       },
       "Größe – Maß", "1", "2"},
      {"two empty pages",
       [](PrintService& p) {
         ASSERT_TRUE(p.beginDoc());
         EXPECT_TRUE(p.newPage());
         EXPECT_TRUE(p.endDoc());
       },
       "", "2", "0"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    TempDir dir;
    const std::string pdf = (dir.path / "doc.pdf").string();
    PdfPrintService printer(pdf, page72());
    c.draw(printer);
    ASSERT_EQ(printer.jobFile(), pdf);
    // Poppler mends a broken cross-reference table quietly on stdout's side but says so on stderr.
    const std::string info = run("pdfinfo '" + pdf + "' 2>&1");
    EXPECT_EQ(info.find("rror"), std::string::npos) << info;
    EXPECT_EQ(run("pdfinfo '" + pdf + "' | sed -n 's/^Title: *//p'"), c.title + std::string(c.title[0] ? "\n" : ""));
    EXPECT_EQ(run("pdfinfo '" + pdf + "' | sed -n 's/^Creator: *//p'"), "Tessaro\n");
    // A viewer's print dialog is told to print at the true size.
    EXPECT_NE(run("grep -a '/Type /Catalog' '" + pdf + "'").find("/ViewerPreferences << /PrintScaling /None >>"),
              std::string::npos);
    EXPECT_EQ(run("pdfinfo '" + pdf + "' | sed -n 's/^Pages: *//p'"), c.pages + std::string("\n"));
    EXPECT_EQ(run("pdfimages -list '" + pdf + "' | awk 'NR > 2 {print $11}' | sort -u | wc -l"),
              c.images + std::string("\n"));
    EXPECT_EQ(run("pdftoppm -r 20 '" + pdf + "' '" + (dir.path / "page").string() + "' 2>&1 && echo ok"), "ok\n");
  }
}

TEST(PdfExport, TextIsSetAsMeasured) {
  // Widths by hand from the standard Helvetica metrics at 40 points; a missing character is '?'.
  const struct {
    const char* utf8;
    const char* shown;
    int32_t width;
  } cases[] = {{"Rand für Klebstoff", "Rand für Klebstoff", 320},  // 8004 / 25
               {"Größe – ß", "Größe – ß", 182},                    // 4557 / 25
               {"Pfeil → hier", "Pfeil ? hier", 189}};             // 4724 / 25
  for (const auto& c : cases) {
    SCOPED_TRACE(c.utf8);
    TempDir dir;
    const std::string pdf = (dir.path / "text.pdf").string();
    PdfPrintService printer(pdf, page72());
    ASSERT_TRUE(printer.beginDoc());
    printer.page().setFontHeight(-40);
    const TextSize size = printer.page().textExtent(c.utf8);
    printer.page().textOut(20, 100, c.utf8);
    ASSERT_TRUE(printer.endDoc());
    EXPECT_EQ(size.width, c.width);
    EXPECT_EQ(run("pdftotext '" + pdf + "' - | head -1"), c.shown + std::string("\n"));
    // Where poppler, from the file's own widths, puts the line (72 dpi: a point is a pixel).
    std::istringstream line(run("pdftotext -bbox-layout '" + pdf + "' - | grep -m1 '<line' | tr -c '0-9.\\n' ' '"));
    double xMin = 0, yMin = 0, xMax = 0;
    line >> xMin >> yMin >> xMax;
    EXPECT_NEAR(xMin, 20 + page72().offsetX, 0.01);
    EXPECT_NEAR(xMax - xMin, size.width, 0.5);
  }
}

TEST(PdfExport, AFailedWriteKeepsTheOldFileAndSaysWhy) {
  TempDir dir;
  const fs::path kept = dir.path / "kept.pdf", writable = dir.path / "writable.pdf";
  std::ofstream(kept) << "old";
  ::chmod(kept.c_str(), 0444);
  std::ofstream(writable) << "old";
  // Noise does not compress: its image alone outgrows the limit, well before the last page.
  const TDib noise = noisePicture(200, 150, 24, 5), blocks = test::blockPicture(36, 24, 6, 4);
  const struct {
    const char* name;
    fs::path target;
    rlim_t sizeLimit;  // 0: none
    bool abort;        // the job is dropped, which is no failure
  } cases[] = {{"write-protected file", kept, 0, false},
               {"missing folder", dir.path / "gone" / "poster.pdf", 0, false},
               {"file too large half way", writable, 20000, false},
               {"aborted job", writable, 0, true}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    PdfPrintService printer(c.target.string(), page72());
    if (c.abort) {
      ASSERT_TRUE(printer.beginDoc());
      drawWhole(printer, noise);
      printer.abortDoc();
      EXPECT_FALSE(printer.fileError());
    } else {
      std::optional<FileSizeLimit> limit;
      if (c.sizeLimit) limit.emplace(c.sizeLimit);
      const PosterPrintResult result = Job().print(printer, c.sizeLimit ? noise : blocks);
      limit.reset();
      EXPECT_EQ(result.status, PosterPrintResult::Status::Failed);
      EXPECT_FALSE(result.message.empty());
      EXPECT_EQ(result.message, describeFileError(printer.fileError()));
    }
    EXPECT_TRUE(printer.jobFile().empty());
  }
  EXPECT_EQ(slurp(kept), "old");
  EXPECT_EQ(slurp(writable), "old");
  // No temporary file is left beside them.
  EXPECT_EQ(std::distance(fs::directory_iterator(dir.path), fs::directory_iterator()), 2);
}

// Peak signal to noise ratio of two byte strings of one size, in dB; 99 for equal ones.
double psnr(const std::string& a, const std::string& b) {
  if (a.size() != b.size() || a.empty()) return 0;
  double sum = 0;
  for (size_t i = 0; i < a.size(); ++i) {
    const double d = static_cast<uint8_t>(a[i]) - static_cast<uint8_t>(b[i]);
    sum += d * d;
  }
  return sum == 0 ? 99 : 10 * std::log10(255.0 * 255.0 * static_cast<double>(a.size()) / sum);
}

// What a PDF that holds the file as it is must contain: a JPEG whole, a PNG's first IDAT data.
std::string ownData(const std::string& file) {
  const std::string bytes = slurp(file);
  const size_t idat = bytes.find("IDAT");
  if (bytes.compare(1, 3, "PNG") != 0 || idat == std::string::npos) return bytes;
  const auto* length = reinterpret_cast<const uint8_t*>(bytes.data() + idat - 4);
  return bytes.substr(idat + 4, (size_t{length[0]} << 24) | (length[1] << 16) | (length[2] << 8) | length[3]);
}

TEST(PdfExport, LoadedFilesGoInAsTheyAreUntilChanged) {
  TempDir dir;
  const std::string d = dir.path.string() + "/";
  ASSERT_FALSE(
      run("convert -size 64x40 gradient:orange-navy -swirl 90 -depth 8 '" + d + "src.ppm' && echo ok").empty());
  const auto unchanged = [](TDib&) {};
  const struct {
    const char* name;
    std::string make;  // writes `file` in the folder; empty for a fixture
    std::string file;
    std::function<void(TDib&)> edit;
    const char* encoding;  // pdfimages: "jpeg" or "image"
    bool own;              // the file's own data is in the PDF
    bool cmyk;             // compared as CMYK samples: poppler shows CMYK its own way
  } cases[] = {
      {"baseline", "cjpeg -quality 90 src.ppm > f.jpg", "f.jpg", unchanged, "jpeg", true, false},
      {"progressive", "cjpeg -progressive src.ppm > f.jpg", "f.jpg", unchanged, "jpeg", true, false},
      {"grey", "cjpeg -grayscale src.ppm > f.jpg", "f.jpg", unchanged, "jpeg", true, false},
      {"restart markers", "cjpeg -restart 1 -sample 1x1 src.ppm > f.jpg", "f.jpg", unchanged, "jpeg", true, false},
      {"RGB, no YCbCr", "cjpeg -rgb src.ppm > f.jpg", "f.jpg", unchanged, "jpeg", true, false},
      {"CMYK", "", test::dataPath("jpeg/good-cmyk-adobe.jpg"), unchanged, "jpeg", true, true},
      {"YCCK", "", test::dataPath("jpeg/good-ycck-adobe.jpg"), unchanged, "jpeg", true, true},
      {"arithmetic coding", "cjpeg -arithmetic src.ppm > f.jpg", "f.jpg", unchanged, "image", false, false},
      {"copied", "cjpeg src.ppm > f.jpg", "f.jpg", [](TDib& p) { p = copyDib(p); }, "jpeg", true, false},
      {"brighter", "cjpeg src.ppm > f.jpg", "f.jpg", [](TDib& p) { Helligkeit(p, 20); }, "image", false, false},
      {"one pixel set", "cjpeg src.ppm > f.jpg", "f.jpg", [](TDib& p) { setpixel(p, 3, 3, 0); }, "image", false, false},
      {"mirrored", "cjpeg src.ppm > f.jpg", "f.jpg", [](TDib& p) { p = flipHorizontal(p, {}); }, "image", false, false},
      {"turned upright as loaded", "cjpeg src.ppm > f.jpg && exiftool -q -q -n -overwrite_original -Orientation=3 f.jpg",
       "f.jpg", unchanged, "jpeg", true, false},
      {"PNG RGB", "convert src.ppm -define png:color-type=2 f.png", "f.png", unchanged, "image", true, false},
      {"PNG grey", "convert src.ppm -colorspace gray -depth 8 -define png:color-type=0 f.png", "f.png", unchanged,
       "image", true, false},
      {"PNG palette", "convert src.ppm -colors 60 -define png:color-type=3 f.png", "f.png", unchanged, "image", true,
       false},
      {"PNG palette, colours changed", "convert src.ppm -colors 60 -define png:color-type=3 f.png", "f.png",
       [](TDib& p) { Kontrast(p, 150); }, "image", false, false},
      {"PNG interlaced", "convert src.ppm -interlace PNG -define png:color-type=2 f.png", "f.png", unchanged, "image",
       false, false},
      {"PNG with alpha", "convert src.ppm -alpha set -define png:color-type=6 f.png", "f.png", unchanged, "image",
       false, false},
      {"PNG of 16 bits", "convert src.ppm -depth 16 PNG48:f.png", "f.png", unchanged, "image", false, false},
      // Converted from their own colour profile on loading: the data with a matrix-shaper profile
      // beside it, which any reader turns into the same colours; the pixels for any other.
      {"JPEG in Adobe RGB", "", test::dataPath("colour/good-adobe-rgb.jpg"), unchanged, "jpeg", true, false},
      {"CMYK with its profile", "", test::dataPath("colour/good-cmyk-profile.jpg"), unchanged, "image", false, false},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    const std::string file = c.make.empty() ? c.file : d + c.file;
    if (!c.make.empty()) {
      ASSERT_FALSE(run("cd '" + d + "' && " + c.make + " && echo ok").empty());
    }
    TDib picture = OpenDib(file, 0, {});
    ASSERT_FALSE(picture.empty());
    c.edit(picture);
    const std::string pdf = d + "out.pdf";
    PdfPrintService printer(pdf, test::smallPage(64, 40, 0));
    ASSERT_TRUE(printer.beginDoc());
    drawWhole(printer, picture);
    ASSERT_TRUE(printer.endDoc());
    EXPECT_EQ(run("pdfimages -list '" + pdf + "' | awk 'NR > 2 {print $9}'"), c.encoding + std::string("\n"));
    EXPECT_EQ(slurp(pdf).find(ownData(file)) != std::string::npos, c.own);
    const int32_t w = DibWidth(picture), h = DibHeight(picture);
    if (c.cmyk) {
      // The image's samples as poppler reads them, beside ImageMagick's reading of the file.
      const std::string cmyk = "-depth 8 cmyk:-";
      EXPECT_GE(psnr(run("pdfimages -tiff '" + pdf + "' '" + d + "img' && convert '" + d + "img-000.tif' " + cmyk),
                     run("convert '" + file + "' " + cmyk)),
                45);
      continue;
    }
    // Four device pixels a picture pixel, read at the middle of each: poppler blends neighbours
    // where one covers one.
    constexpr int kScale = 4;
    const std::optional<test::RgbPage> page = test::renderPdfPage(pdf, 1, 72 * kScale);
    ASSERT_TRUE(page);
    std::string shown;
    for (int32_t y = 0; y < h; ++y) {
      for (int32_t x = 0; x < w; ++x) {
        const Color c = page->at(kScale * x + kScale / 2, kScale * y + kScale / 2);
        shown += {static_cast<char>(colorRed(c)), static_cast<char>(colorGreen(c)), static_cast<char>(colorBlue(c))};
      }
    }
    EXPECT_GE(psnr(shown, pictureRgb(picture)), 45);
  }
}
