/* Writes a Display P3 profile (P3 primaries, D65 white, the sRGB tone curve) with lcms2. */
#include <lcms2.h>

int main(int argc, char** argv) {
  if (argc != 2) return 2;
  const cmsCIExyY white = {0.3127, 0.3290, 1.0};
  const cmsCIExyYTRIPLE primaries = {{0.680, 0.320, 1.0}, {0.265, 0.690, 1.0}, {0.150, 0.060, 1.0}};
  const cmsFloat64Number srgbCurve[5] = {2.4, 1 / 1.055, 0.055 / 1.055, 1 / 12.92, 0.04045};
  cmsToneCurve* curve = cmsBuildParametricToneCurve(NULL, 4, srgbCurve);
  cmsToneCurve* curves[3] = {curve, curve, curve};
  cmsHPROFILE p3 = cmsCreateRGBProfile(&white, &primaries, curves);
  cmsMLU* name = cmsMLUalloc(NULL, 1);
  cmsMLUsetASCII(name, "en", "US", "Display P3");
  cmsWriteTag(p3, cmsSigProfileDescriptionTag, name);
  const int ok = cmsSaveProfileToFile(p3, argv[1]);
  cmsMLUfree(name);
  cmsFreeToneCurve(curve);
  cmsCloseProfile(p3);
  return ok ? 0 : 1;
}
