#include "picture/ExifFields.h"

#include <libexif/exif-data.h>

#include <memory>

namespace tessaro {

namespace {

struct ExifDataFree {
  void operator()(ExifData* data) const { exif_data_unref(data); }
};

ExifEntry* entryOf(ExifData* data, ExifTag tag, ExifFormat format, unsigned int bytes) {
  ExifEntry* entry = exif_content_get_entry(data->ifd[EXIF_IFD_0], tag);
  if (!entry || entry->format != format || entry->components < 1 || entry->size < bytes || !entry->data) return nullptr;
  return entry;
}

double rationalOf(ExifData* data, ExifTag tag) {
  const ExifEntry* entry = entryOf(data, tag, EXIF_FORMAT_RATIONAL, 8);
  if (!entry) return 0;
  const ExifRational r = exif_get_rational(entry->data, exif_data_get_byte_order(data));
  return r.denominator ? static_cast<double>(r.numerator) / r.denominator : 0;
}

}  // namespace

// libexif finds the block only behind its APP1 identifier, so it is put back in front. libexif
// bounds every offset, count and nesting depth itself: a damaged block reads as one without the
// entries.
ExifFields exifFields(const std::vector<uint8_t>& exif) {
  static constexpr uint8_t kIdentifier[] = {'E', 'x', 'i', 'f', 0, 0};
  ExifFields fields;
  if (exif.empty() || exif.size() > 0xffffffffu - sizeof kIdentifier) return fields;
  std::vector<uint8_t> block(kIdentifier, kIdentifier + sizeof kIdentifier);
  block.insert(block.end(), exif.begin(), exif.end());
  const std::unique_ptr<ExifData, ExifDataFree> data(exif_data_new());
  if (!data) return fields;
  // Loaded as it stands: libexif's clean-up on loading would add and change entries.
  exif_data_unset_option(data.get(), EXIF_DATA_OPTION_FOLLOW_SPECIFICATION);
  exif_data_load_data(data.get(), block.data(), static_cast<unsigned int>(block.size()));
  const ExifByteOrder order = exif_data_get_byte_order(data.get());
  if (const ExifEntry* e = entryOf(data.get(), EXIF_TAG_ORIENTATION, EXIF_FORMAT_SHORT, 2))
    fields.orientation = exif_get_short(e->data, order);
  // Without a unit, inches; 1 says the file knows none.
  const ExifEntry* unit = entryOf(data.get(), EXIF_TAG_RESOLUTION_UNIT, EXIF_FORMAT_SHORT, 2);
  const int u = unit ? exif_get_short(unit->data, order) : 2;
  if (u == 2 || u == 3)
    fields.resolution = resolutionPer(rationalOf(data.get(), EXIF_TAG_X_RESOLUTION),
                                      rationalOf(data.get(), EXIF_TAG_Y_RESOLUTION), u == 3 ? kCmPerInch : 1);
  return fields;
}

}  // namespace tessaro
