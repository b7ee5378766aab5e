#include "picture/PhotoFinish.h"

#include <utility>

#include "picture/ExifFields.h"
#include "picture/Orientation.h"
#include "picture/PictureSource.h"
#include "picture/ProfileConversion.h"

namespace tessaro {

namespace {

// The file's resolution for the picture once it stands upright.
Resolution uprightResolution(const InputStream& in) {
  const PictureMetadata& m = in.metadata();
  const Resolution stored = m.resolution.stored() ? m.resolution : exifFields(m.exif).resolution;
  return swapsSides(orientationToApply(in)) ? stored.swapped() : stored;
}

void noteFound(const InputStream& in, LoadNotes* notes) {
  if (!notes) return;
  const PictureMetadata& m = in.metadata();
  notes->orientation = orientationOf(m);
  notes->resolution = uprightResolution(in);
  notes->hasProfile = !m.icc.empty();
  if (!notes->hasProfile) return;
  notes->profile = profileDescription(m.icc);
  notes->profileUsable = m.profileApplied || profileUsable(m.icc);
  notes->profileUsed = m.profileApplied;
}

}  // namespace

int orientationToApply(const InputStream& in) { return in.readOptions().autoOrient ? orientationOf(in.metadata()) : 1; }

TDib finishPicture(TDib dib, const InputStream& in, LoadNotes* notes) {
  noteFound(in, notes);
  if (dib.empty()) return dib;
  // The data the pixels came from goes on describing the picture where it is told how to show
  // it: turned by the orientation, in colours from the same profile.
  std::shared_ptr<const PictureSource> source = sharedUnchangedSource(dib);
  bool converted = false;
  if (profileToApply(in) && convertToSrgb(dib, in.metadata().icc)) {
    converted = true;
    if (notes) notes->profileUsed = true;
  }
  const int orientation = orientationToApply(in);
  if (orientation != 1 && !in.metadata().turnedByDecoder) dib = turnUpright(std::move(dib), orientation);
  if (orientation != 1 && notes && !dib.empty()) notes->turned = true;
  dib.Dpi = uprightResolution(in);
  if (source && !dib.empty() && source->orientation == orientation && (!converted || source->icc == in.metadata().icc))
    keepSource(dib, std::move(source));
  return dib;
}

PictureHeader finishHeader(PictureHeader header, const InputStream& in, LoadNotes* notes) {
  noteFound(in, notes);
  if (swapsSides(orientationToApply(in))) std::swap(header.width, header.height);
  return header;
}

bool profileToApply(const InputStream& in) {
  const PictureMetadata& m = in.metadata();
  return in.readOptions().useProfile && !m.icc.empty() && !m.profileApplied;
}

}  // namespace tessaro
