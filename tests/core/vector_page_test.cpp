// Vector pages (PDF and SVG) against hand-computed sizes and against poppler's pdftoppm, which
// draws the source pages and the sheets our embedding makes without any of our code.
#include <gtest/gtest.h>

#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <regex>
#include <sstream>
#include <string>

#include "pdf/PdfPrintService.h"
#include "print/PosterPrintJob.h"
#include "state/PictureLoad.h"
#include "support/FakePrintService.h"
#include "support/PdfPages.h"
#include "support/PosterPictures.h"
#include "support/ReferenceImage.h"
#include "support/TestData.h"
#include "vector/PageEmbedder.h"
#include "vector/SvgToPdf.h"
#include "vector/VectorPage.h"
#include "vector/VectorPicture.h"
#include "vector/VectorPreview.h"

using namespace tessaro;
using namespace tessaro::test;

namespace {

std::string vectorFile(const std::string& name) { return dataPath("vector/" + name); }

std::string readAll(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return {std::istreambuf_iterator<char>(in), {}};
}

// A PDF of the given object bodies (object 1 the catalog), with a correct cross-reference table.
void writePdf(const std::string& path, const std::vector<std::string>& objects) {
  std::string out = "%PDF-1.7\n";
  std::vector<size_t> offsets;
  for (size_t i = 0; i < objects.size(); ++i) {
    offsets.push_back(out.size());
    out += std::to_string(i + 1) + " 0 obj\n" + objects[i] + "\nendobj\n";
  }
  const size_t xref = out.size();
  out += "xref\n0 " + std::to_string(objects.size() + 1) + "\n0000000000 65535 f \n";
  char entry[24];
  for (size_t o : offsets) {
    std::snprintf(entry, sizeof entry, "%010zu 00000 n \n", o);
    out += entry;
  }
  out += "trailer\n<< /Size " + std::to_string(objects.size() + 1) + " /Root 1 0 R >>\nstartxref\n" +
         std::to_string(xref) + "\n%%EOF\n";
  std::ofstream(path, std::ios::binary) << out;
}

std::string contentStream(const std::string& content) {
  return "<< /Length " + std::to_string(content.size()) + " >>\nstream\n" + content + "\nendstream";
}

// pdfinfo's page size in millimetres.
std::pair<double, double> pdfinfoSizeMm(const std::string& pdf) {
  FILE* p = ::popen(("pdfinfo '" + pdf + "' 2>/dev/null").c_str(), "r");
  std::string text;
  char buf[4096];
  for (size_t n; p && (n = std::fread(buf, 1, sizeof buf, p)) > 0;) text.append(buf, n);
  if (p) ::pclose(p);
  std::smatch m;
  if (!std::regex_search(text, m, std::regex(R"(Page size:\s+([\d.]+) x ([\d.]+) pts)"))) return {0, 0};
  return {std::stod(m[1]) * 25.4 / 72, std::stod(m[2]) * 25.4 / 72};
}

// PSNR of the width x height part of `a` at (ax, ay) against the part of `b` at (bx, by).
double psnrOfParts(const RgbPage& a, int ax, int ay, const RgbPage& b, int bx, int by, int width, int height) {
  if (ax + width > a.width || ay + height > a.height || bx + width > b.width || by + height > b.height) return 0;
  double sum = 0;
  for (int y = 0; y < height; ++y)
    for (int x = 0; x < width * 3; ++x) {
      const double d = static_cast<uint8_t>(a.rgb[(static_cast<size_t>(y + ay) * a.width + ax) * 3 + x]) -
                       static_cast<uint8_t>(b.rgb[(static_cast<size_t>(y + by) * b.width + bx) * 3 + x]);
      sum += d * d;
    }
  return sum == 0 ? INFINITY : 10 * std::log10(255.0 * 255.0 * width * height * 3 / sum);
}

// PSNR of `a` against the part of `b` at (offsetX, 0) of the same size.
double psnrAgainstCrop(const RgbPage& a, const RgbPage& b, int offsetX) {
  return psnrOfParts(a, 0, 0, b, offsetX, 0, a.width, a.height);
}

std::string run(const std::string& command) {
  FILE* p = ::popen(command.c_str(), "r");
  std::string text;
  char buf[4096];
  for (size_t n; p && (n = std::fread(buf, 1, sizeof buf, p)) > 0;) text.append(buf, n);
  if (p) ::pclose(p);
  return text;
}

}  // namespace

// Sizes as shown, in millimetres, from the boxes and lengths each fixture states (see
// tests/data/vector/make_vector_fixtures.py); each SVG also becomes a PDF page of that size.
TEST(VectorPage, MeasuresThePageAsShown) {
  const struct {
    const char* file;
    int page;
    double widthMm, heightMm;
    int rotation, pageCount;
  } cases[] = {
      {"mediabox.pdf", 1, 215.9, 279.4, 0, 1},          // 612 x 792 pt
      {"cropbox.pdf", 1, 105.8333, 264.5833, 0, 1},     // CropBox cut by the MediaBox: 300 x 750 pt
      {"inherited.pdf", 1, 101.6, 50.8, 0, 1},          // MediaBox of the page tree: 288 x 144 pt
      {"userunit2.pdf", 1, 508.0, 254.0, 0, 1},         // 720 x 360 units of 2 pt
      {"rotate90.pdf", 1, 279.4, 215.9, 90, 1},         // inherited Rotate 90
      {"limit.pdf", 1, 5080.0, 70.5556, 0, 1},          // exactly 200 in wide
      {"three-pages.pdf", 3, 35.2778, 35.2778, 0, 3},   // 100 pt
      {"xref-repairable.pdf", 1, 215.9, 279.4, 0, 1},   // offsets wrong, objects found by scanning
      {"embed-source.pdf", 2, 148.1667, 112.8889, 270, 2},  // 160 x 210 units of 2 pt, turned
      {"mm.svg", 1, 210.0, 297.0, 0, 1},
      {"mm.svgz", 1, 210.0, 297.0, 0, 1},
      {"px.svg", 1, 254.0, 127.0, 0, 1},       // 960 x 480 px at 96 per inch
      {"viewbox.svg", 1, 50.8, 25.4, 0, 1},    // width 100 %: the viewBox's 192 x 96 px
      {"width-only.svg", 1, 101.6, 50.8, 0, 1},  // 4 in wide, as high as the viewBox's aspect says
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.file);
    const VectorPage page = VectorPage::open(vectorFile(c.file), c.page);
    ASSERT_TRUE(page.ok()) << page.error();
    const bool svg = std::string(c.file).find(".svg") != std::string::npos;
    EXPECT_EQ(vectorKindOfFile(vectorFile(c.file)), svg ? VectorKind::Svg : VectorKind::Pdf);
    EXPECT_EQ(page.kind(), svg ? VectorKind::Svg : VectorKind::Pdf);
    EXPECT_NEAR(page.widthMm(), c.widthMm, 0.001);
    EXPECT_NEAR(page.heightMm(), c.heightMm, 0.001);
    EXPECT_EQ(page.rotation(), c.rotation);
    EXPECT_EQ(page.pageCount(), c.pageCount);
    if (svg) {
      const std::string pdf = tempPath(std::string(c.file) + ".pdf");
      std::string why;
      ASSERT_TRUE(svgToPdf(vectorFile(c.file), pdf, &why)) << why;
      const auto [w, h] = pdfinfoSizeMm(pdf);
      EXPECT_NEAR(w, c.widthMm, 0.01);
      EXPECT_NEAR(h, c.heightMm, 0.01);
    }
  }
}

// Every refusal comes as a German sentence; none crashes or waits.
TEST(VectorPage, RefusesWhatCannotBePrinted) {
  const std::string text = tempPath("plain.txt");
  std::ofstream(text) << "Nur Text, kein Bild.\n";
  const std::string large = tempPath("large.svg");
  std::ofstream(large) << "<svg xmlns=\"http://www.w3.org/2000/svg\" width=\"1in\" height=\"1in\">"
                       << std::string((32 << 20) + 1, ' ') << "</svg>\n";
  // Packed, the same drawing is a few kilobytes: the limit holds for what it unpacks to.
  const std::string packed = tempPath("large.svgz");
  ASSERT_EQ(std::system(("gzip -c " + large + " > " + packed).c_str()), 0);
  const struct {
    std::string file;
    int page;
    const char* error;
  } cases[] = {
      {vectorFile("encrypted.pdf"), 1, "Die PDF-Datei ist verschlüsselt."},
      {vectorFile("xref-broken.pdf"), 1, "Die PDF-Datei ist beschädigt."},
      {vectorFile("size0.pdf"), 1, "Die Seite hat keine Fläche: Breite oder Höhe ist 0."},
      {vectorFile("over-limit.pdf"), 1, "Die Seite ist größer als 200 Zoll (5080 mm) und wird nicht geöffnet."},
      {vectorFile("three-pages.pdf"), 4, "Die Datei hat keine Seite 4; sie hat 3 Seiten."},
      {vectorFile("three-pages.pdf"), 0, "Die Datei hat keine Seite 0; sie hat 3 Seiten."},
      {vectorFile("mm.svg"), 2, "Die Datei hat keine Seite 2; sie hat 1 Seite."},
      {vectorFile("broken.svg"), 1, "Die SVG-Datei ist beschädigt oder kann nicht gelesen werden."},
      {vectorFile("no-size.svg"), 1, "Die SVG-Datei nennt weder Breite und Höhe noch eine viewBox."},
      {vectorFile("zero.svg"), 1, "Die Seite hat keine Fläche: Breite oder Höhe ist 0."},
      {vectorFile("huge.svg"), 1, "Die Seite ist größer als 200 Zoll (5080 mm) und wird nicht geöffnet."},
      {vectorFile("laughs.svg"), 1, "Die SVG-Datei ist beschädigt oder kann nicht gelesen werden."},
      {large, 1, "Die SVG-Datei ist größer als 32 MiB und wird nicht geöffnet."},
      {packed, 1, "Die SVG-Datei ist größer als 32 MiB und wird nicht geöffnet."},
      {text, 1, "Die Datei ist weder eine PDF- noch eine SVG-Datei."},
      {vectorFile("missing.pdf"), 1, "Die Datei ist nicht lesbar. Die Datei oder ihr Ordner existiert nicht."},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.file);
    const VectorPage page = VectorPage::open(c.file, c.page);
    EXPECT_FALSE(page.ok());
    EXPECT_EQ(page.error(), c.error);
    std::string why;
    EXPECT_TRUE(renderVectorPreview(page, 100, 100, &why).empty());
    EXPECT_EQ(why, c.error);
  }
  // Coordinates far beyond the page draw as far as they reach. References to other files and
  // addresses are never followed: a drawing that shows nothing else stays white.
  for (const char* name : {"far.pdf", "far.svg", "external.svg"}) {
    SCOPED_TRACE(name);
    const VectorPage page = VectorPage::open(vectorFile(name));
    ASSERT_TRUE(page.ok()) << page.error();
    std::string why;
    const TDib preview = renderVectorPreview(page, 64, 64, &why);
    ASSERT_FALSE(preview.empty()) << why;
    if (std::string(name) != "external.svg") continue;
    for (int y = 0; y < DibHeight(preview); ++y)
      for (int x = 0; x < 3 * DibWidth(preview); ++x) ASSERT_EQ(preview.row(y)[x], 255) << x / 3 << ", " << y;
  }
}

// A page loads as a stand-in picture of its exact physical size: the page at 50 dpi, its long
// side kept within 1000 to 1200 pixels, yet at 12 dpi at least; the poster starts at 100 %. Turned into pixels at a
// chosen resolution it becomes an ordinary picture. A refused page leaves the old picture.
TEST(VectorPage, LoadsAsAStandInOfItsSize) {
  const std::string square = tempPath("square.pdf");  // 200 x 200 in: 94 dpi is the most that fits 1 GiB
  writePdf(square, {"<< /Type /Catalog /Pages 2 0 R >>", "<< /Type /Pages /Kids [3 0 R] /Count 1 >>",
                    "<< /Type /Page /Parent 2 0 R /MediaBox [0 0 14400 14400] >>"});
  const struct {
    std::string file;
    int page;
    int width, height;  // of the stand-in
    double widthIn, heightIn;
    double rasterDpi;  // the default
    int rasterWidth;   // at 100 dpi; 0: refused there
  } cases[] = {
      {vectorFile("mediabox.pdf"), 1, 773, 1000, 8.5, 11, 300, 850},  // 550 px at 50 dpi: raised to 1000
      {vectorFile("three-pages.pdf"), 3, 1000, 1000, 100 / 72.0, 100 / 72.0, 300, 139},
      {vectorFile("mm.svg"), 1, 707, 1000, 210 / 25.4, 297 / 25.4, 300, 827},
      {vectorFile("limit.pdf"), 1, 2400, 33, 200, 200 / 72.0, 300, 20000},  // 10000 px at 50 dpi: cut to 12 dpi
      {square, 1, 2400, 2400, 200, 200, 94, 0},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.file);
    MainState s;
    ReadOptions read;
    read.page = c.page;
    FileError why;
    ASSERT_TRUE(loadPictureFile(s, c.file, {}, &why, {}, read)) << describeFileError(why);
    ASSERT_TRUE(isVectorPage(s.Picture));
    EXPECT_EQ(DibWidth(s.Picture), c.width);
    EXPECT_EQ(DibHeight(s.Picture), c.height);
    EXPECT_NEAR(c.width / s.Picture.Dpi.x, c.widthIn, 1e-9);
    EXPECT_NEAR(c.height / s.Picture.Dpi.y, c.heightIn, 1e-9);
    EXPECT_EQ(s.poster.PhysicalScale, 1);
    EXPECT_TRUE(s.Picture.Dpi.plausible());  // so "Originalgröße" takes it, however long the page
    EXPECT_EQ(vectorPageOf(s.Picture)->page, c.page);
    EXPECT_EQ(defaultRasterDpi(s.Picture), c.rasterDpi);
    TDib raster;
    std::string error;
    EXPECT_EQ(rasterizeVectorPage(s.Picture, 100, raster, error), c.rasterWidth > 0) << error;
    if (c.rasterWidth == 0) {
      EXPECT_EQ(error, "Bei 100 dpi wäre das Bild 20000 x 20000 Pixel groß, größer, als ein Bild hier sein darf.");
      continue;
    }
    EXPECT_EQ(DibWidth(raster), c.rasterWidth);
    EXPECT_EQ(raster.Dpi, (Resolution{100, 100}));
    EXPECT_FALSE(isVectorPage(raster));
    // Any change to the stand-in's pixels makes it an ordinary picture.
    touchDib(s.Picture);
    EXPECT_FALSE(isVectorPage(s.Picture));
  }
  // The SVG's PDF copy goes with the last picture that shows it.
  std::string copy;
  {
    MainState s;
    ASSERT_TRUE(loadPictureFile(s, vectorFile("mm.svg"), {}));
    copy = vectorPageOf(s.Picture)->pdfPath;
    EXPECT_TRUE(std::filesystem::exists(copy));
    EXPECT_EQ(VectorPage::open(copy).pageCount(), 1);
    FileError why;
    ReadOptions read;
    read.page = 4;
    EXPECT_FALSE(loadPictureFile(s, vectorFile("three-pages.pdf"), {}, &why, {}, read));
    EXPECT_EQ(describeFileError(why), "Die Datei hat keine Seite 4; sie hat 3 Seiten.");
    EXPECT_EQ(vectorPageOf(s.Picture)->pdfPath, copy);
    // An image that claims 200 000 x 200 000 pixels would keep the drawing busy for minutes.
    const std::string endless = tempPath("endless.pdf");
    writePdf(endless, {"<< /Type /Catalog /Pages 2 0 R >>", "<< /Type /Pages /Kids [3 0 R] /Count 1 >>",
                       "<< /Type /Page /Parent 2 0 R /MediaBox [0 0 595 842] /Contents 4 0 R"
                       " /Resources << /XObject << /Im 5 0 R >> >> >>",
                       contentStream("q 595 0 0 842 0 0 cm /Im Do Q"),
                       "<< /Type /XObject /Subtype /Image /Width 200000 /Height 200000 /ColorSpace /DeviceRGB"
                       " /BitsPerComponent 8 /Length 100 >>\nstream\n" + std::string(100, '\0') + "\nendstream"});
    const auto start = std::chrono::steady_clock::now();
    EXPECT_FALSE(loadPictureFile(s, endless, {}, &why));
    EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(10));
    EXPECT_EQ(describeFileError(why), "Die Seite lässt sich nicht in vertretbarer Zeit zeichnen.");
    EXPECT_EQ(vectorPageOf(s.Picture)->pdfPath, copy);
  }
  EXPECT_FALSE(std::filesystem::exists(copy));
}

// Choosing a page reads only the page tree's way to it: the first and the last of 100,000 pages
// (in a tree of 10 x 100 x 100, as writers make them) open at once.
TEST(VectorPage, OpensOnePageOfAHugeFileFast) {
#if defined(__SANITIZE_ADDRESS__)
  const auto budget = std::chrono::seconds(5);  // the sanitizers slow qpdf's parsing down tenfold
#else
  const auto budget = std::chrono::milliseconds(500);
#endif
  std::vector<std::string> objects{"<< /Type /Catalog /Pages 2 0 R >>", ""};
  std::string rootKids;
  for (int a = 0; a < 10; ++a) {
    const size_t mid = objects.size() + 1;
    rootKids += std::to_string(mid) + " 0 R ";
    objects.emplace_back();
    std::string midKids;
    for (int b = 0; b < 100; ++b) {
      const size_t leaf = objects.size() + 1;
      midKids += std::to_string(leaf) + " 0 R ";
      std::string kids;
      for (int c = 0; c < 100; ++c) kids += std::to_string(leaf + 1 + c) + " 0 R ";
      objects.push_back("<< /Type /Pages /Parent " + std::to_string(mid) + " 0 R /Count 100 /Kids [" + kids + "] >>");
      for (int c = 0; c < 100; ++c) objects.push_back("<< /Type /Page /Parent " + std::to_string(leaf) + " 0 R >>");
    }
    objects[mid - 1] = "<< /Type /Pages /Parent 2 0 R /Count 10000 /Kids [" + midKids + "] >>";
  }
  objects[1] = "<< /Type /Pages /Count 100000 /MediaBox [0 0 72 144] /Kids [" + rootKids + "] >>";
  // The last page alone is wider.
  objects.back() = "<< /Type /Page /Parent " + std::to_string(objects.size() - 100) + " 0 R /MediaBox [0 0 144 144] >>";
  const std::string pdf = tempPath("huge.pdf");
  writePdf(pdf, objects);
  for (const auto& [number, widthMm] : {std::pair{1, 25.4}, std::pair{100000, 50.8}}) {
    const auto start = std::chrono::steady_clock::now();
    const VectorPage page = VectorPage::open(pdf, number);
    EXPECT_LT(std::chrono::steady_clock::now() - start, budget);
    ASSERT_TRUE(page.ok()) << page.error();
    EXPECT_EQ(page.pageCount(), 100000);
    EXPECT_NEAR(page.widthMm(), widthMm, 0.001);
    EXPECT_NEAR(page.heightMm(), 50.8, 0.001);
  }
  EXPECT_EQ(VectorPage::open(pdf, 100001).error(), "Die Datei hat keine Seite 100001; sie hat 100000 Seiten.");
}

// The preview fits the requested box with the page's aspect: a PDF page looks as pdftoppm draws
// it at that size, the SVG's red rectangle (20..120 x 20..70 of 210 x 297) lies where it belongs.
TEST(VectorPage, PreviewFitsTheBoxOnWhite) {
  std::string why;
  const VectorPage pdfPage = VectorPage::open(vectorFile("embed-source.pdf"), 1);
  const TDib pdf = renderVectorPreview(pdfPage, 200, 200, &why);  // shown 400 x 300 pt
  ASSERT_FALSE(pdf.empty()) << why;
  EXPECT_EQ(DibWidth(pdf), 200);
  EXPECT_EQ(DibHeight(pdf), 150);
  // Ghostscript shares no code with poppler.
  const std::string ppm = tempPath("gs-page.ppm");
  ASSERT_EQ(std::system(("gs -q -dNOPAUSE -dBATCH -dSAFER -sDEVICE=ppmraw -r36 -dUseCropBox -dFirstPage=1 -dLastPage=1 "
                         "-sOutputFile='" + ppm + "' '" + vectorFile("embed-source.pdf") + "'").c_str()),
            0);
  const auto reference = referenceDecode(ppm);
  ASSERT_TRUE(reference);
  const RgbImage ours = dibToRgb(pdf);
  ASSERT_EQ(reference->width, ours.width);
  int64_t far = 0;
  for (size_t i = 0; i < ours.rgb.size(); ++i) far += std::abs(ours.rgb[i] - reference->rgb[i]) > 64;
  EXPECT_LT(far, static_cast<int64_t>(ours.rgb.size() / 50));

  const TDib svg = renderVectorPreview(VectorPage::open(vectorFile("mm.svg")), 420, 420, &why);
  ASSERT_FALSE(svg.empty()) << why;
  EXPECT_EQ(DibWidth(svg), 297);
  EXPECT_EQ(DibHeight(svg), 420);
  const RgbImage rgb = dibToRgb(svg);
  EXPECT_EQ(rgb.at(99, 63), 0xff0000u);   // inside the rectangle: (70, 45) of 210 x 297
  EXPECT_EQ(rgb.at(7, 7), 0xffffffu);     // (5, 5): white background
  EXPECT_EQ(rgb.at(200, 300), 0xffffffu);

  EXPECT_TRUE(renderVectorPreview(pdfPage, 1 << 20, 1 << 20, &why).empty());  // beyond the pixel limit
  EXPECT_EQ(why, "Die Vorschau wäre größer, als ein Bild hier sein darf.");
}

// Our two sheets show the page's left half at scale 1 and its right half at scale 2 through the
// placeholder; once embedded, pdftoppm draws them as the matching parts of the source page drawn
// at that scale. Page 1 is cropped and turned 90 degrees, page 2 has a UserUnit of 2 (which
// pdftoppm leaves out, so its reference is drawn at twice the resolution) and turns 270.
TEST(VectorPage, EmbeddedPageDrawsLikeTheSource) {
  const struct {
    int page;
    int width, height;  // shown, in points
    int unit;           // UserUnit
  } cases[] = {{1, 400, 300, 1}, {2, 420, 320, 2}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.page);
    const std::string ours = tempPath("ours.pdf"), out = tempPath("embedded.pdf");
    const std::string w = std::to_string(c.width), h = std::to_string(c.height);
    const std::string half = std::to_string(c.width / 2), h2 = std::to_string(2 * c.height);
    writePdf(ours, {"<< /Type /Catalog /Pages 2 0 R >>",
                    "<< /Type /Pages /Kids [3 0 R 4 0 R] /Count 2 >>",
                    "<< /Type /Page /Parent 2 0 R /MediaBox [0 0 " + half + " " + h +
                        "] /Contents 5 0 R /Resources << /XObject << /TessaroPage 7 0 R >> >> >>",
                    "<< /Type /Page /Parent 2 0 R /MediaBox [0 0 " + w + " " + h2 +
                        "] /Contents 6 0 R /Resources << /XObject << /TessaroPage 7 0 R >> >> >>",
                    contentStream("q 0 0 " + half + " " + h + " re W n /TessaroPage Do Q"),
                    contentStream("q 0 0 " + w + " " + h2 + " re W n 2 0 0 2 -" + w + " 0 cm /TessaroPage Do Q"),
                    "<< /Type /XObject /Subtype /Form /BBox [0 0 1 1] /Length 0 >>\nstream\n\nendstream"});
    std::string why;
    ASSERT_TRUE(embedVectorPage(ours, vectorFile("embed-source.pdf"), c.page, out, &why)) << why;
    const std::string bytes = readAll(out);
    // The page's drawing and its font are in the file once, shared by both sheets.
    EXPECT_EQ(std::regex_search(bytes, std::regex("/Subtype /Form[^]*?/Subtype /Form")), false);
    EXPECT_EQ(std::regex_search(bytes, std::regex("/BaseFont /Helvetica[^]*?/BaseFont /Helvetica")), false);
    for (const int scale : {1, 2}) {
      SCOPED_TRACE(scale);
      const auto sheet = renderPdfPage(out, scale, 72);
      const auto source = renderPdfPage(vectorFile("embed-source.pdf"), c.page, 72 * scale * c.unit, true);
      ASSERT_TRUE(sheet && source);
      EXPECT_EQ(source->width, c.width * scale);
      EXPECT_EQ(source->height, sheet->height);
      EXPECT_GE(psnrAgainstCrop(*sheet, *source, scale == 1 ? 0 : c.width), 40.0);
    }
  }
}

// A poster of a vector page over 2 x 2 sheets without glue strips or marks: each sheet, drawn by
// pdftoppm, is the matching quarter of the source page drawn at the same scale; the page's
// drawing and font are in the file once, and its text stays text.
TEST(VectorPage, PosterPdfKeepsTheVectors) {
  MainState s;
  ASSERT_TRUE(loadPictureFile(s, vectorFile("embed-source.pdf"), {}));  // shown 400 x 300 pt
  // 150 dpi: a sheet's printable 400 x 300 device pixels take a quarter of the page at 144 dpi.
  const PageMetrics sheet = test::smallPage(400, 300, 12, 150);
  Options options;
  options.OptCutLines = options.OptEdgeHints = options.OptGlueMargin = false;
  const std::string pdf = tempPath("vector-poster.pdf");
  PdfPrintService printer(pdf, sheet);
  const PosterPrintResult result =
      printPoster(printer, s.Picture, test::wholeSheets(2, 2), options, GlueMargins{0, 0}, SheetGrid{}, {});
  ASSERT_EQ(result.status, PosterPrintResult::Status::Printed) << result.message;
  EXPECT_EQ(printer.imageCount(), 0u);
  EXPECT_EQ(run("qpdf --show-npages '" + pdf + "'"), "4\n");
  EXPECT_EQ(run("pdffonts '" + pdf + "' | grep -c Helvetica"), "1\n");   // the source's font, once
  EXPECT_EQ(run("pdftotext '" + pdf + "' - | grep -c Tessaro"), "1\n");  // the page's word, on its sheet
  const auto source = renderPdfPage(vectorFile("embed-source.pdf"), 1, 144, true);
  ASSERT_TRUE(source);
  ASSERT_EQ(source->width, 800);
  for (int i = 0; i < 4; ++i) {
    SCOPED_TRACE(i);
    const auto page = renderPdfPage(pdf, i + 1, 150);
    ASSERT_TRUE(page);
    EXPECT_GE(psnrOfParts(*page, sheet.offsetX, sheet.offsetY, *source, 400 * (i % 2), 300 * (i / 2), 400, 300), 40.0);
  }
}
