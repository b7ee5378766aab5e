#include "cli/Commands.h"

#include <ostream>

#include "cli/PosterCommand.h"
#include "picture/CodecRegistry.h"
#include "retouch/Tones.h"
#include "state/PictureLoad.h"

namespace tessaro::cli {

int fail(std::ostream& err, int code, const std::string& message) {
  err << "tessaro-cli: " << message << '\n';
  return code;
}

TDib load(const std::string& fileName, std::ostream& err, int& code) {
  FileError why;
  TDib picture = OpenDib(fileName, 0, {}, &why);
  if (picture.empty())
    code =
        fail(err, kExitBadInput, "Die Datei „" + fileName + "“ konnte nicht geladen werden. " + describeFileError(why));
  return picture;
}

namespace {

int runInfo(const CommandLine& line, std::ostream& out, std::ostream& err) {
  int code = kExitOk;
  const TDib picture = load(line.input, err, code);
  if (picture.empty()) return code;
  // The load tab's words, and its colour count: two to the power of the depth.
  out << "Breite: " << DibWidth(picture) << '\n'
      << "Höhe: " << DibHeight(picture) << '\n'
      << "Farbtiefe: " << DibBitCount(picture) << " Bit\n"
      << "Farben: " << zweihoch(DibBitCount(picture)) << '\n';
  return kExitOk;
}

// One operation of convert on the loaded picture; its values were checked when parsed.
void runOperation(TDib& picture, const Operation& op) {
  if (op.option == "--brightness") Helligkeit(picture, std::stoi(op.values[0]));
  if (op.option == "--contrast") Kontrast(picture, std::stoi(op.values[0]));
}

int runConvert(const CommandLine& line, std::ostream& err) {
  int code = kExitOk;
  TDib picture = load(line.input, err, code);
  if (picture.empty()) return code;
  for (const Operation& op : line.operations) runOperation(picture, op);
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

}  // namespace

std::string helpText() {
  return "Tessaro auf der Kommandozeile: Bildinformationen, Umwandlung zwischen Bildformaten und Poster.\n"
         "\n"
         "Aufruf:\n"
         "  tessaro-cli info DATEI\n"
         "  tessaro-cli convert EINGABE AUSGABE [--format N]\n"
         "  tessaro-cli poster EINGABE (-o DATEI.pdf | --printer DRUCKER) [Optionen]\n"
         "  tessaro-cli --help\n"
         "\n"
         "Befehle:\n"
         "  info DATEI\n"
         "      Zeigt Breite und Höhe in Pixeln, die Farbtiefe in Bit und die Zahl der Farben\n"
         "      (2 hoch Farbtiefe, wie auf der Karte „Motiv laden“), je eine Zeile.\n"
         "  convert EINGABE AUSGABE\n"
         "      Liest ein Bild in jedem lesbaren Format und speichert es in einem der\n"
         "      Speicherformate. Das Format folgt der Endung von AUSGABE (.jpeg und .tiff\n"
         "      gehen auch); eine bestehende Datei wird erst ersetzt, wenn die neue vollständig ist.\n" +
         posterOptionsHelp() +
         "\n"
         "Optionen:\n"
         "  --format N\n"
         "      Speichert im Format N statt in dem der Endung von AUSGABE; N ist die Nummer\n"
         "      oder die Endung:\n" +
         formatList() +
         "  -h, --help\n"
         "      Zeigt diese Hilfe (auch ohne Argumente).\n"
         "  --\n"
         "      Alles Folgende ist ein Dateiname, auch wenn es mit \"-\" beginnt.\n"
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
  }
  return kExitUnexpected;
}

}  // namespace tessaro::cli
