#include "scan/ScanError.h"

namespace tessaro {

namespace {
const char* sentence(ScanFault fault) {
  switch (fault) {
    case ScanFault::None:
      return "";
    case ScanFault::Busy:
      return "Der Scanner ist belegt. Bitte versuchen Sie es gleich noch einmal.";
    case ScanFault::Gone:
      return "Der Scanner antwortet nicht. Bitte prüfen Sie, ob er eingeschaltet und angeschlossen ist.";
    case ScanFault::CoverOpen:
      return "Die Abdeckung des Scanners ist offen. Bitte schließen Sie sie.";
    case ScanFault::NoDocs:
      return "Im Vorlageneinzug liegen keine Vorlagen mehr.";
    case ScanFault::Jammed:
      return "Im Vorlageneinzug hat sich das Papier gestaut.";
    case ScanFault::Io:
      return "Bei der Übertragung vom Scanner ist ein Ein-/Ausgabefehler aufgetreten.";
    case ScanFault::Cancelled:
      return "Der Scanvorgang wurde abgebrochen.";
    case ScanFault::NoMemory:
      return "Für das gescannte Bild ist nicht genug Speicher frei.";
    case ScanFault::AccessDenied:
      return "Der Zugriff auf den Scanner wurde verweigert.";
    case ScanFault::Invalid:
      return "Der Scanner hat eine Einstellung nicht angenommen.";
    case ScanFault::Unsupported:
      return "Der Scanner liefert ein Bildformat, das dieses Programm nicht lesen kann.";
    case ScanFault::TooLarge:
      return "Das Bild wäre größer als erlaubt. Bitte wählen Sie eine kleinere Auflösung oder Fläche.";
    case ScanFault::NoData:
      return "Der Scanner hat kein Bild geliefert.";
  }
  return "";
}
}  // namespace

std::string describeScanError(const ScanError& error) {
  std::string text = sentence(error.fault);
  if (!error.detail.empty()) text += " (" + error.detail + ")";
  return text;
}

}  // namespace tessaro
