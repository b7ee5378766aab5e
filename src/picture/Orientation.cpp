#include "picture/Orientation.h"

namespace tessaro {

int orientationOf(const PictureMetadata& metadata) {
  if (metadata.orientedByContainer) return 1;
  return metadata.orientation >= 1 && metadata.orientation <= 8 ? metadata.orientation : 1;
}

TDib turnUpright(const TDib& picture, int /*orientation*/) { return copyDib(picture); }

}  // namespace tessaro
