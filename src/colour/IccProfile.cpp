#include "colour/IccProfile.h"

#include <lcms2.h>

#include <thread>

#include "colour/MatrixShaper.h"

namespace tessaro {

namespace {

cmsHPROFILE asProfile(void* handle) { return static_cast<cmsHPROFILE>(handle); }
cmsHTRANSFORM asTransform(void* handle) { return static_cast<cmsHTRANSFORM>(handle); }

cmsUInt32Number lcmsFormat(PixelLayout layout) {
  switch (layout) {
    case PixelLayout::Grey:
      return TYPE_GRAY_8;
    case PixelLayout::Bgr:
      return TYPE_BGR_8;
    case PixelLayout::Cmyk:
      return TYPE_CMYK_8;
    case PixelLayout::CmykInverted:
      return TYPE_CMYK_8_REV;
  }
  return 0;
}

ProfileSpace spaceOfLayout(PixelLayout layout) {
  if (layout == PixelLayout::Grey) return ProfileSpace::Grey;
  return layout == PixelLayout::Bgr ? ProfileSpace::Rgb : ProfileSpace::Cmyk;
}

// Below this many pixels a second thread costs more than it saves.
constexpr size_t kThreadedPixels = size_t{1} << 20;

// The size the profile's header claims for it. lcms2 would read a profile cut short, or one that
// claims more than it holds, as far as it goes; such a profile is damaged and taken as none.
constexpr size_t kHeaderBytes = 128;
size_t claimedSize(const std::vector<uint8_t>& bytes) {
  return size_t{bytes[0]} << 24 | size_t{bytes[1]} << 16 | size_t{bytes[2]} << 8 | bytes[3];
}

}  // namespace

IccProfile::IccProfile(const std::vector<uint8_t>& bytes) {
  if (bytes.size() < kHeaderBytes || claimedSize(bytes) > bytes.size() || claimedSize(bytes) < kHeaderBytes) return;
  handle_ = cmsOpenProfileFromMem(bytes.data(), static_cast<cmsUInt32Number>(claimedSize(bytes)));
}

IccProfile::~IccProfile() {
  if (handle_) cmsCloseProfile(asProfile(handle_));
}

ProfileSpace IccProfile::space() const {
  if (!handle_) return ProfileSpace::Other;
  switch (cmsGetColorSpace(asProfile(handle_))) {
    case cmsSigGrayData:
      return ProfileSpace::Grey;
    case cmsSigRgbData:
      return ProfileSpace::Rgb;
    case cmsSigCmykData:
      return ProfileSpace::Cmyk;
    default:
      return ProfileSpace::Other;
  }
}

bool IccProfile::isMatrixShaper() const { return handle_ && cmsIsMatrixShaper(asProfile(handle_)); }

std::string IccProfile::description() const {
  if (!handle_) return {};
  const cmsUInt32Number bytes = cmsGetProfileInfoASCII(asProfile(handle_), cmsInfoDescription, "en", "US", nullptr, 0);
  if (bytes <= 1) return {};
  std::string text(bytes, '\0');
  cmsGetProfileInfoASCII(asProfile(handle_), cmsInfoDescription, "en", "US", text.data(), bytes);
  text.resize(text.find('\0') == std::string::npos ? text.size() : text.find('\0'));
  return text;
}

SrgbConversion::SrgbConversion(const IccProfile& from, PixelLayout layout) {
  if (!from.isOpen() || from.space() != spaceOfLayout(layout)) return;
  cmsHPROFILE srgb = cmsCreate_sRGBProfile();
  if (!srgb) return;
  transform_ = cmsCreateTransform(asProfile(from.handle()), lcmsFormat(layout), srgb, TYPE_BGR_8, INTENT_PERCEPTUAL,
                                  cmsFLAGS_BLACKPOINTCOMPENSATION);
  cmsCloseProfile(srgb);
  if (transform_ && layout == PixelLayout::Bgr) {
    matrixShaper_ = std::make_unique<MatrixShaperToSrgb>(from.handle(), transform_);
    if (!matrixShaper_->isReady()) matrixShaper_.reset();
  }
}

SrgbConversion::~SrgbConversion() {
  if (transform_) cmsDeleteTransform(asTransform(transform_));
}

void SrgbConversion::convert(const uint8_t* from, uint8_t* to, size_t count) const {
  if (matrixShaper_) return matrixShaper_->convert(from, to, count);
  cmsDoTransform(asTransform(transform_), from, to, static_cast<cmsUInt32Number>(count));
}

void SrgbConversion::convertRowsInPlace(uint8_t* first, size_t width, size_t rows, size_t stride) const {
  const auto run = [&](size_t from, size_t count) {
    uint8_t* p = first + from * stride;
    if (matrixShaper_) {
      for (size_t row = 0; row < count; ++row, p += stride) matrixShaper_->convert(p, p, width);
      return;
    }
    cmsDoTransformLineStride(asTransform(transform_), p, p, static_cast<cmsUInt32Number>(width),
                             static_cast<cmsUInt32Number>(count), static_cast<cmsUInt32Number>(stride),
                             static_cast<cmsUInt32Number>(stride), 0, 0);
  };
  const size_t half = rows / 2;
  if (width * rows < kThreadedPixels || std::thread::hardware_concurrency() < 2 || half == 0) {
    run(0, rows);
    return;
  }
  std::thread other(run, half, rows - half);
  run(0, half);
  other.join();
}

std::vector<uint8_t> srgbProfileBytes() {
  cmsHPROFILE srgb = cmsCreate_sRGBProfile();
  if (!srgb) return {};
  cmsUInt32Number bytes = 0;
  std::vector<uint8_t> data;
  if (cmsSaveProfileToMem(srgb, nullptr, &bytes) && bytes > 0) {
    data.resize(bytes);
    if (!cmsSaveProfileToMem(srgb, data.data(), &bytes)) data.clear();
  }
  cmsCloseProfile(srgb);
  return data;
}

}  // namespace tessaro
