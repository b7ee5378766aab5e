#include "colour/MatrixShaper.h"

#include <lcms2.h>

#include <algorithm>
#include <cmath>

namespace tessaro {

namespace {

// Fraction bits of linear light, and so the steps of the table from it to sRGB bytes. The sRGB
// curve is steepest at black (12.92); at this many steps neighbouring entries there lie a fifth
// of a byte apart.
constexpr int kFractionBits = 14;
constexpr int kEncodeSteps = 1 << kFractionBits;

constexpr int32_t kHalf = 1 << (kFractionBits - 1);

int32_t fixed(double v) { return static_cast<int32_t>(std::lround(v * kEncodeSteps)); }

bool colorants(cmsHPROFILE profile, double m[9]) {
  const cmsTagSignature tags[] = {cmsSigRedColorantTag, cmsSigGreenColorantTag, cmsSigBlueColorantTag};
  for (int c = 0; c < 3; ++c) {
    const auto* xyz = static_cast<const cmsCIEXYZ*>(cmsReadTag(profile, tags[c]));
    if (!xyz) return false;
    m[c] = xyz->X;  // column c: the colorant's XYZ
    m[3 + c] = xyz->Y;
    m[6 + c] = xyz->Z;
  }
  return true;
}

bool invert(const double m[9], double inv[9]) {
  const double det = m[0] * (m[4] * m[8] - m[5] * m[7]) - m[1] * (m[3] * m[8] - m[5] * m[6]) +
                     m[2] * (m[3] * m[7] - m[4] * m[6]);
  if (std::fabs(det) < 1e-9) return false;
  inv[0] = (m[4] * m[8] - m[5] * m[7]) / det;
  inv[1] = (m[2] * m[7] - m[1] * m[8]) / det;
  inv[2] = (m[1] * m[5] - m[2] * m[4]) / det;
  inv[3] = (m[5] * m[6] - m[3] * m[8]) / det;
  inv[4] = (m[0] * m[8] - m[2] * m[6]) / det;
  inv[5] = (m[2] * m[3] - m[0] * m[5]) / det;
  inv[6] = (m[3] * m[7] - m[4] * m[6]) / det;
  inv[7] = (m[1] * m[6] - m[0] * m[7]) / det;
  inv[8] = (m[0] * m[4] - m[1] * m[3]) / det;
  return true;
}

const cmsToneCurve* curve(cmsHPROFILE profile, int channel) {
  const cmsTagSignature tags[] = {cmsSigRedTRCTag, cmsSigGreenTRCTag, cmsSigBlueTRCTag};
  return static_cast<const cmsToneCurve*>(cmsReadTag(profile, tags[channel]));
}

uint8_t toByte(float v) { return static_cast<uint8_t>(std::clamp(v, 0.0f, 1.0f) * 255.0f + 0.5f); }

}  // namespace

MatrixShaperToSrgb::MatrixShaperToSrgb(void* profile, void* reference) {
  ready_ = build(profile) && agreesWith(reference);
}

bool MatrixShaperToSrgb::build(void* handle) {
  const cmsHPROFILE from = static_cast<cmsHPROFILE>(handle);
  if (cmsGetColorSpace(from) != cmsSigRgbData || !cmsIsMatrixShaper(from)) return false;
  cmsHPROFILE srgb = cmsCreate_sRGBProfile();
  if (!srgb) return false;
  double source[9], target[9], targetInverse[9];
  const cmsToneCurve* srgbCurve = curve(srgb, 0);
  cmsToneCurve* srgbInverse = srgbCurve ? cmsReverseToneCurve(srgbCurve) : nullptr;
  bool ok = colorants(from, source) && colorants(srgb, target) && invert(target, targetInverse) && srgbInverse;
  std::array<std::array<int32_t, 256>, 3> linear{};  // by source channel: byte to linear light
  for (int c = 0; ok && c < 3; ++c) {
    const cmsToneCurve* tone = curve(from, c);
    ok = tone != nullptr;
    for (int i = 0; ok && i < 256; ++i) {
      linear[c][i] = fixed(cmsEvalToneCurveFloat(tone, static_cast<float>(i) / 255.0f));
      ok = linear[c][i] >= 0 && linear[c][i] <= kEncodeSteps;
    }
  }
  if (ok) {
    for (int r = 0; r < 3; ++r)
      for (int c = 0; c < 3; ++c) {
        double sum = 0;
        for (int k = 0; k < 3; ++k) sum += targetInverse[r * 3 + k] * source[k * 3 + c];
        // Each product then stays within 2^29, the sum of three within 31 bits.
        ok = ok && std::fabs(sum) < 2;
        const int32_t factor = fixed(sum);
        for (int i = 0; i < 256; ++i) contribution_[c][i][r] = factor * linear[c][i];
      }
    int64_t least = 0, greatest = kEncodeSteps;
    for (int r = 0; r < 3; ++r) {
      int64_t low = 0, high = 0;
      for (int c = 0; c < 3; ++c) {
        int32_t lowest = 0, highest = 0;
        for (const Lanes& lanes : contribution_[c]) {
          lowest = std::min(lowest, lanes[r]);
          highest = std::max(highest, lanes[r]);
        }
        low += lowest;
        high += highest;
      }
      least = std::min(least, (low + kHalf) >> kFractionBits);
      greatest = std::max(greatest, (high + kHalf) >> kFractionBits);
    }
    encodeZero_ = static_cast<int32_t>(-least);
    std::vector<uint8_t> steps(kEncodeSteps + 1);
    for (int i = 0; i <= kEncodeSteps; ++i)
      steps[i] = toByte(cmsEvalToneCurveFloat(srgbInverse, static_cast<float>(i) / kEncodeSteps));
    encode_.resize(static_cast<size_t>(greatest - least + 1));
    for (int64_t i = least; i <= greatest; ++i)
      encode_[static_cast<size_t>(i - least)] = steps[static_cast<size_t>(std::clamp<int64_t>(i, 0, kEncodeSteps))];
  }
  if (srgbInverse) cmsFreeToneCurve(srgbInverse);
  cmsCloseProfile(srgb);
  return ok;
}

void MatrixShaperToSrgb::convert(const uint8_t* from, uint8_t* to, size_t count) const {
  // The tables' addresses are read once: a byte store may alias any member, and would otherwise
  // make the compiler read them again for every pixel.
  const Lanes* red = contribution_[0].data();
  const Lanes* green = contribution_[1].data();
  const Lanes* blue = contribution_[2].data();
  const uint8_t* encode = encode_.data() + encodeZero_;
  for (size_t i = 0; i < count; ++i, from += 3, to += 3) {
    const Lanes& b = blue[from[0]];
    const Lanes& g = green[from[1]];
    const Lanes& r = red[from[2]];
    int32_t sum[4];
    for (int k = 0; k < 4; ++k) sum[k] = (r[k] + g[k] + b[k] + kHalf) >> kFractionBits;
    const uint8_t outR = encode[sum[0]], outG = encode[sum[1]], outB = encode[sum[2]];
    to[0] = outB;
    to[1] = outG;
    to[2] = outR;
  }
}

// Every colour whose channels are multiples of 17, and every grey.
bool MatrixShaperToSrgb::agreesWith(void* reference) const {
  std::vector<uint8_t> colours;
  for (int b = 0; b <= 255; b += 17)
    for (int g = 0; g <= 255; g += 17)
      for (int r = 0; r <= 255; r += 17) colours.insert(colours.end(), {uint8_t(b), uint8_t(g), uint8_t(r)});
  for (int v = 0; v < 256; ++v) colours.insert(colours.end(), {uint8_t(v), uint8_t(v), uint8_t(v)});
  std::vector<uint8_t> ours(colours.size()), theirs(colours.size());
  convert(colours.data(), ours.data(), colours.size() / 3);
  cmsDoTransform(static_cast<cmsHTRANSFORM>(reference), colours.data(), theirs.data(),
                 static_cast<cmsUInt32Number>(colours.size() / 3));
  for (size_t i = 0; i < ours.size(); ++i)
    if (ours[i] != theirs[i]) return false;
  return true;
}

}  // namespace tessaro
