#pragma once
// The picture library's file side: open and save by format, and the two filter texts.
#include <optional>
#include <span>
#include <string>
#include <vector>

#include "picture/Codec.h"

namespace tessaro {

// Format numbers of the save dialog: filter index + 2.
enum SaveFormat : int32_t {
  kFormatBmp = 3,
  kFormatDib = 4,
  kFormatGif = 5,
  kFormatIff = 6,
  kFormatJif = 7,
  kFormatJpg = 8,
  kFormatLbm = 9,
  kFormatPcx = 10,
  kFormatRle = 11,
  kFormatTga = 12,
  kFormatTif = 13,
  kFormatPng = 14,
};

struct SaveEntry {
  int32_t format;
  std::string description;  // as shown in the save dialog
  std::string extension;    // default extension with its dot
  const Codec* codec;       // null while the format is not available
};

// Save dialog entries in filter order (entry i has format i + 2).
const std::vector<SaveEntry>& saveEntries();
// Every codec that can read, in the order the open filter lists them.
const std::vector<const Codec*>& readableCodecs();
const Codec* codecForFormat(int32_t format);

// What a load does with a picture whose decoder went past damaged data: refuse it (the fault is
// Damaged at the first damaged byte), or keep it and say so in `why` all the same.
enum class DamagedPicture { Refuse, Keep };

// Loads a picture; the empty record on any failure, with the reason in `why` when given. A picture
// kept despite damage comes with why->fault == FileFault::Damaged. kStandardStream reads standard
// input whole.
TDib OpenDib(const std::string& fileName, int32_t reserved, const ProgressFn& progress, FileError* why = nullptr,
             DamagedPicture damaged = DamagedPicture::Refuse);
// How a file is to be loaded.
struct LoadRequest {
  ProgressFn progress;
  DamagedPicture damaged = DamagedPicture::Refuse;
  ReadOptions read;  // upright and in sRGB, or as stored
  // The picture goes on only into a PDF and is not changed first: where the file's own data can
  // stand in for the pixels there, they are checked for damage but not stored, and read as
  // black. Nothing but a PDF page may show such a picture.
  bool sourceOnly = false;
};
// OpenDib with every choice; `notes` (when given) says what the load found and did beside the
// pixels.
TDib loadPicture(const std::string& fileName, const LoadRequest& request, FileError* why = nullptr,
                 LoadNotes* notes = nullptr);
// Reads only as far as the picture's size and the depth OpenDib would load it at, without its
// pixels, also for a picture above the memory limit; nothing (and the reason in `why`) when the
// file cannot be read that far. The size is the upright picture's, as the options ask.
std::optional<PictureHeader> readDibHeader(const std::string& fileName, FileError* why = nullptr,
                                           const ReadOptions& options = {}, LoadNotes* notes = nullptr);
TDib openDibFromStream(InputStream& in, const ProgressFn& progress, FileError* why = nullptr,
                       DamagedPicture damaged = DamagedPicture::Refuse);
// Writes the picture in the format of the save dialog's entry; false on failure, with the reason
// in `why` when given. The old file is replaced only by complete contents (see replaceFile).
bool SaveDib(const TDib& dib, const std::string& fileName, int32_t format, const ProgressFn& progress,
             FileError* why = nullptr);
// A file type opened beside the codecs' pictures (vector pages): its entry's text and extensions.
struct OpenFileType {
  std::string description;
  std::vector<std::string> extensions;
};
// "Alle Bilddateien" with every mask, then an entry per codec, then the `more` types.
std::string GetDIBOpenFilter(std::span<const OpenFileType> more = {});
std::string GetDIBSaveFilter();

}  // namespace tessaro
