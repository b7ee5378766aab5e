#include "layout/PassportLayout.h"

#include <algorithm>
#include <cmath>

#include "picture/DrawDib.h"

namespace tessaro {

namespace {

constexpr int32_t kPageOffset = 10;   // the preview page's distance from the box's corner
constexpr int32_t kThumbLimit = 100;  // copies up to this size are drawn from the reduced copy
constexpr int32_t kMaxPaletteColors = 256;

}  // namespace

std::vector<PassCopy> passPageLayout(const PassSettings& s, int32_t left, int32_t top, int32_t right, int32_t bottom) {
  std::vector<PassCopy> copies;
  if (!(s.PassWidth > 0 && s.PassSpacing >= 0)) return copies;
  const Ext DX = static_cast<Ext>(right) - left;
  const Ext DY = static_cast<Ext>(bottom) - top;
  const Ext m = s.PassMargin, w = s.PassWidth, h = s.PassHeight, sp = s.PassSpacing;
  int32_t x0 = Trunc(DX * m + left);
  int32_t y0 = Trunc(DY * m + top);
  int32_t x1 = 0, y1 = 0;
  // A copy is at least one pixel wide and high, also the first of a row: every copy counted is
  // drawn, and every step moves on.
  auto span = [&] {
    x1 = std::max(Trunc(DX * w + x0), x0 + 1);
    y1 = std::max(Trunc(DY * h + y0), y0 + 1);
  };
  for (;;) {
    span();
    if (right < DX * m + x1) {
      x0 = Trunc(left + DX * m);
      y0 = Trunc(DY * sp + y1);
      span();
    }
    if (bottom < DY * m + y1) break;
    copies.push_back({x0, y0, x1 - x0, y1 - y0});
    x0 = Trunc(DX * sp + x1);
  }
  return copies;
}

Ext passHeight(const TDib& picture, Ext width, int32_t pageW, int32_t pageH) {
  const int32_t W = DibWidth(picture), H = DibHeight(picture);
  if (W <= 0 || H <= 0 || pageW <= 0 || pageH <= 0) return 0;
  return static_cast<Ext>(H) * width * pageW / W / pageH;
}

PassSizeMm passSizeMm(const PageMetrics& m, Ext passWidth, Ext passHeight) {
  PassSizeMm size;
  if (m.dpiX > 0) size.width = Trunc(m.pageWidth * passWidth * 297 / 3510 * 300 / m.dpiX);
  if (m.dpiY > 0) size.height = Trunc(m.pageHeight * passHeight * 297 / 3510 * 300 / m.dpiY);
  return size;
}

std::string formatPassSize(const PassSizeMm& size) {
  return std::to_string(size.width) + " x " + std::to_string(size.height) + " mm";
}

std::span<const PhotoSize> photoSizes() {
  static constexpr PhotoSize sizes[] = {
      {"35x45", "35 x 45 mm", "35 × 45", 35, 45},
      {"40x50", "40 x 50 mm", "40 × 50", 40, 50},
      {"50x50", "50 x 50 mm", "50 × 50", 50, 50},
      {"2x2", "2 x 2 Zoll (50.8 mm)", "2 × 2 Zoll", 50.8L, 50.8L},
      {"", "frei", "", 0, 0},
  };
  return sizes;
}

const PhotoSize* findPhotoSize(const std::string& key) {
  for (const PhotoSize& p : photoSizes())
    if (p.widthMm > 0 && key == p.key) return &p;
  return nullptr;
}

Ext passWidthForMm(const PageMetrics& m, Ext mm) {
  if (m.pageWidth <= 0 || m.dpiX <= 0) return 0;
  return mm * m.dpiX / 25.4L / m.pageWidth;
}

PassSizeMm passPrintedMm(const PageMetrics& m, Ext passWidth, Ext passHeight) {
  PassSizeMm size;
  if (m.dpiX > 0) size.width = Round(m.pageWidth * passWidth / m.dpiX * 25.4L);
  if (m.dpiY > 0) size.height = Round(m.pageHeight * passHeight / m.dpiY * 25.4L);
  return size;
}

PixelRect passFitCrop(const PhotoSize& size, const PixelRect& within) {
  const int32_t w = within.right - within.left, h = within.bottom - within.top;
  if (w <= 0 || h <= 0 || size.widthMm <= 0 || size.heightMm <= 0) return within;
  int32_t fw = w, fh = h;
  if (w * size.heightMm > h * size.widthMm)
    fw = std::clamp(Round(h * size.widthMm / size.heightMm), 1, w);
  else
    fh = std::clamp(Round(w * size.heightMm / size.widthMm), 1, h);
  const int32_t left = within.left + (w - fw) / 2, top = within.top + (h - fh) / 2;
  return {left, top, left + fw, top + fh};
}

bool passShapeDiffers(const PhotoSize& size, int32_t W, int32_t H) {
  if (W <= 0 || H <= 0 || size.widthMm <= 0 || size.heightMm <= 0) return false;
  return std::abs(W * size.heightMm / (H * size.widthMm) - 1) > 0.01L;
}

PassPreviewPage passPreviewPage(int32_t boxW, int32_t boxH, Ext zoom, int32_t zoomBaseHeight, int32_t PW, int32_t PH) {
  PassPreviewPage p;
  if (PW <= 0 || PH <= 0) return p;
  int64_t pw = boxW - 2 * kPageOffset;
  int64_t ph = pw * 10 * PH / PW / 10;
  if (static_cast<Ext>(ph) > zoom * zoomBaseHeight) {
    ph = boxH - 2 * kPageOffset;
    pw = ph * 10 * PW / PH / 10;
  }
  // A box smaller than its border has no page to show.
  if (pw <= 0 || ph <= 0) return p;
  p.pw = static_cast<int32_t>(pw);
  p.ph = static_cast<int32_t>(ph);
  return p;
}

TDib PassThumb(const TDib& picture, int32_t tw, int32_t th) {
  const int32_t W = DibWidth(picture), H = DibHeight(picture);
  if (tw <= 0 || th <= 0 || W <= 0 || H <= 0) return {};
  const int32_t colors = DibColors(picture);
  TDib thumb = newdib(tw, th, DibBitCount(picture), picture.info(), colors > kMaxPaletteColors ? 0 : colors);
  if (thumb.empty()) return thumb;
  for (int32_t y = 0; y < th; ++y) {
    const auto sy = static_cast<int32_t>(static_cast<int64_t>(y) * H / th);
    for (int32_t x = 0; x < tw; ++x)
      setpixel(thumb, x, y, getpixel(picture, static_cast<int32_t>(static_cast<int64_t>(x) * W / tw), sy));
  }
  return thumb;
}

int32_t passProgress(int32_t drawn, int32_t passCount) {
  if (passCount <= 0) return 100;
  return static_cast<int32_t>(std::clamp<int64_t>(static_cast<int64_t>(drawn) * 100 / passCount, 0, 100));
}

PassPreviewResult passPreview(const TDib& picture, const PassPreviewBox& geometry, PassSettings settings) {
  PassPreviewResult result;
  const PageMetrics& m = geometry.metrics;
  const PassPreviewPage page = passPreviewPage(geometry.width, geometry.height, geometry.zoom, geometry.zoomBaseHeight,
                                               m.pageWidth, m.pageHeight);
  result.page = page;
  // Without a page in the box the size still follows the printer's page.
  settings.PassHeight =
      static_cast<double>(page.valid() ? passHeight(picture, settings.PassWidth, page.pw, page.ph)
                                       : passHeight(picture, settings.PassWidth, m.pageWidth, m.pageHeight));
  result.settings = settings;
  result.size = passSizeMm(m, settings.PassWidth, settings.PassHeight);
  if (!page.valid()) return result;
  result.copies = passPageLayout(settings, kPageOffset, kPageOffset, kPageOffset + page.pw, kPageOffset + page.ph);
  result.PassCount = static_cast<int32_t>(result.copies.size());
  return result;
}

PassPreviewResult paintPassPreview(Device& box, const TDib& picture, const PassPreviewBox& geometry,
                                   PassSettings settings) {
  PassPreviewResult result = passPreview(picture, geometry, settings);
  const PassPreviewPage page = result.page;
  if (!page.valid()) return result;
  box.setBrush(kWhite);
  box.setPen(kWhite, PenStyle::Solid);
  box.rectangle(kPageOffset, kPageOffset, kPageOffset + page.pw, kPageOffset + page.ph);
  if (result.copies.empty()) return result;
  const int32_t tw = Trunc(static_cast<Ext>(page.pw) * result.settings.PassWidth);
  const int32_t th = Trunc(static_cast<Ext>(page.ph) * result.settings.PassHeight);
  // Freed when the paint ends, whichever way it ends.
  const TDib thumb = (tw <= kThumbLimit || th <= kThumbLimit) ? PassThumb(picture, tw, th) : TDib{};
  const TDib& source = thumb.empty() ? picture : thumb;
  for (const PassCopy& c : result.copies)
    DrawDib(box, c.x, c.y, c.w, c.h, source, 0, 0, DibWidth(source), DibHeight(source), true, SRCCOPY);
  return result;
}

}  // namespace tessaro
