// The one drawing routine: clip the source rectangle to the picture, then draw through a
// halftoned copy on palette screens, or through the first of the device's ways that works.
#include "picture/DrawDib.h"

#include <atomic>
#include <cstring>

#include "common/Numbers.h"

namespace tessaro {

namespace {

std::atomic<int> screenBits{24};
std::atomic<DrawMessageFn> messageHandler{nullptr};
std::atomic<int> halftoneCopies{0};

void report(const char* utf8) {
  if (DrawMessageFn fn = messageHandler.load()) fn(utf8);
}

// a * b / c with the product formed in 64 bits and the quotient rounded halves to even.
int32_t scaled(int64_t a, int64_t b, int64_t c) { return Round(static_cast<Ext>(a * b) / static_cast<Ext>(c)); }

struct Rects {
  int32_t x, y, destW, destH, srcX, srcY, srcW, srcH;
  bool empty() const { return destW <= 0 || destH <= 0 || srcW <= 0 || srcH <= 0; }
};

// Cuts the source rectangle to the picture, right, bottom, top, left in that order, and shrinks
// the target by the same share. False when nothing is left to draw; no step divides by an empty
// extent.
bool clipToPicture(Rects& r, int32_t w, int32_t h) {
  if (r.empty()) return false;
  if (int64_t{w} < int64_t{r.srcX} + r.srcW) {
    const int64_t n = int64_t{w} - r.srcX;  // below srcW, so it fits once the test holds
    r.destW = scaled(r.destW, n, r.srcW);
    r.srcW = static_cast<int32_t>(n);
    if (r.empty()) return false;
  }
  if (r.srcY < 0) {
    r.destH = scaled(int64_t{r.srcH} + r.srcY, r.destH, r.srcH);
    r.srcH = r.srcH + r.srcY;
    r.srcY = 0;
    if (r.empty()) return false;
  }
  if (int64_t{h} < int64_t{r.srcY} + r.srcH) {
    const int32_t n = h - r.srcY;
    const int32_t d = scaled(r.destH, n, r.srcH);
    r.y = static_cast<int32_t>(int64_t{r.y} + r.destH - d);
    r.destH = d;
    r.srcH = n;
    if (r.empty()) return false;
  }
  if (r.srcX < 0) {
    const int32_t d = scaled(int64_t{r.srcW} + r.srcX, r.destW, r.srcW);
    r.x = static_cast<int32_t>(int64_t{r.x} + r.destW - d);
    r.destW = d;
    r.srcW = r.srcW + r.srcX;
    r.srcX = 0;
  }
  return !r.empty();
}

// Holds the halftoned copy for the length of one drawing call.
class HalftoneCopy {
 public:
  explicit HalftoneCopy(TDib dib) : dib_(std::move(dib)) { ++halftoneCopies; }
  ~HalftoneCopy() {
    deldib(dib_);
    --halftoneCopies;
  }
  HalftoneCopy(const HalftoneCopy&) = delete;
  HalftoneCopy& operator=(const HalftoneCopy&) = delete;
  const TDib& dib() const { return dib_; }

 private:
  TDib dib_;
};

// Draws through an 8-bit halftoned copy. False when the copy cannot be made.
bool drawHalftoned(Device& dc, const Rects& r, const TDib& picture, uint32_t rop) {
  const int32_t w = DibWidth(picture), h = DibHeight(picture);
  Rects src = r;
  TDib made;
  if (r.destW < r.srcW || r.destH < r.srcH) {
    // Shrinking: halftone at the target's scale, then copy 1 : 1.
    made = DIBHalftoneDIBXY(picture, scaled(w, r.destW, r.srcW), scaled(h, r.destH, r.srcH));
    if (made.empty()) return false;
    src.srcX = scaled(DibWidth(made), r.srcX, w);
    src.srcY = scaled(DibHeight(made), r.srcY, h);
    src.srcW = r.destW;
    src.srcH = r.destH;
  } else {
    made = DIBHalftoneDIB(picture);
    if (made.empty()) return false;
  }
  HalftoneCopy copy(std::move(made));
  const PaletteObject* previous = dc.selectPalette(copy.dib().Palette.get());
  dc.realizePalette();
  dc.stretchDIBits(r.x, r.y, r.destW, r.destH, src.srcX, src.srcY, src.srcW, src.srcH, copy.dib().Bits,
                   *copy.dib().info(), rop);
  dc.selectPalette(previous);
  return true;
}

// Target index i of n scaled from a source extent of `extent` starting at `start`. A target of
// one row or column takes the first source row or column.
int32_t nearestSource(int32_t start, int32_t extent, int32_t i, int32_t n) {
  if (n <= 1) return start;
  return start + static_cast<int32_t>((int64_t{extent} - 1) * i / (int64_t{n} - 1));
}

// Scales the source rectangle by nearest neighbour into a new picture of the target's size and
// hands it over unstretched.
bool drawUnstretched(Device& dc, const Rects& r, const TDib& picture) {
  const int32_t bits = DibBitCount(picture);
  const int32_t colours = DibColors(picture);
  TDib t = newdib(r.destW, r.destH, bits, picture.info(), colours <= 256 ? colours : 0);
  if (t.empty()) return false;
  const int32_t h = DibHeight(picture);
  // y counts stored rows of both pictures, from the bottom, like SrcY.
  for (int32_t y = 0; y < r.destH; ++y) {
    const int32_t sy = nearestSource(r.srcY, r.srcH, y, r.destH);
    const uint8_t* src = picture.storedRow(sy);
    uint8_t* dst = t.storedRow(y);
    for (int32_t x = 0; x < r.destW; ++x) {
      const int32_t sx = nearestSource(r.srcX, r.srcW, x, r.destW);
      switch (bits) {
        case 8:
          dst[x] = src[sx];
          break;
        case 24:
          std::memcpy(dst + static_cast<size_t>(x) * 3, src + static_cast<size_t>(sx) * 3, 3);
          break;
        case 4: {
          const uint8_t v = (sx & 1) ? (src[sx >> 1] & 0x0f) : (src[sx >> 1] >> 4);
          dst[x >> 1] |= (x & 1) ? v : static_cast<uint8_t>(v << 4);
          break;
        }
        case 1:
          // The pixel calls count rows from the top: translate both stored rows.
          setpixel(t, x, r.destH - 1 - y, getpixel(picture, sx, h - 1 - sy));
          break;
        default:
          break;  // other depths stay blank
      }
    }
  }
  return dc.setDIBitsToDevice(r.x, r.y, r.destW, r.destH, 0, 0, 0, r.destH, t.Bits, *t.info()) != 0;
}

// Last resort: the whole picture into a device bitmap, then stretched from there.
void drawThroughBitmap(Device& dc, const Rects& r, const TDib& picture, uint32_t rop) {
  const int32_t w = DibWidth(picture), h = DibHeight(picture);
  std::unique_ptr<DeviceBitmap> bitmap = dc.createCompatibleBitmap(w, h);
  if (!bitmap) {
    report("Konnte Bitmap nicht erzeugen!");
    return;
  }
  if (bitmap->setDIBits(0, h, picture.Bits, *picture.info()) == 0) {
    report("Das Gerät unterstützt die Funktion setdibits nicht!");
    return;
  }
  // The bitmap's rows run from the top, the source rectangle's from the bottom.
  const int32_t topRow = h - r.srcY - r.srcH;
  if (!dc.stretchBlt(r.x, r.y, r.destW, r.destH, *bitmap, r.srcX, topRow, r.srcW, r.srcH, rop))
    report("Das Gerät unterstützt die Funktion StretchBlt nicht!");
}

}  // namespace

int ScreenBitsPerPixel() { return screenBits.load(); }
void setScreenBitsPerPixel(int bits) { screenBits.store(bits); }
void setDrawMessageHandler(DrawMessageFn fn) { messageHandler.store(fn); }
int liveHalftoneCopies() { return halftoneCopies.load(); }

void DrawDib(Device& dc, int32_t X, int32_t Y, int32_t DestW, int32_t DestH, const TDib& picture, int32_t SrcX,
             int32_t SrcY, int32_t SrcW, int32_t SrcH, bool Halftone, uint32_t Rop) {
  if (picture.empty() || !picture.info()) return;
  Rects r{X, Y, DestW, DestH, SrcX, SrcY, SrcW, SrcH};
  if (!clipToPicture(r, DibWidth(picture), DibHeight(picture))) return;

  const PaletteObject* previous = nullptr;
  const bool ownPalette = picture.HasPalette == 1 && picture.Palette;
  if (ownPalette) {
    previous = dc.selectPalette(picture.Palette.get());
    dc.realizePalette();
  }
  dc.setStretchMode(COLORONCOLOR);

  // A halftoned copy too large to make falls back to drawing the picture itself.
  bool drawn = false;
  if (DibBitCount(picture) == 24 && ScreenBitsPerPixel() <= 8 && Halftone)
    drawn = drawHalftoned(dc, r, picture, Rop);
  if (!drawn) {
    const uint32_t caps = dc.rasterCaps();
    if (caps & RC_STRETCHDIB) {
      // Lets a device keep its converted copy of this picture between repaints.
      dc.setSourcePicture(picture.Id, picture.Generation);
      dc.setSourceData(unchangedSource(picture));
      drawn = dc.stretchDIBits(r.x, r.y, r.destW, r.destH, r.srcX, r.srcY, r.srcW, r.srcH, picture.Bits,
                               *picture.info(), Rop) != GDI_ERROR;
    }
    if (!drawn && (caps & RC_DIBTODEV)) drawn = drawUnstretched(dc, r, picture);
    if (!drawn) drawThroughBitmap(dc, r, picture, Rop);
  }

  if (ownPalette) dc.selectPalette(previous);
}

}  // namespace tessaro
