#pragma once
// The one routine that draws a picture, or a rectangle of it, stretched onto a device.
#include <cstdint>

#include "picture/Device.h"
#include "picture/Dib.h"

namespace tessaro {

// Bits per pixel of the screen; set by the program at start (tests set what they need).
int ScreenBitsPerPixel();
void setScreenBitsPerPixel(int bits);

// Reports of the last-resort path ("Konnte Bitmap nicht erzeugen!" ...): the program shows them
// in a message box; by default they go nowhere.
using DrawMessageFn = void (*)(const char* utf8Message);
void setDrawMessageHandler(DrawMessageFn fn);

// Draws the source rectangle (SrcY counts rows from the bottom of the picture) into the target
// rectangle. Halftone is true for screens and false for printer pages.
void DrawDib(Device& dc, int32_t X, int32_t Y, int32_t DestW, int32_t DestH, const TDib& picture, int32_t SrcX,
             int32_t SrcY, int32_t SrcW, int32_t SrcH, bool Halftone, uint32_t Rop);

// Halftoned copies for screens of 8 bits or fewer: an 8-bit picture with a halftone palette,
// of the same size or scaled to width x height.
TDib DIBHalftoneDIB(const TDib& picture);
TDib DIBHalftoneDIBXY(const TDib& picture, int32_t width, int32_t height);

// Halftoned copies DrawDib holds at this moment: 1 while it draws through one, otherwise 0.
// Lets tests see that the temporary lives exactly as long as the drawing call.
int liveHalftoneCopies();

}  // namespace tessaro
