#include "picture/FileError.h"

#include <cerrno>
#include <cstring>

namespace tessaro {

std::string describeSystemError(int e) {
  switch (e) {
    case ENOENT:
      return "Die Datei oder ihr Ordner existiert nicht.";
    case EACCES:
    case EPERM:
      return "Keine Berechtigung für diesen Zugriff.";
    case EISDIR:
      return "Das ist ein Ordner, keine Datei.";
    case ENOSPC:
    case EDQUOT:
      return "Auf dem Datenträger ist kein Platz mehr frei.";
    case EROFS:
      return "Das Dateisystem ist schreibgeschützt.";
    case EIO:
      return "Der Datenträger meldet einen Ein-/Ausgabefehler.";
    case ENAMETOOLONG:
      return "Der Dateiname ist zu lang.";
    case ELOOP:
      return "Der Pfad enthält zu viele symbolische Verknüpfungen.";
    case ENOTDIR:
      return "Ein Teil des Pfades ist kein Ordner.";
    case EFBIG:
      return "Die Datei ist für das Dateisystem zu groß.";
    case ENOMEM:
      return "Nicht genug Arbeitsspeicher.";
    default:
      return std::string("Systemfehler: ") + std::strerror(e);
  }
}

std::string describeFileError(const FileError& error) {
  switch (error.fault) {
    case FileFault::None:
      return {};
    case FileFault::Unreadable:
      return "Die Datei ist nicht lesbar. " + describeSystemError(error.sysError);
    case FileFault::UnknownFormat:
      return "Das ist keine Bilddatei, die Tessaro kennt.";
    case FileFault::Empty:
      return "Die Datei ist leer.";
    case FileFault::Damaged:
      return "Die Datei ist bei Byte " + std::to_string(error.offset) + " beschädigt oder unvollständig.";
    case FileFault::TooLarge:
      return "Das Bild ist größer als die Grenze von 1 GiB Bildspeicher.";
    case FileFault::Unsupported:
      return "Diese Variante des Formats kann Tessaro nicht lesen" +
             (error.detail.empty() ? std::string(".") : " (" + error.detail + ").");
    case FileFault::OutOfMemory:
      return "Für das Bild ist nicht genug Arbeitsspeicher frei.";
    case FileFault::WriteProtected:
      return "Die Datei ist schreibgeschützt.";
    case FileFault::WriteFailed:
      return "Die Datei konnte nicht geschrieben werden. " + describeSystemError(error.sysError);
    case FileFault::CannotEncode:
      return "Dieses Format kann das Bild nicht aufnehmen.";
  }
  return {};
}

}  // namespace tessaro
