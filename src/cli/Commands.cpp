#include "cli/Commands.h"

#include <algorithm>
#include <cstdio>
#include <ostream>
#include <vector>

#include "cli/PosterCommand.h"
#include "depth/ColourDepth.h"
#include "picture/CodecRegistry.h"
#include "picture/MirrorRotate.h"
#include "retouch/Crop.h"
#include "retouch/Filters.h"
#include "retouch/Resize.h"
#include "retouch/Tones.h"
#include "state/PictureLoad.h"
#include "vector/VectorMessages.h"
#include "vector/VectorPage.h"
#include "vector/VectorPicture.h"

namespace tessaro::cli {

int fail(std::ostream& err, int code, const std::string& message) {
  err << "tessaro-cli: " << message << '\n';
  return code;
}

TDib load(const CommandLine& line, std::ostream& err, int& code, bool onlyIntoPdf) {
  FileError why;
  LoadRequest request;
  request.damaged = line.acceptDamaged ? DamagedPicture::Keep : DamagedPicture::Refuse;
  request.read = line.read;
  request.sourceOnly = onlyIntoPdf;
  TDib picture = loadPictureOrPage(line.input, request, &why);
  if (picture.empty()) {
    const bool mayTry = why.fault == FileFault::Damaged && !line.acceptDamaged;
    code = fail(err, kExitBadInput,
                "Die Datei „" + line.input + "“ konnte nicht geladen werden. " + describeFileError(why) +
                    (mayTry ? " Mit --accept-damaged wird versucht, sie trotzdem zu lesen." : ""));
  }
  return picture;
}

namespace {

// The orientation found (and whether it is applied) and the colour profile's description (and
// whether it is used), each where the file has one.
void describeNotes(std::ostream& out, const LoadNotes& notes, const ReadOptions& read) {
  if (notes.orientation != 1)
    out << "Ausrichtung: " << notes.orientation << (read.autoOrient ? " (aufgerichtet)" : " (nicht angewandt)")
        << '\n';
  if (notes.hasProfile)
    out << "Farbprofil: " << (notes.profile.empty() ? "ohne Namen" : notes.profile)
        << (!read.useProfile          ? " (nicht angewandt)"
            : notes.profileUsable     ? ""
                                      : " (nicht verwendbar, übergangen)")
        << '\n';
}

// A page of a PDF or SVG file: what it holds and the page's size as shown, instead of pixels.
int describeVectorPage(const CommandLine& line, std::ostream& out, std::ostream& err) {
  const VectorPage page = VectorPage::open(line.input, line.read.page);
  if (!page.ok())
    return fail(err, kExitBadInput, "Die Datei „" + line.input + "“ konnte nicht geladen werden. " + page.error());
  char size[64];
  std::snprintf(size, sizeof size, "%.1f x %.1f mm", page.widthMm(), page.heightMm());
  out << "Seiten: " << page.pageCount() << '\n'
      << "Seite: " << page.number() << '\n'
      << "Größe: " << size << '\n'
      << "Drehung: " << page.rotation() << "°\n"
      << "Vektorseite\n";
  return kExitOk;
}

// Reads the header only, so that a picture of any size is told at once; one too large to load
// is told too, with the reason it cannot be loaded.
int runInfo(const CommandLine& line, std::ostream& out, std::ostream& err) {
  if (line.input != kStandardStream && vectorKindOfFile(line.input) != VectorKind::None)
    return describeVectorPage(line, out, err);
  if (line.read.page != 1)
    return fail(err, kExitBadInput,
                "Die Datei „" + line.input + "“ konnte nicht geladen werden. " + pageOutOfRange(line.read.page, 1));
  FileError why;
  LoadNotes notes;
  const std::optional<PictureHeader> header = readDibHeader(line.input, &why, line.read, &notes);
  if (!header)
    return fail(err, kExitBadInput,
                "Die Datei „" + line.input + "“ konnte nicht geladen werden. " + describeFileError(why));
  // The load tab's words, and its colour count: two to the power of the depth; then what the
  // file says about its orientation and colours, where it says anything.
  out << "Breite: " << header->width << '\n'
      << "Höhe: " << header->height << '\n'
      << "Farbtiefe: " << header->bitCount << " Bit\n"
      << "Farben: " << zweihoch(header->bitCount) << '\n'
      << "Auflösung: " << resolutionText(notes.resolution) << '\n';
  describeNotes(out, notes, line.read);
  if (dibSizeAllowed(header->width, header->height, header->bitCount)) return kExitOk;
  why.fault = FileFault::TooLarge;
  return fail(err, kExitBadInput,
              "Die Datei „" + line.input + "“ kann nicht geladen werden. " + describeFileError(why));
}

// The values of an operation, already checked when the command line was read.
std::vector<int32_t> values(const std::string& text) {
  std::vector<int32_t> n;
  for (size_t from = 0; from <= text.size(); from = std::min(text.find(',', from), text.size()) + 1)
    n.push_back(std::stoi(text.substr(from)));
  return n;
}

// What the window's dialogs keep between operations: the size dialog's interpolation and the
// reduction dialog's choices.
struct StepSettings {
  bool interpolate = true;
  DepthOptions depth;
};

// The colour-count dialog's dispatch: a smaller depth reduces, a larger one raises, the same
// depth leaves the picture alone.
TDib changeDepth(const TDib& picture, int32_t bits, DepthOptions options) {
  options.bits = bits;
  return bits > DibBitCount(picture) ? DepthUpTo(picture, bits, clockSeededRandom()) : DepthDownTo(picture, options);
}

// One step of convert, the window's operation of the same name: a new picture for the geometry
// and depth steps, a change in place for the tones. False after a message.
bool runOperation(const Operation& op, TDib& picture, const StepSettings& settings, std::ostream& err, int& code) {
  const std::string& v = op.values.empty() ? std::string() : op.values[0];
  const int32_t w = DibWidth(picture), h = DibHeight(picture);
  TDib result;
  if (op.option == "--crop") {
    const auto n = values(v);
    if (int64_t{n[0]} + n[2] > w || int64_t{n[1]} + n[3] > h) {
      code = fail(err, kExitUnknown,
                  "Der Ausschnitt " + v + " liegt nicht im Bild (" + std::to_string(w) + " × " + std::to_string(h) +
                      " Pixel).");
      return false;
    }
    result = cropDib(picture, n[0], n[1], n[0] + n[2], n[1] + n[3], {});
  } else if (op.option == "--flip") {
    result = v == "h" ? flipHorizontal(picture, {}) : flipVertical(picture, {});
  } else if (op.option == "--rotate") {
    result = v == "left" ? rotateLeft(picture, {}) : rotateRight(picture, {});
  } else if (op.option == "--resize") {
    const auto n = values(v);
    result = resizeDib(picture, n[0], n.size() > 1 ? n[1] : coupledHeight(n[0], w, h), settings.interpolate, {});
  } else if (op.option == "--depth") {
    if (std::stoi(v) == DibBitCount(picture)) return true;
    result = changeDepth(picture, std::stoi(v), settings.depth);
  } else if (op.option == "--filter") {
    // Palette pictures go to 24 bits first, as the window does after its question.
    const TDib raised = DibBitCount(picture) < 24 ? DepthUpTo(picture, 24, clockSeededRandom()) : TDib{};
    result = filterDib(raised.empty() ? picture : raised, FilterTable[static_cast<size_t>(findFilter(v))]);
  } else if (op.option == "--brightness") {
    Helligkeit(picture, std::stoi(v));
    return true;
  } else if (op.option == "--contrast") {
    Kontrast(picture, std::stoi(v));
    return true;
  }
  if (result.empty() && code == kExitOk)
    code = fail(err, kExitUnexpected,
                "„" + op.option + " " + v +
                    "“ ist fehlgeschlagen: das Ergebnis wäre größer als 1 GiB, oder der Speicher reicht nicht.");
  if (result.empty()) return false;
  picture = std::move(result);
  return true;
}

int runConvert(const CommandLine& line, std::ostream& err) {
  int code = kExitOk;
  TDib picture = load(line, err, code);
  if (picture.empty()) return code;
  int32_t dpi = 0;
  for (const Operation& op : line.operations)
    if (op.option == "--dpi") dpi = std::stoi(op.values[0]);
  if (isVectorPage(picture)) {
    // The page becomes pixels before any step.
    TDib raster;
    std::string why;
    if (!rasterizeVectorPage(picture, dpi ? dpi : defaultRasterDpi(picture), raster, why))
      return fail(err, kExitBadInput, why);
    picture = std::move(raster);
  } else if (dpi) {
    return fail(err, kExitUnknown, "--dpi gilt nur für eine PDF- oder SVG-Seite.");
  }
  // Interpolation is a setting of every resize, as in the window, where it starts ticked; the
  // reduction choices likewise of every depth step.
  StepSettings settings{true, depthSettings(line.operations)};
  for (const Operation& op : line.operations)
    if (op.option == "--interpolate" || op.option == "--no-interpolate")
      settings.interpolate = op.option == "--interpolate";
  for (const Operation& op : line.operations) {
    if (isStepSetting(op.option)) continue;
    if (!runOperation(op, picture, settings, err, code)) return code;
  }
  FileError why;
  if (!SaveDib(picture, line.output, line.format, {}, &why))
    return fail(err, kExitCannotWrite,
                "Die Datei „" + line.output + "“ konnte nicht gespeichert werden. " + describeFileError(why));
  return kExitOk;
}

std::string formatList() {
  std::string list;
  for (const SaveEntry& e : saveEntries()) {
    const std::string number = std::to_string(e.format);
    list += "      " + std::string(number.size() < 2 ? " " : "") + number + "  " + e.extension.substr(1) + "   " +
            e.description + "\n";
  }
  return list;
}

std::string operationsHelp() {
  return "    Bildoperationen zwischen EINGABE und AUSGABE, in der angegebenen Reihenfolge, jede\n"
         "    mit demselben Ergebnis wie die Karte „Retuschieren“ bzw. „Größe verändern“:\n"
         "      --crop X,Y,B,H      Ausschnitt B × H Pixel ab Spalte X, Zeile Y (von links oben)\n"
         "      --flip h|v          h: links und rechts tauschen („Horizontal spiegeln“),\n"
         "                          v: oben und unten tauschen („Vertikal spiegeln“)\n"
         "      --rotate left|right um 90° nach links oder nach rechts drehen\n"
         "      --resize B,H        auf genau B × H Pixel (je 1 bis 32767) bringen; nur B: die\n"
         "                          Höhe folgt dem Seitenverhältnis wie im Fenster\n"
         "      --interpolate / --no-interpolate\n"
         "                          Farbwerte beim Vergrößern interpolieren (Vorgabe an, wie im\n"
         "                          Fenster); gilt für jedes --resize und wirkt nur bei 24 Bit,\n"
         "                          wenn Breite und Höhe beide wachsen\n"
         "      --depth 1|4|8|24    Farbtiefe ändern wie „Anzahl der Farben ändern“: 1, 4, 8 Bit (2,\n"
         "                          16, 256 Farben) oder 24 Bit; weniger Farben mit diesen Angaben:\n"
         "      --palette optimised|standard\n"
         "                          Palette aus den häufigsten Farben des Bildes (Vorgabe) oder\n"
         "                          Standardpalette; bei 1 Bit immer Schwarz und Weiß\n"
         "      --method nearest|ordered|fs\n"
         "                          am besten passende Farbe, Dithering (nur mit der\n"
         "                          Standardpalette; bei 4 Bit wirkt es wie nearest, bei 1 Bit wie fs)\n"
         "                          oder Floyd-Steinberg-Fehlerverteilung (Vorgabe)\n"
         "      --system-colours / --no-system-colours\n"
         "                          die 20 festen Systemfarben in die optimierte 8-Bit-Palette einbinden\n"
         "                          (Vorgabe an, wie im Dialog); gelten für jedes --depth\n"
         "      --filter NAME|NR    einer der 14 Filter der Liste auf „Retuschieren“, mit Namen\n"
         "                          („Stark Weichzeichnen“, Groß-/Kleinschreibung egal) oder Nummer\n"
         "                          1 bis 14 in der Reihenfolge der Liste; Bilder mit Palette werden\n"
         "                          zuerst auf 24 Bit hochgerechnet\n"
         "    Ein Ausschnitt außerhalb des Bildes endet mit Rückgabewert 2, ein Ergebnis, für das\n"
         "    der Speicher nicht reicht (höchstens 1 GiB je Bild), mit Rückgabewert 1.\n";
}

}  // namespace

std::string helpText() {
  return "Tessaro auf der Kommandozeile: Bildinformationen, Umwandlung zwischen Bildformaten und Poster.\n"
         "\n"
         "Aufruf:\n"
         "  tessaro-cli info DATEI\n"
         "  tessaro-cli convert EINGABE AUSGABE [--format N]\n"
         "  tessaro-cli poster EINGABE (-o DATEI.pdf | --printer DRUCKER) [Optionen]\n"
         "  tessaro-cli passport EINGABE (-o DATEI.pdf | --printer DRUCKER) [Optionen]\n"
         "  tessaro-cli calibrate --printer DRUCKER [--measured H,V | --reset]\n"
         "  tessaro-cli --help\n"
         "\n"
         "Befehle:\n"
         "  info DATEI\n"
         "      Zeigt Breite und Höhe in Pixeln, die Farbtiefe in Bit und die Zahl der Farben\n"
         "      (2 hoch Farbtiefe, wie auf der Karte „Motiv laden“), je eine Zeile; liest dazu\n"
         "      nur den Kopf der Datei. Ein Bild über der Grenze von 1 GiB endet nach diesen\n"
         "      Zeilen mit Rückgabewert 4. Danach, wo die Datei sie angibt, die Ausrichtung der\n"
         "      Kamera (Ausrichtung: 1 bis 8) und die Beschreibung des Farbprofils. Für eine\n"
         "      PDF- oder SVG-Seite stattdessen: Seiten, Seite, Größe in mm, Drehung und\n"
         "      „Vektorseite“.\n"
         "  convert EINGABE AUSGABE\n"
         "      Liest ein Bild in jedem lesbaren Format und speichert es in einem der\n"
         "      Speicherformate. Das Format folgt der Endung von AUSGABE (.jpeg und .tiff\n"
         "      gehen auch); eine bestehende Datei wird erst ersetzt, wenn die neue vollständig ist.\n"
         "      Eine PDF- oder SVG-Seite wird dazu in Pixel umgesetzt:\n"
         "      --dpi N             mit N dpi (1 bis 10000); ohne die Option mit 300 dpi oder so\n"
         "                          viel, wie unter der Grenze von 1 GiB bleibt\n" +
         operationsHelp() + posterOptionsHelp() + passportHelp() + calibrateHelp() +
         "\n"
         "Optionen:\n"
         "  --format N\n"
         "      Speichert im Format N statt in dem der Endung von AUSGABE; N ist die Nummer\n"
         "      oder die Endung:\n" +
         formatList() +
         "  --accept-damaged\n"
         "      Liest auch ein Bild, dessen Daten beschädigt sind, soweit der Decoder sie\n"
         "      lesen kann (ohne die Option endet das mit Rückgabewert 4); gilt für jeden Befehl.\n"
         "  --no-auto-orient\n"
         "      Lässt ein Foto liegen, wie es gespeichert ist, statt es nach der Ausrichtung\n"
         "      der Kamera (Exif) aufzurichten; gilt für jeden Befehl.\n"
         "  --ignore-profile\n"
         "      Übergeht das eingebettete Farbprofil, statt die Farben daraus nach sRGB\n"
         "      umzurechnen; gilt für jeden Befehl.\n"
         "  --page N\n"
         "      Liest Seite N (ab 1, Vorgabe 1) einer PDF-Datei; gilt für jeden Befehl. PDF- und\n"
         "      SVG-Dateien werden an ihrem Inhalt erkannt. poster druckt die Seite als Vektoren\n"
         "      und beginnt mit ihrer Originalgröße (100 %); passport nimmt keine Seite.\n"
         "  -h, --help\n"
         "      Zeigt diese Hilfe (auch ohne Argumente).\n"
         "  --\n"
         "      Alles Folgende ist ein Dateiname, auch wenn es mit \"-\" beginnt.\n"
         "  -\n"
         "      Als EINGABE: das Bild kommt von der Standardeingabe. Als AUSGABE von convert\n"
         "      (nur mit --format) oder als Datei von -o: es geht auf die Standardausgabe.\n"
         "      Sonst liest Tessaro nur gewöhnliche Dateien; ein Gerät oder eine FIFO als Ziel\n"
         "      wird beschrieben, nicht ersetzt.\n"
         "\n"
         "Bildoperationen von convert, je ein Schritt in der angegebenen Reihenfolge:\n"
         "  --brightness B\n"
         "      Helligkeit, B von -127 bis 127 (0 lässt das Bild, wie es ist).\n"
         "  --contrast C\n"
         "      Kontrast in Prozent, C von 0 bis 200 (100 lässt das Bild, wie es ist).\n"
         "      „--brightness 10 --contrast 50“ gibt dasselbe Bild wie der Dialog\n"
         "      „Helligkeit und Kontrast“ mit 10 und 50.\n"
         "\n"
         "Rückgabewerte:\n"
         "  0  Erfolg\n"
         "  1  unerwarteter Fehler\n"
         "  2  unbekannter Befehl, unbekannte Option, unerwartetes Argument, unbekanntes Format\n"
         "     oder ungültiger Wert (etwa eine Größe außerhalb des möglichen Bereichs)\n"
         "  3  fehlender Dateiname oder fehlender Wert einer Option\n"
         "  4  Eingabedatei fehlt, ist nicht lesbar, beschädigt oder kein bekanntes Bild\n"
         "  5  Ausgabedatei konnte nicht geschrieben werden\n"
         "  6  Drucker unbekannt oder Druckauftrag abgelehnt\n";
}

int runCommand(const CommandLine& line, std::ostream& out, std::ostream& err) {
  switch (line.command) {
    case Command::Help:
      out << helpText();
      return kExitOk;
    case Command::Info:
      return runInfo(line, out, err);
    case Command::Convert:
      return runConvert(line, err);
    case Command::Poster:
      return runPoster(line, out, err);
    case Command::Passport:
      return runPassport(line, out, err);
    case Command::Calibrate:
      return runCalibrate(line, out, err);
  }
  return kExitUnexpected;
}

}  // namespace tessaro::cli
