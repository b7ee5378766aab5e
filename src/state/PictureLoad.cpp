#include "state/PictureLoad.h"

#include "vector/VectorPicture.h"

namespace tessaro {

int32_t zweihoch(int32_t n) {
  uint32_t v = 1;
  for (int32_t i = 0; i < n; ++i) v <<= 1;
  return static_cast<int32_t>(v);
}

bool loadPictureFile(MainState& s, const std::string& path, const ProgressFn& progress, FileError* why,
                     const AcceptDamageFn& acceptDamage, const ReadOptions& read) {
  FileError result;
  LoadRequest request;
  request.progress = progress;
  request.damaged = acceptDamage ? DamagedPicture::Keep : DamagedPicture::Refuse;
  request.read = read;
  TDib loaded = loadPictureOrPage(path, request, &result);
  if (!loaded.empty() && result && !acceptDamage(result)) result = FileError{}, loaded = TDib();
  if (why) *why = result;
  if (loaded.empty()) return false;
  // The new picture is complete; only now is the old one given up.
  s.Picture = std::move(loaded);
  posterForNewPicture(s.poster);
  // A page is drawn to be printed at its size: the poster starts there.
  if (isVectorPage(s.Picture)) s.poster.PhysicalScale = 1;
  s.CropLeft = 0;
  s.CropTop = 0;
  s.CropRight = DibWidth(s.Picture);
  s.CropBottom = DibHeight(s.Picture);
  return true;
}

PreviewSize fitPreview(int32_t bw, int32_t bh, int32_t W, int32_t H) {
  if (W <= 0 || H <= 0 || bw <= 0 || bh <= 0) return {};
  const int64_t t = static_cast<int64_t>(bw) * H / W;
  if (bh < t) return {static_cast<int32_t>(static_cast<int64_t>(bh) * W / H), bh};
  return {bw, static_cast<int32_t>(t)};
}

}  // namespace tessaro
