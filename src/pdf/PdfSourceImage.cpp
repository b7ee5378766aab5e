#include "pdf/PdfSourceImage.h"

#include <string>
#include <string_view>

#include "pdf/PdfImage.h"

namespace tessaro {

namespace {

// The table of a grey picture as decoders make it: entry i is grey i.
bool greyRamp(const BitmapInfo& info) {
  for (int i = 0; i < 256; ++i) {
    const RgbQuad& q = info.bmiColors[i];
    if (q.rgbRed != i || q.rgbGreen != i || q.rgbBlue != i) return false;
  }
  return true;
}

std::string colourSpace(const PictureSource& source, const BitmapInfo& info, const std::string& rgb) {
  if (source.indexed) return pdfColourSpace(info, 8, rgb);
  return source.components == 1 ? "/DeviceGray" : source.components == 3 ? rgb : "/DeviceCMYK";
}

std::string filterEntries(const PictureSource& source) {
  if (source.kind == PictureSource::Kind::Png)
    return "/Filter /FlateDecode /DecodeParms << /Predictor 15 /Colors " + std::to_string(source.components) +
           " /BitsPerComponent 8 /Columns " + std::to_string(source.width) + " >>";
  // Adobe's inverted CMYK is turned back by the decode ranges; RGB data must not be read as YCbCr.
  std::string entries = source.inverted ? "/Decode [1 0 1 0 1 0 1 0] /Filter /DCTDecode" : "/Filter /DCTDecode";
  if (source.untransformed) entries += " /DecodeParms << /ColorTransform 0 >>";
  return entries;
}

}  // namespace

bool pdfSourceFits(const PictureSource& source, const BitmapInfo& info, int32_t rowCount) {
  const BitmapInfoHeader& h = info.bmiHeader;
  if (source.orientation < 1 || source.orientation > 8) return false;
  const bool across = source.orientation >= 5;  // a quarter turn: the sides exchanged
  const int32_t width = across ? source.height : source.width, height = across ? source.width : source.height;
  if (h.biWidth != width || h.biHeight != height || rowCount != height || source.data.empty()) return false;
  bool colours = false;
  if (source.indexed)
    colours = source.components == 1 && h.biBitCount == 8;
  else if (source.components == 1)
    colours = h.biBitCount == 8 && greyRamp(info);
  else if (source.components == 3 || source.components == 4)
    colours = h.biBitCount == 24 && (source.components == 3 || source.kind == PictureSource::Kind::Jpeg);
  return colours && (source.kind == PictureSource::Kind::Jpeg || pngDataComplete(source));
}

// Image space has the stored top row at the top of the unit square; each matrix maps that square
// onto itself so that the stored picture lands as the upright one does.
std::string pdfOrientationMatrix(int orientation) {
  static constexpr const char* kMatrices[] = {
      "",                    // 1: as stored
      "-1 0 0 1 1 0 cm ",    // 2: mirrored left to right
      "-1 0 0 -1 1 1 cm ",   // 3: half a turn
      "1 0 0 -1 0 1 cm ",    // 4: mirrored top to bottom
      "0 -1 -1 0 1 1 cm ",   // 5: mirrored along the main diagonal
      "0 -1 1 0 0 1 cm ",    // 6: a quarter turn to the right
      "0 1 1 0 0 0 cm ",     // 7: mirrored along the other diagonal
      "0 1 -1 0 1 0 cm ",    // 8: a quarter turn to the left
  };
  return orientation >= 1 && orientation <= 8 ? kMatrices[orientation - 1] : "";
}

void writePdfSourceImage(PdfWriter& writer, int number, const PictureSource& source, const BitmapInfo& info,
                         const std::string& rgb) {
  const std::string entries = "/Type /XObject /Subtype /Image /Width " + std::to_string(source.width) + " /Height " +
                              std::to_string(source.height) + " /ColorSpace " + colourSpace(source, info, rgb) +
                              " /BitsPerComponent 8 /Interpolate false " + filterEntries(source);
  writer.streamObject(number, entries,
                      std::string_view(reinterpret_cast<const char*>(source.data.data()), source.data.size()));
}

}  // namespace tessaro
