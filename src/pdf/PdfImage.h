#pragma once
// Picture rows as a lossless PDF image: 24 and 32 bits as 8-bit RGB, 1, 4 and 8 bits as indexed
// colours of the picture's table, deflated after a PNG filter per row.
#include <cstdint>
#include <string>

#include "pdf/PdfWriter.h"
#include "picture/Dib.h"

namespace tessaro {

// True when the `rowCount` bottom-up rows at `bits` (of the width and depth `info` gives) are a
// picture an image can hold.
bool pdfImageFits(const uint8_t* bits, const BitmapInfo& info, int32_t rowCount);
// The colour space of a picture of that depth: RGB (the space `rgb` names), or its colour table
// as indexed colours of that space.
std::string pdfColourSpace(const BitmapInfo& info, int bits, const std::string& rgb);
// Writes those rows as image object `number`, their colours in the RGB space `rgb`; they must fit.
void writePdfImage(PdfWriter& writer, int number, const uint8_t* bits, const BitmapInfo& info, int32_t rowCount,
                   const std::string& rgb);

}  // namespace tessaro
