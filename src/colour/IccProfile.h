#pragma once
// An ICC colour profile as lcms2 reads it, and the conversions from it to sRGB.
#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

namespace tessaro {

class MatrixShaperToSrgb;

// The colour spaces a picture can arrive in; Other for any a conversion cannot start from.
enum class ProfileSpace { Grey, Rgb, Cmyk, Other };

class IccProfile {
 public:
  // Reads the profile from its bytes; isOpen() is false when lcms2 cannot read it or its header
  // claims more bytes than there are.
  explicit IccProfile(const std::vector<uint8_t>& bytes);
  ~IccProfile();
  IccProfile(const IccProfile&) = delete;
  IccProfile& operator=(const IccProfile&) = delete;
  bool isOpen() const { return handle_ != nullptr; }
  ProfileSpace space() const;
  // Three tone curves and a matrix, no lookup tables.
  bool isMatrixShaper() const;
  // The description its maker gave it, in English where it has several; empty when none.
  std::string description() const;
  void* handle() const { return handle_; }

 private:
  void* handle_ = nullptr;
};

// How the pixels handed to a conversion are laid out, each channel one byte.
enum class PixelLayout {
  Grey,
  Bgr,
  Cmyk,          // 0 is no ink
  CmykInverted,  // 255 is no ink, as Adobe's JPEG files store it
};

// A conversion from a profile to sRGB, blue-green-red bytes out; perceptual intent with black
// point compensation. Built once and used for any number of rows, from several threads at once.
class SrgbConversion {
 public:
  // Empty (isReady() false) when the profile cannot take pixels of that layout.
  SrgbConversion(const IccProfile& from, PixelLayout layout);
  ~SrgbConversion();
  SrgbConversion(const SrgbConversion&) = delete;
  SrgbConversion& operator=(const SrgbConversion&) = delete;
  bool isReady() const { return transform_ != nullptr; }
  // Converts `count` pixels; `to` may be `from` for a layout of three bytes a pixel.
  void convert(const uint8_t* from, uint8_t* to, size_t count) const;
  // Converts `rows` rows of `width` pixels each, `stride` bytes apart, in place (three bytes a
  // pixel), on two threads when the rows are many.
  void convertRowsInPlace(uint8_t* first, size_t width, size_t rows, size_t stride) const;

 private:
  void* transform_ = nullptr;
  std::unique_ptr<MatrixShaperToSrgb> matrixShaper_;  // the same results, faster, where it can
};

// The sRGB profile lcms2 makes, as the bytes of an ICC file (for a PDF to embed).
std::vector<uint8_t> srgbProfileBytes();

}  // namespace tessaro
