// Feeds arbitrary bytes to the vector page reader, which takes them as a PDF or an SVG by their
// signature and measures one page: whatever opens must have a size within the page limit.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <span>

#include "vector/VectorPage.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const int number = size > 0 ? 1 + data[size - 1] % 3 : 1;
  const tessaro::VectorPage page = tessaro::VectorPage::openBytes(std::span<const uint8_t>(data, size), number);
  if (!page.ok()) return 0;
  const double limit = tessaro::kMaxVectorPageInches * 25.4;
  if (!(page.widthMm() > 0 && page.widthMm() <= limit && page.heightMm() > 0 && page.heightMm() <= limit)) std::abort();
  if (page.number() < 1 || page.number() > page.pageCount()) std::abort();
  if (page.rotation() % 90 != 0 || page.rotation() < 0 || page.rotation() >= 360) std::abort();
  return 0;
}
