#pragma once
// A picture's image as the compressed data it was decoded from: a JPEG file whole (DCTDecode),
// a PNG file's image data with its row filters (FlateDecode with the PNG predictor). Neither is
// decoded or compressed again.
#include <cstdint>

#include "pdf/PdfWriter.h"
#include "picture/Dib.h"
#include "picture/PictureSource.h"

namespace tessaro {

// True when `source` holds exactly the `rowCount` rows of the picture `info` describes, in
// colours the PDF shows as the picture does.
bool pdfSourceFits(const PictureSource& source, const BitmapInfo& info, int32_t rowCount);
// The matrix (with its operator, or nothing for 1) that turns an image stored as Exif
// orientation `orientation` says into its upright place in the unit square.
std::string pdfOrientationMatrix(int orientation);
// Writes the source as image object `number`; it must fit the picture `info` describes.
void writePdfSourceImage(PdfWriter& writer, int number, const PictureSource& source, const BitmapInfo& info,
                         const std::string& rgb);

}  // namespace tessaro
