#include "picture/FileError.h"

#include <sys/stat.h>

#include <cerrno>
#include <cstring>

namespace tessaro {

std::string describeSystemError(int e) {
  switch (e) {
    case ENOENT:
      return "Die Datei oder ihr Ordner existiert nicht.";
    case EACCES:
      return "Keine Berechtigung für diesen Zugriff.";
    case EPERM:
      return "Dieser Vorgang ist nicht erlaubt.";
    case EISDIR:
      return "Das ist ein Ordner, keine Datei.";
    case ENOSPC:
      return "Auf dem Datenträger ist kein Platz mehr frei.";
    case EDQUOT:
      return "Der zugeteilte Speicherplatz (Quota) ist aufgebraucht.";
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
    case ESPIPE:
      return "Die Daten lassen sich nur der Reihe nach lesen, wie aus einer Pipe.";
    case EEXIST:
      return "Die Datei existiert bereits.";
    case EBUSY:
      return "Die Datei oder das Gerät ist belegt.";
    case ETXTBSY:
      return "Die Datei ist ein laufendes Programm und kann nicht geändert werden.";
    case ENXIO:
      return "Das Gerät ist nicht vorhanden oder nicht bereit.";
    case EMFILE:
    case ENFILE:
      return "Es sind zu viele Dateien geöffnet.";
    case EBADF:
      return "Die Datei ist nicht geöffnet.";
    case EPIPE:
      return "Der Empfänger der Daten hat die Verbindung geschlossen.";
    default:
      // Only an errno this list does not know keeps the system's own words.
      return std::string("Systemfehler: ") + std::strerror(e);
  }
}

FileError notAFile(unsigned int mode) {
  FileError e;
  e.fault = FileFault::NotAFile;
  if (S_ISDIR(mode))
    e.detail = "ein Ordner";
  else if (S_ISFIFO(mode))
    e.detail = "ein FIFO";
  else if (S_ISSOCK(mode))
    e.detail = "ein Socket";
  else if (S_ISCHR(mode) || S_ISBLK(mode))
    e.detail = "ein Gerät";
  else
    e.detail = "ein besonderer Eintrag";
  return e;
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
    case FileFault::NotAFile:
      return "Das ist " + error.detail + ", keine Datei.";
    case FileFault::Refused:
      return error.detail;
  }
  return {};
}

}  // namespace tessaro
