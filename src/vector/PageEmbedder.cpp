#include "vector/PageEmbedder.h"

#include "picture/AtomicFile.h"
#include "vector/QpdfAccess.h"
#include "vector/VectorPage.h"

namespace tessaro {

bool embedVectorPage(const std::string& ours, const std::string& source, int number, const std::string& output,
                     std::string* error) {
  auto refuse = [&](const std::string& why) {
    if (error) *error = why;
    return false;
  };
  // The same refusals as when the page is opened, its size limit included.
  const VectorPage measured = VectorPage::open(source, number);
  if (!measured.ok()) return refuse(measured.error());
  if (measured.kind() != VectorKind::Pdf) return refuse("Die Datei ist keine PDF-Datei.");
  auto oursFile = std::make_shared<FileInputStream>(ours), sourceFile = std::make_shared<FileInputStream>(source);
  if (!oursFile->isOpen()) return refuse(describeFileError(oursFile->error()));
  if (!sourceFile->isOpen()) return refuse(describeFileError(sourceFile->error()));
  std::string why;
  const FileError written = replaceFile(output, [&](OutputStream& out) {
    return writeWithPageEmbedded(std::make_shared<StreamPdfInput<FileInputStream>>(oursFile),
                                 std::make_shared<StreamPdfInput<FileInputStream>>(sourceFile), number,
                                 [&](const void* data, size_t n) { return out.write(data, n); }, why);
  });
  // A failed write has the system's reason; anything else the reason the PDF side gave.
  if (written) return refuse(written.sysError || why.empty() ? describeFileError(written) : why);
  return true;
}

}  // namespace tessaro
