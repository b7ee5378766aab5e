#include "PdfCheck.h"

#include <QProcess>
#include <QTemporaryDir>
#include <cstdlib>

namespace tessaro::test {

std::optional<QString> runTool(const QString& program, const QStringList& args) {
  QProcess p;
  p.start(program, args);
  if (!p.waitForFinished(60000) || p.exitStatus() != QProcess::NormalExit || p.exitCode() != 0) return std::nullopt;
  return QString::fromUtf8(p.readAllStandardOutput());
}

QString pdfInfoField(const QString& pdf, const QString& field) {
  const auto info = runTool("pdfinfo", {pdf});
  if (!info) return {};
  for (const QString& line : info->split('\n')) {
    if (line.startsWith(field + ':')) return line.mid(field.size() + 1).trimmed();
  }
  return {};
}

QImage renderPdfPage(const QString& pdf, int page, int dpi) { return renderPdfRegion(pdf, page, dpi, QRect()); }

QImage renderPdfRegion(const QString& pdf, int page, int dpi, const QRect& region) {
  QTemporaryDir dir;
  if (!dir.isValid()) return {};
  const QString base = dir.filePath("page");
  const QString n = QString::number(page);
  QStringList args = {"-r", QString::number(dpi), "-f", n, "-l", n, "-png", "-singlefile"};
  if (!region.isNull())
    args << "-x" << QString::number(region.x()) << "-y" << QString::number(region.y()) << "-W"
         << QString::number(region.width()) << "-H" << QString::number(region.height());
  if (!runTool("pdftoppm", args << pdf << base)) return {};
  return QImage(base + ".png");
}

bool colourNear(QRgb a, QRgb b, int tolerance) {
  return std::abs(qRed(a) - qRed(b)) < tolerance && std::abs(qGreen(a) - qGreen(b)) < tolerance &&
         std::abs(qBlue(a) - qBlue(b)) < tolerance;
}

}  // namespace tessaro::test
