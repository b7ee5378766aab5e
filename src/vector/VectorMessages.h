#pragma once
// The German refusals of vector page files.
#include <string>

namespace tessaro {

inline constexpr const char* kPdfEncrypted = "Die PDF-Datei ist verschlüsselt.";
inline constexpr const char* kPdfDamaged = "Die PDF-Datei ist beschädigt.";
inline constexpr const char* kPdfNoPages = "Die PDF-Datei enthält keine Seite.";
inline constexpr const char* kSvgUnreadable = "Die SVG-Datei ist beschädigt oder kann nicht gelesen werden.";
inline constexpr const char* kSvgTooLarge = "Die SVG-Datei ist größer als 32 MiB und wird nicht geöffnet.";
inline constexpr const char* kSvgNoSize = "Die SVG-Datei nennt weder Breite und Höhe noch eine viewBox.";
inline constexpr const char* kNotVector = "Die Datei ist weder eine PDF- noch eine SVG-Datei.";
inline constexpr const char* kPageWithoutArea = "Die Seite hat keine Fläche: Breite oder Höhe ist 0.";
inline constexpr const char* kPageTooLarge = "Die Seite ist größer als 200 Zoll (5080 mm) und wird nicht geöffnet.";

// "Die PDF-Datei hat keine Seite 7; sie hat 3 Seiten."
std::string pageOutOfRange(int number, int pageCount);

}  // namespace tessaro
