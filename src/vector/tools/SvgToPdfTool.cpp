// An SVG drawing as a one-page PDF through the program's own conversion, for bench/peers.sh,
// which makes its large vector page with it.
//   svg-to-pdf IN.svg OUT.pdf
#include <cstdio>
#include <string>

#include "vector/SvgToPdf.h"

int main(int argc, char** argv) {
  if (argc != 3) {
    std::fprintf(stderr, "usage: %s IN.svg OUT.pdf\n", argv[0]);
    return 2;
  }
  std::string why;
  if (tessaro::svgToPdf(argv[1], argv[2], &why)) return 0;
  std::fprintf(stderr, "%s: %s\n", argv[0], why.c_str());
  return 1;
}
