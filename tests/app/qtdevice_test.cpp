#include "platform/QtDevice.h"

#include <gtest/gtest.h>

#include <QImage>
#include <QPainter>
#include <QPdfWriter>
#include <QTemporaryDir>
#include <functional>

#include "PdfCheck.h"
#include "picture/Dib.h"

namespace tessaro {
namespace {

constexpr QRgb kGrey = 0xff808080;

// Colour of picture pixel (x, y), y from the top: distinct for every pixel of small pictures.
QRgb pixelColour(int x, int y) { return qRgb(40 + 50 * x, 30 + 40 * y, 200 - 20 * x - 10 * y); }

// A 24-bit picture whose pixel (x, y) has colour(x, y).
TDib makePicture24(int w, int h, const std::function<QRgb(int, int)>& colour) {
  TDib dib = newdib(w, h, 24, nullptr, 0);
  for (int y = 0; y < h; ++y)
    for (int x = 0; x < w; ++x) setpixel(dib, x, y, static_cast<int32_t>(colour(x, y) & 0xffffff));
  return dib;
}

// A palette picture with `colours` table entries; pixel (x, y) holds index(x, y).
TDib makePalettePicture(int w, int h, int bits, const std::function<int(int, int)>& index) {
  TDib dib = newdib(w, h, bits, nullptr, 0);
  const int colours = 1 << bits;
  for (int i = 0; i < colours; ++i) {
    const QRgb c = pixelColour(i % 4, i / 4);
    dib.colors()[i] = RgbQuad{static_cast<uint8_t>(qBlue(c)), static_cast<uint8_t>(qGreen(c)),
                              static_cast<uint8_t>(qRed(c)), 0};
  }
  syncPaletteFromColors(dib, colours);
  for (int y = 0; y < h; ++y)
    for (int x = 0; x < w; ++x) setpixel(dib, x, y, index(x, y));
  return dib;
}

QImage canvas(int w, int h, QRgb fill = kGrey) {
  QImage image(w, h, QImage::Format_RGB32);
  image.fill(fill);
  return image;
}

int draw(QImage& target, const TDib& dib, QRect to, QRect from, bool identify = false) {
  QPainter painter(&target);
  QtDevice dc(painter);
  if (identify) dc.setSourcePicture(dib.Id, dib.Generation);
  return dc.stretchDIBits(to.x(), to.y(), to.width(), to.height(), from.x(), from.y(), from.width(), from.height(),
                          dib.Bits, *dib.info(), SRCCOPY);
}

// Every pixel of `area` in `image` must be expected(x - area.left, y - area.top).
void expectArea(const QImage& image, QRect area, const std::function<QRgb(int, int)>& expected) {
  for (int y = area.top(); y <= area.bottom(); ++y)
    for (int x = area.left(); x <= area.right(); ++x)
      ASSERT_EQ(image.pixel(x, y), expected(x - area.left(), y - area.top())) << "at " << x << "," << y;
}

void expectUntouchedOutside(const QImage& image, QRect area) {
  for (int y = 0; y < image.height(); ++y)
    for (int x = 0; x < image.width(); ++x)
      if (!area.contains(x, y)) ASSERT_EQ(image.pixel(x, y), kGrey) << "at " << x << "," << y;
}

struct StretchCase {
  const char* name;
  int picW, picH, block;  // the picture is made of uniform block x block squares
  QRect from;             // source rectangle, y counted from the bottom
  QRect to;
  // Picture pixel shown at target offset (tx, ty).
  std::function<QPoint(int, int)> shows;
};

TEST(QtDeviceStretch, LandsEveryPixelWhereItBelongs) {
  const StretchCase cases[] = {
      {"one to one", 5, 4, 1, {0, 0, 5, 4}, {3, 2, 5, 4}, [](int x, int y) { return QPoint(x, y); }},
      {"enlarged three times", 4, 3, 1, {0, 0, 4, 3}, {1, 1, 12, 9}, [](int x, int y) { return QPoint(x / 3, y / 3); }},
      {"enlarged unevenly", 4, 3, 1, {0, 0, 4, 3}, {0, 0, 8, 12}, [](int x, int y) { return QPoint(x / 2, y / 4); }},
      {"shrunk by two", 8, 6, 2, {0, 0, 8, 6}, {2, 3, 4, 3}, [](int x, int y) { return QPoint(2 * x, 2 * y); }},
      {"shrunk by four", 16, 12, 4, {0, 0, 16, 12}, {0, 0, 4, 3}, [](int x, int y) { return QPoint(4 * x, 4 * y); }},
      // Rows are counted from the bottom: srcY 1 of a 6-row picture ends 1 row above its bottom.
      {"bottom-up band", 5, 6, 1, {1, 1, 3, 2}, {0, 0, 3, 2}, [](int x, int y) { return QPoint(1 + x, 3 + y); }},
      {"band shrunk", 12, 12, 3, {3, 0, 6, 6}, {4, 4, 2, 2}, [](int x, int y) { return QPoint(3 + 3 * x, 6 + 3 * y); }},
  };
  for (const StretchCase& c : cases) {
    SCOPED_TRACE(c.name);
    const auto colour = [&](int x, int y) { return pixelColour(x / c.block, y / c.block); };
    const TDib dib = makePicture24(c.picW, c.picH, colour);
    QImage image = canvas(24, 20);
    EXPECT_EQ(draw(image, dib, c.to, c.from), c.from.height());
    expectArea(image, c.to, [&](int x, int y) {
      const QPoint p = c.shows(x, y);
      return colour(p.x(), p.y());
    });
    expectUntouchedOutside(image, c.to);
  }
}

TEST(QtDeviceStretch, PaletteDepthsGoThroughTheColourTable) {
  for (const int bits : {1, 4, 8}) {
    SCOPED_TRACE(bits);
    const int colours = 1 << bits;
    // Odd widths put pixels into the low nibble and the middle of bytes.
    const auto index = [&](int x, int y) { return (x + 3 * y) % colours; };
    const TDib dib = makePalettePicture(11, 5, bits, index);
    QImage image = canvas(30, 12);
    ASSERT_EQ(draw(image, dib, {1, 1, 22, 10}, {0, 0, 11, 5}), 5);
    expectArea(image, {1, 1, 22, 10}, [&](int x, int y) {
      const RgbQuad& q = dib.colors()[index(x / 2, y / 2)];
      return qRgb(q.rgbRed, q.rgbGreen, q.rgbBlue);
    });
  }
}

TEST(QtDeviceStretch, SourceBeyondThePictureDrawsOnlyThePictureShare) {
  const TDib dib = makePicture24(4, 4, pixelColour);
  QImage image = canvas(20, 20);
  // Two rows above the top and two columns left of the picture: the target loses those shares
  // at its top and left.
  ASSERT_EQ(draw(image, dib, {0, 0, 12, 12}, {-2, 0, 6, 6}), 4);
  expectArea(image, {4, 4, 8, 8}, [](int x, int y) { return pixelColour(x / 2, y / 2); });
  expectUntouchedOutside(image, {4, 4, 8, 8});

  QImage untouched = canvas(20, 20);
  EXPECT_EQ(draw(untouched, dib, {0, 0, 8, 8}, {4, 0, 4, 4}), 0);
  EXPECT_EQ(draw(untouched, dib, {0, 0, 0, 8}, {0, 0, 4, 4}), 0);
  expectUntouchedOutside(untouched, {});
}

TEST(QtDeviceStretch, RefusesUnreadablePictures) {
  TDib dib = makePicture24(4, 4, pixelColour);
  QImage image = canvas(8, 8);
  BitmapInfo compressed = *dib.info();
  compressed.bmiHeader.biCompression = 1;
  BitmapInfo odd = *dib.info();
  odd.bmiHeader.biBitCount = 7;
  QPainter painter(&image);
  QtDevice dc(painter);
  EXPECT_EQ(dc.stretchDIBits(0, 0, 4, 4, 0, 0, 4, 4, dib.Bits, compressed, SRCCOPY), GDI_ERROR);
  EXPECT_EQ(dc.stretchDIBits(0, 0, 4, 4, 0, 0, 4, 4, dib.Bits, odd, SRCCOPY), GDI_ERROR);
  EXPECT_EQ(dc.stretchDIBits(0, 0, 4, 4, 0, 0, 4, 4, nullptr, *dib.info(), SRCCOPY), GDI_ERROR);
}

TEST(QtDeviceCache, RepaintHitsAndAChangedPictureMisses) {
  QtDevice::clearCache();
  TDib dib = makePicture24(40, 30, pixelColour);
  const QRect from(0, 0, 40, 30), to(0, 0, 20, 15);
  QImage first = canvas(20, 15), second = canvas(20, 15);
  draw(first, dib, to, from, true);
  EXPECT_EQ(QtDevice::cacheStats().misses, 1u);
  draw(second, dib, to, from, true);
  EXPECT_EQ(QtDevice::cacheStats().hits, 1u);
  EXPECT_EQ(first, second);

  // In-place edits bump the generation: the next paint must show them.
  for (int y = 0; y < 30; ++y)
    for (int x = 0; x < 40; ++x) setpixel(dib, x, y, 0x00ff00);
  touchDib(dib);
  QImage third = canvas(20, 15);
  draw(third, dib, to, from, true);
  EXPECT_EQ(QtDevice::cacheStats().misses, 2u);
  expectArea(third, to, [](int, int) { return qRgb(0, 255, 0); });

  // Another box is another entry; a paint without the picture's identity bypasses the cache.
  QImage other = canvas(30, 30);
  draw(other, dib, {0, 0, 10, 10}, from, true);
  draw(other, dib, to, from, false);
  EXPECT_EQ(QtDevice::cacheStats().misses, 3u);
  EXPECT_EQ(QtDevice::cacheStats().hits, 1u);
}

TEST(QtDeviceDib, SetDIBitsToDeviceDrawsRowsOneToOne) {
  const TDib dib = makePicture24(5, 6, pixelColour);
  QImage image = canvas(12, 12);
  QPainter painter(&image);
  QtDevice dc(painter);
  // Source rows 1 .. 3 from the bottom, columns 1 .. 3: the picture's rows 2 .. 4 from the top.
  EXPECT_EQ(dc.setDIBitsToDevice(2, 3, 3, 3, 1, 1, 0, 6, dib.Bits, *dib.info()), 3);
  painter.end();
  expectArea(image, {2, 3, 3, 3}, [](int x, int y) { return pixelColour(1 + x, 2 + y); });
  expectUntouchedOutside(image, {2, 3, 3, 3});
}

TEST(QtDeviceDib, CompatibleBitmapStretchBlt) {
  const TDib dib = makePicture24(4, 3, pixelColour);
  QImage image = canvas(12, 12);
  QPainter painter(&image);
  QtDevice dc(painter);
  auto bitmap = dc.createCompatibleBitmap(4, 3);
  ASSERT_TRUE(bitmap);
  EXPECT_EQ(bitmap->setDIBits(0, 3, dib.Bits, *dib.info()), 3);
  // A device bitmap counts its rows from the top.
  EXPECT_TRUE(dc.stretchBlt(0, 0, 6, 4, *bitmap, 1, 1, 3, 2, SRCCOPY));
  painter.end();
  expectArea(image, {0, 0, 6, 4}, [](int x, int y) { return pixelColour(1 + x / 2, 1 + y / 2); });
  EXPECT_FALSE(dc.createCompatibleBitmap(0, 5));
}

TEST(QtDeviceShapes, EndPointsAndRightBottomEdgesAreExclusive) {
  QImage image = canvas(20, 20);
  QPainter painter(&image);
  QtDevice dc(painter);
  dc.fillRect(2, 2, 5, 4, kRed);
  dc.setPen(kBlack, PenStyle::Solid);
  dc.line(10, 1, 15, 1);
  dc.line(1, 10, 1, 14);
  dc.setBrush(rgbColor(0, 0, 255));
  dc.rectangle(8, 8, 13, 12);
  dc.rectangle(16, 2, 17, 5);
  dc.setPixel(18, 18, kWhite);
  painter.end();

  const QRgb red = qRgb(255, 0, 0), black = qRgb(0, 0, 0), blue = qRgb(0, 0, 255);
  expectArea(image, {2, 2, 3, 2}, [&](int, int) { return red; });
  EXPECT_EQ(image.pixel(5, 2), kGrey);
  EXPECT_EQ(image.pixel(2, 4), kGrey);
  expectArea(image, {10, 1, 5, 1}, [&](int, int) { return black; });
  EXPECT_EQ(image.pixel(15, 1), kGrey);
  expectArea(image, {1, 10, 1, 4}, [&](int, int) { return black; });
  EXPECT_EQ(image.pixel(1, 14), kGrey);
  // 5 x 4 pixels: a black outline around a 3 x 2 blue inside.
  expectArea(image, {8, 8, 5, 4}, [&](int x, int y) {
    return (x == 0 || y == 0 || x == 4 || y == 3) ? black : blue;
  });
  EXPECT_EQ(image.pixel(13, 10), kGrey);
  EXPECT_EQ(image.pixel(10, 12), kGrey);
  expectArea(image, {16, 2, 1, 3}, [&](int, int) { return black; });
  EXPECT_EQ(image.pixel(16, 5), kGrey);
  EXPECT_EQ(image.pixel(17, 3), kGrey);
  EXPECT_EQ(image.pixel(18, 18), qRgb(255, 255, 255));
  EXPECT_EQ(image.pixel(17, 18), kGrey);
}

TEST(QtDeviceText, BlackOnAnOpaqueWhiteBoxAtTheTopLeft) {
  QImage image = canvas(200, 60, qRgb(255, 0, 0));
  QPainter painter(&image);
  QtDevice dc(painter);
  dc.setFontHeight(20);
  const TextSize size = dc.textExtent("Rand");
  EXPECT_GT(size.width, 20);
  // The height asked for is the whole cell.
  EXPECT_LE(size.height, 20);
  EXPECT_GE(size.height, 17);
  EXPECT_GT(dc.textExtent("Rand für Klebstoff").width, size.width);
  dc.textOut(10, 15, "Rand");
  painter.end();

  int dark = 0, red = 0;
  for (int y = 15; y < 15 + size.height; ++y)
    for (int x = 10; x < 10 + size.width; ++x) {
      const QRgb p = image.pixel(x, y);
      if (qRed(p) < 80) ++dark;
      if (qRed(p) > 200 && qGreen(p) < 100) ++red;
    }
  EXPECT_GT(dark, 20);
  EXPECT_EQ(red, 0) << "the text box must be opaque white";
  EXPECT_EQ(image.pixel(5, 5), qRgb(255, 0, 0));
  EXPECT_EQ(image.pixel(10 + size.width + 5, 15 + size.height / 2), qRgb(255, 0, 0));
}

TEST(QtDeviceBasics, ReportsItsSizeDepthAndCapabilities) {
  QImage image = canvas(221, 194);
  QPainter painter(&image);
  QtDevice dc(painter);
  EXPECT_EQ(dc.width(), 221);
  EXPECT_EQ(dc.height(), 194);
  EXPECT_EQ(dc.bitsPerPixel(), 32);
  EXPECT_EQ(dc.rasterCaps() & (RC_STRETCHDIB | RC_DIBTODEV | RC_STRETCHBLT),
            RC_STRETCHDIB | RC_DIBTODEV | RC_STRETCHBLT);
  EXPECT_FALSE(dc.isPrinter());
  const PaletteObject palette(LogPaletteData{kPalVersion, 2, {}});
  EXPECT_EQ(dc.selectPalette(&palette), nullptr);
  EXPECT_EQ(dc.selectPalette(nullptr), &palette);
}

TEST(QtDevicePdf, PictureOnAPageIsEmbeddedOnceAtItsOwnResolution) {
  QTemporaryDir dir;
  ASSERT_TRUE(dir.isValid());
  const QString pdf = dir.filePath("page.pdf");
  // Four colour quadrants of 20 x 15 pixels each.
  const auto quadrant = [](int x, int y) {
    static const QRgb q[4] = {qRgb(255, 0, 0), qRgb(0, 160, 0), qRgb(0, 0, 255), qRgb(255, 200, 0)};
    return q[(x >= 20 ? 1 : 0) + (y >= 15 ? 2 : 0)];
  };
  const TDib dib = makePicture24(40, 30, quadrant);
  {
    QPdfWriter writer(pdf);
    writer.setResolution(300);
    writer.setPageMargins(QMarginsF(0, 0, 0, 0));
    QPainter painter(&writer);
    QtDevice dc(painter);
    EXPECT_TRUE(dc.isPrinter());
    QtDevice::clearCache();
    dc.setSourcePicture(dib.Id, dib.Generation);
    EXPECT_EQ(dc.stretchDIBits(100, 100, 2000, 1500, 0, 0, 40, 30, dib.Bits, *dib.info(), SRCCOPY), 30);
    EXPECT_EQ(QtDevice::cacheStats().misses, 0u) << "printer pages bypass the cache";
  }
  // The embedded image holds each picture pixel once.
  const auto images = test::runTool("pdfimages", {"-list", pdf});
  ASSERT_TRUE(images);
  const QStringList rows = images->split('\n', Qt::SkipEmptyParts);
  ASSERT_EQ(rows.size(), 3) << images->toStdString();
  const QStringList fields = rows[2].simplified().split(' ');
  EXPECT_EQ(fields[3], "40");
  EXPECT_EQ(fields[4], "30");

  // Rendered at 30 dpi the 300-dpi target lands at (10, 10) with a size of 200 x 150.
  const QImage page = test::renderPdfPage(pdf, 1, 30);
  ASSERT_FALSE(page.isNull());
  for (const QPoint p : {QPoint(60, 50), QPoint(160, 50), QPoint(60, 130), QPoint(160, 130)}) {
    const QRgb want = quadrant((p.x() - 10) * 40 / 200, (p.y() - 10) * 30 / 150);
    EXPECT_TRUE(test::colourNear(page.pixel(p), want)) << p.x() << "," << p.y() << " " << std::hex << page.pixel(p);
  }
  EXPECT_TRUE(test::colourNear(page.pixel(5, 5), qRgb(255, 255, 255)));
}

}  // namespace
}  // namespace tessaro
