#include "picture/Orientation.h"

#include <libexif/exif-data.h>

#include <array>
#include <memory>

#include "picture/MirrorRotate.h"

namespace tessaro {

namespace {

struct ExifDataFree {
  void operator()(ExifData* data) const { exif_data_unref(data); }
};

// libexif finds the block only behind its APP1 identifier, so it is put back in front. libexif
// bounds every offset, count and nesting depth itself: a damaged block reads as one without the
// entry.
int exifOrientation(const std::vector<uint8_t>& exif) {
  static constexpr uint8_t kIdentifier[] = {'E', 'x', 'i', 'f', 0, 0};
  if (exif.empty() || exif.size() > 0xffffffffu - sizeof kIdentifier) return 0;
  std::vector<uint8_t> block(kIdentifier, kIdentifier + sizeof kIdentifier);
  block.insert(block.end(), exif.begin(), exif.end());
  const std::unique_ptr<ExifData, ExifDataFree> data(exif_data_new());
  if (!data) return 0;
  // Loaded as it stands: the "fix" of the specification's rules would add and change entries.
  exif_data_unset_option(data.get(), EXIF_DATA_OPTION_FOLLOW_SPECIFICATION);
  exif_data_load_data(data.get(), block.data(), static_cast<unsigned int>(block.size()));
  ExifEntry* entry = exif_content_get_entry(data->ifd[EXIF_IFD_0], EXIF_TAG_ORIENTATION);
  if (!entry || entry->format != EXIF_FORMAT_SHORT || entry->components < 1 || entry->size < 2 || !entry->data)
    return 0;
  return exif_get_short(entry->data, exif_data_get_byte_order(data.get()));
}

bool valid(int orientation) { return orientation >= 1 && orientation <= 8; }

}  // namespace

int orientationOf(const PictureMetadata& metadata) {
  if (metadata.orientedByContainer) return 1;
  if (valid(metadata.orientation)) return metadata.orientation;
  const int fromExif = exifOrientation(metadata.exif);
  return valid(fromExif) ? fromExif : 1;
}

TDib turnUpright(TDib picture, int orientation) {
  using Step = TDib (*)(const TDib&, const ProgressFn&);
  // The steps of each orientation; transpose (5) and transverse (7) are a turn and a mirror.
  static constexpr std::array<std::array<Step, 2>, 9> kSteps = {{
      {},
      {},
      {flipHorizontal},
      {flipHorizontal, flipVertical},
      {flipVertical},
      {rotateRight, flipHorizontal},
      {rotateRight},
      {rotateRight, flipVertical},
      {rotateLeft},
  }};
  if (!valid(orientation)) return picture;
  // Each step's result replaces the picture before it at once: never more than one picture
  // beside the one being made.
  for (const Step step : kSteps[static_cast<size_t>(orientation)])
    if (step && !picture.empty()) picture = step(picture, ProgressFn());
  return picture;
}

}  // namespace tessaro
