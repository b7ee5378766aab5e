#include "picture/CodecRegistry.h"

#include <algorithm>
#include <filesystem>

#include "picture/AtomicFile.h"
#include "picture/PhotoFinish.h"
#include "picture/codecs/Codecs.h"

namespace tessaro {

const std::vector<SaveEntry>& saveEntries() {
  static const std::vector<SaveEntry> entries = {
      {kFormatBmp, "Windows Bitmap (*.bmp)", ".bmp", &bmpCodec()},
      {kFormatDib, "Device Independent Bitmap (*.dib)", ".dib", &bmpCodec()},
      {kFormatGif, "CompuServe GIF (*.gif)", ".gif", &gifCodec()},
      {kFormatIff, "Amiga IFF (*.iff)", ".iff", &ilbmCodec()},
      {kFormatJif, "JPEG JIF (*.jif)", ".jif", &jpegCodec()},
      {kFormatJpg, "JPEG (*.jpg)", ".jpg", &jpegCodec()},
      {kFormatLbm, "Deluxe Paint LBM (*.lbm)", ".lbm", &ilbmCodec()},
      {kFormatPcx, "ZSoft PCX (*.pcx)", ".pcx", &pcxCodec()},
      {kFormatRle, "Windows RLE Bitmap (*.rle)", ".rle", &rleBmpCodec()},
      {kFormatTga, "Truevision Targa (*.tga)", ".tga", &tgaCodec()},
      {kFormatTif, "TIFF (*.tif)", ".tif", &tiffCodec()},
      {kFormatPng, "Portable Network Graphics (*.png)", ".png", &pngCodec()},
  };
  return entries;
}

const std::vector<const Codec*>& readableCodecs() {
  static const std::vector<const Codec*> codecs = [] {
    std::vector<const Codec*> list;
    for (const SaveEntry& e : saveEntries())
      if (e.codec && std::find(list.begin(), list.end(), e.codec) == list.end()) list.push_back(e.codec);
    // Formats read only: the save list keeps its twelve entries.
    const std::vector<const Codec*> readOnly = {&webpCodec(), &heifCodec(), &avifCodec(), &jxlCodec()};
    list.insert(list.end(), readOnly.begin(), readOnly.end());
    return list;
  }();
  return codecs;
}

const Codec* codecForFormat(int32_t format) {
  for (const SaveEntry& e : saveEntries())
    if (e.format == format) return e.codec;
  return nullptr;
}

namespace {

std::string lowerExtension(const std::string& fileName) {
  std::string ext = std::filesystem::path(fileName).extension().string();
  if (!ext.empty() && ext[0] == '.') ext.erase(0, 1);
  std::transform(ext.begin(), ext.end(), ext.begin(),
                 [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
  return ext;
}

// TGA has no signature, so a file whose header the probe doubts may still be one by its
// name; every other format must show its signature.
bool hasTgaExtension(const std::string& fileName) {
  const auto exts = tgaCodec().extensions();
  return std::find(exts.begin(), exts.end(), lowerExtension(fileName)) != exts.end();
}

TDib decodeWith(const Codec* codec, InputStream& in, const ProgressFn& progress, FileError* why,
                DamagedPicture damaged, LoadNotes* notes = nullptr) {
  TDib dib;
  if (in.size() == 0)
    in.fail(FileFault::Empty);
  else if (!codec)
    in.fail(FileFault::UnknownFormat);
  else if (!in.seek(0))
    in.fail(FileFault::Unreadable);
  else
    dib = codec->decode(in, progress);
  if (!dib.empty()) {
    dib = finishPicture(std::move(dib), in, notes);
    if (dib.empty()) in.fail(FileFault::OutOfMemory);
  }
  if (dib.empty() && !in.error()) in.fail(FileFault::Damaged);
  FileError result = dib.empty() ? in.error() : FileError{};
  if (!dib.empty() && in.damaged()) {
    result.fault = FileFault::Damaged;
    result.offset = in.damageOffset();
    if (damaged == DamagedPicture::Refuse) dib = TDib();
  }
  if (why) *why = result;
  return dib;
}

const Codec* probeCodec(InputStream& in) {
  uint8_t head[64] = {};
  const size_t got = in.read(head, sizeof head);
  for (const Codec* c : readableCodecs())
    if (c->probe(std::span<const uint8_t>(head, got))) return c;
  return nullptr;
}

}  // namespace

TDib openDibFromStream(InputStream& in, const ProgressFn& progress, FileError* why, DamagedPicture damaged) {
  return decodeWith(probeCodec(in), in, progress, why, damaged);
}

namespace {

// The file's stream (standard input read whole for kStandardStream); a stream that could not be
// opened carries the reason as its error.
std::unique_ptr<InputStream> openInput(const std::string& fileName) {
  if (fileName == kStandardStream) return readStandardInput();
  return std::make_unique<FileInputStream>(fileName);
}

const Codec* chooseCodec(InputStream& in, const std::string& fileName) {
  const Codec* chosen = probeCodec(in);
  if (!chosen && !in.error() && fileName != kStandardStream && hasTgaExtension(fileName)) chosen = &tgaCodec();
  return chosen;
}

}  // namespace

TDib loadPicture(const std::string& fileName, const LoadRequest& request, FileError* why, LoadNotes* notes) {
  const std::unique_ptr<InputStream> in = openInput(fileName);
  if (in->error()) {
    if (why) *why = in->error();
    return TDib();
  }
  if (request.sourceOnly) in->wantSourceOnly();
  in->setReadOptions(request.read);
  return decodeWith(chooseCodec(*in, fileName), *in, request.progress, why, request.damaged, notes);
}

TDib OpenDib(const std::string& fileName, int32_t /*reserved*/, const ProgressFn& progress, FileError* why,
             DamagedPicture damaged) {
  LoadRequest request;
  request.progress = progress;
  request.damaged = damaged;
  return loadPicture(fileName, request, why);
}

std::optional<PictureHeader> readDibHeader(const std::string& fileName, FileError* why, const ReadOptions& options,
                                           LoadNotes* notes) {
  const std::unique_ptr<InputStream> in = openInput(fileName);
  FileError fault = in->error();
  if (!fault) {
    in->stopAtHeader();
    in->setReadOptions(options);
    decodeWith(chooseCodec(*in, fileName), *in, {}, &fault, DamagedPicture::Refuse);
  }
  if (why) *why = in->header() ? FileError{} : fault;
  if (!in->header()) return std::nullopt;
  return finishHeader(*in->header(), *in, notes);
}

bool SaveDib(const TDib& dib, const std::string& fileName, int32_t format, const ProgressFn& progress, FileError* why) {
  const Codec* codec = codecForFormat(format);
  FileError result;
  if (!codec || dib.empty())
    result.fault = FileFault::CannotEncode;
  else
    result = replaceFile(fileName, [&](OutputStream& out) { return codec->encode(dib, out); });
  if (progress) progress(0);
  if (why) *why = result;
  return !result;
}

namespace {

std::string masksOf(const std::vector<std::string>& extensions) {
  std::string masks;
  for (const std::string& e : extensions) {
    if (!masks.empty()) masks += ";";
    masks.append("*.").append(e);
  }
  return masks;
}

}  // namespace

std::string GetDIBOpenFilter(std::span<const OpenFileType> more) {
  std::string all;
  std::string each;
  const auto add = [&](const std::string& description, const std::string& masks) {
    if (!all.empty()) all += ";";
    all += masks;
    each.append("|").append(description).append("|").append(masks);
  };
  for (const Codec* c : readableCodecs()) {
    const std::string masks = masksOf(c->extensions());
    add(c->name() + " (" + masks + ")", masks);
  }
  for (const OpenFileType& t : more) add(t.description, masksOf(t.extensions));
  return "Alle Bilddateien (" + all + ")|" + all + each;
}

std::string GetDIBSaveFilter() {
  std::string filter;
  for (const SaveEntry& e : saveEntries()) {
    if (!e.codec) continue;
    if (!filter.empty()) filter += "|";
    filter += e.description + "|*" + e.extension;
  }
  return filter;
}

}  // namespace tessaro
