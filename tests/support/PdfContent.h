#pragma once
// The drawing inside a PDF file read as text: its inflated streams and the strokes of a page's
// content, measured in points through the page's own transforms.
#include <string>
#include <vector>

namespace tessaro::test {

// Every stream of the file that zlib inflates, in file order: the pages' drawing among them.
std::vector<std::string> inflatedStreams(const std::string& file);
// The first stream that draws a page (it sets a transform).
std::string firstPageContent(const std::string& file);
// Lengths in points of the straight strokes across (or down) a page's content, through the
// product of the "cm" transforms that open it.
std::vector<double> strokeLengths(const std::string& content, bool down = false);

}  // namespace tessaro::test
