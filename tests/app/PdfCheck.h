#pragma once
// Looks at printed PDF files through poppler's command-line tools, which share no code with Qt.
#include <QImage>
#include <QRect>
#include <QString>
#include <QStringList>
#include <optional>

namespace tessaro::test {

// Standard output of a program that ran to a zero exit code within a minute; nothing otherwise.
std::optional<QString> runTool(const QString& program, const QStringList& args);
// A field of pdfinfo ("Pages", "Title"); empty when the file cannot be read or has no such field.
QString pdfInfoField(const QString& pdf, const QString& field);
// One page (1-based) rendered at `dpi`; null when rendering fails.
QImage renderPdfPage(const QString& pdf, int page, int dpi);
// Only `region` of the page, in pixels at `dpi`: a page at printer resolution without the memory.
QImage renderPdfRegion(const QString& pdf, int page, int dpi, const QRect& region);
// Colours equal within the tolerance of a print path (colour management, compression).
bool colourNear(QRgb a, QRgb b, int tolerance = 24);

}  // namespace tessaro::test
