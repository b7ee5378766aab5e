#include "vector/VectorMessages.h"

namespace tessaro {

std::string pageOutOfRange(int number, int pageCount) {
  return "Die Datei hat keine Seite " + std::to_string(number) + "; sie hat " + std::to_string(pageCount) +
         (pageCount == 1 ? " Seite." : " Seiten.");
}

}  // namespace tessaro
