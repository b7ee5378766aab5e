// Feeds arbitrary bytes to the PDF page import as a file: the page is opened and, when it opens,
// copied into a poster PDF of ours as the placed page, as every vector poster does.
#include <unistd.h>

#include <cstddef>
#include <cstdio>
#include <cstdint>
#include <cstdlib>
#include <fstream>
#include <string>

#include "vector/PageEmbedder.h"
#include "vector/VectorPage.h"

namespace {

std::string scratch(const char* role) { return "/tmp/fuzz-pdf-page-" + std::string(role) + "-" + std::to_string(getpid()) + ".pdf"; }

void removeScratch() {
  for (const char* role : {"in", "out", "ours"}) std::remove(scratch(role).c_str());
}

// A one-page PDF of ours that places the page once, as our writer makes them.
const std::string& ourPoster() {
  static const std::string path = [] {
    const std::string p = scratch("ours");
    const std::string objects[] = {
        "<< /Type /Catalog /Pages 2 0 R >>",
        "<< /Type /Pages /Kids [3 0 R] /Count 1 >>",
        "<< /Type /Page /Parent 2 0 R /MediaBox [0 0 595 842] /Contents 4 0 R"
        " /Resources << /XObject << /TessaroPage 5 0 R >> >> >>",
        "<< /Length 40 >>\nstream\nq 0.5 0 0 0.5 10 10 cm /TessaroPage Do Q\nendstream",
        "<< /Type /XObject /Subtype /Form /BBox [0 0 1 1] /Length 0 >>\nstream\n\nendstream",
    };
    std::string out = "%PDF-1.7\n";
    std::string xref;
    for (int i = 0; i < 5; ++i) {
      char entry[24];
      std::snprintf(entry, sizeof entry, "%010zu 00000 n \n", out.size());
      xref += entry;
      out += std::to_string(i + 1) + " 0 obj\n" + objects[i] + "\nendobj\n";
    }
    const size_t at = out.size();
    out += "xref\n0 6\n0000000000 65535 f \n" + xref + "trailer\n<< /Size 6 /Root 1 0 R >>\nstartxref\n" +
           std::to_string(at) + "\n%%EOF\n";
    std::ofstream(p, std::ios::binary) << out;
    return p;
  }();
  return path;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  static const bool cleanup = (std::atexit(removeScratch), true);
  (void)cleanup;
  const std::string source = scratch("in"), output = scratch("out");
  std::ofstream(source, std::ios::binary).write(reinterpret_cast<const char*>(data), static_cast<std::streamsize>(size));
  const int number = size > 0 ? 1 + data[size - 1] % 3 : 1;
  const tessaro::VectorPage page = tessaro::VectorPage::open(source, number);
  if (page.ok() && page.kind() == tessaro::VectorKind::Pdf) {
    std::string why;
    if (!tessaro::embedVectorPage(ourPoster(), source, number, output, &why) && why.empty()) std::abort();
  }
  return 0;
}
