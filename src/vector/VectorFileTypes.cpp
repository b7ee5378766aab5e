#include "vector/VectorFileTypes.h"

namespace tessaro {

std::span<const OpenFileType> vectorFileTypes() {
  static const OpenFileType types[] = {
      {"PDF-Dateien (*.pdf)", {"pdf"}},
      {"SVG-Dateien (*.svg *.svgz)", {"svg", "svgz"}},
  };
  return types;
}

}  // namespace tessaro
