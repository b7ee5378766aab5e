#pragma once
// RGB to sRGB for the profiles cameras and phones embed (Display P3, Adobe RGB and their kind):
// three tone curves and a matrix, in 14-bit fixed point. lcms2 takes its general pipeline for our
// perceptual, black-point-compensated conversion, at about twice the time a pixel. On every such
// profile tried, all 16.7 million colours come out as lcms2 gives them; it is used only where it
// does so on a lattice of test colours.
#include <array>
#include <cstddef>
#include <cstdint>
#include <vector>

namespace tessaro {

class MatrixShaperToSrgb {
 public:
  // Ready only when `profile` (an open lcms2 profile) is an RGB matrix-shaper profile and the
  // result equals that of `reference` (lcms2's transform from it to sRGB, blue-green-red bytes
  // both ways) on a lattice of test colours and every grey.
  MatrixShaperToSrgb(void* profile, void* reference);
  bool isReady() const { return ready_; }
  // Blue-green-red bytes; `to` may be `from`.
  void convert(const uint8_t* from, uint8_t* to, size_t count) const;

 private:
  bool build(void* profile);
  bool agreesWith(void* reference) const;

  // In fixed point with 14 fraction bits. For each source channel and byte, what it adds to the
  // linear sRGB red, green and blue (its linear light times the matrix's column): a pixel then
  // costs three loads and two additions of four lanes, and three lookups.
  using Lanes = std::array<int32_t, 4>;
  std::array<std::array<Lanes, 256>, 3> contribution_{};  // by source channel red, green, blue
  // Linear sRGB, 1 << 14 steps, to bytes; from the least to the greatest sum the matrix can give,
  // so that colours outside sRGB need no clamping in the pixel loop.
  std::vector<uint8_t> encode_;
  int32_t encodeZero_ = 0;  // where linear 0 lies in encode_
  bool ready_ = false;
};

}  // namespace tessaro
