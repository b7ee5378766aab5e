#pragma once
// A PDF document written while the job runs: each picture's image goes into the file at its
// first use, each page when it closes, and the pages tree, catalog, information and font at
// the end.
#include <cstdint>
#include <map>
#include <memory>
#include <set>
#include <string>
#include <utility>
#include <vector>

#include "pdf/PdfWriter.h"
#include "pdf/StagedOutput.h"
#include "picture/Dib.h"
#include "picture/DotMark.h"
#include "print/Calibration.h"
#include "print/PrintService.h"

namespace tessaro {

// A page's drawing in device pixels of the printable area, y down; and what it uses.
struct PdfPage {
  std::string content;
  std::set<int> images;  // object numbers
  std::set<int> dotForms;     // object numbers of the dots' unit shapes
  std::set<int> blendStates;  // object numbers of graphics states that multiply
  bool text = false;
  bool vectorPage = false;  // draws the placed page
};

class PdfDocument {
 public:
  // Every page's drawing is scaled by `scale` about the printable area's top-left corner.
  PdfDocument(OutputStream& out, const PageMetrics& metrics, const Calibration& scale = {});
  bool ok() const { return writer_.ok(); }
  // Stops all writing: the file is being dropped.
  void abandon() { writer_.fail(); }
  // Why finish failed where the cause is no write: the German reason the vector page gave.
  const std::string& error() const { return error_; }

  // The image object of `rowCount` bottom-up rows at `bits`. A picture named by id (non-zero)
  // and generation is written once per document, anything else once per call. The data the rows
  // were decoded from (may be null) goes in instead of them where it fits. 0 when the rows are
  // no picture an image can hold, or when writing failed.
  int image(uint64_t id, uint64_t generation, const uint8_t* bits, const BitmapInfo& info, int32_t rowCount,
            const PictureSource* source);
  // Whether the vector page a stand-in picture shows can be placed here as kPlacedPageName: the
  // document writes the page once at its end and so must hold no image yet, nor another page.
  bool placeVectorPage(const PictureSource& page);
  // The form object of a dot shape's unit shape (see DotMark), without a colour of its own so
  // that it fills in the current one; written at the first use. 0 when writing failed.
  int dotForm(DotShape shape);
  // The graphics state whose fills multiply with what is below; written at the first use.
  int multiplyState();
  void addPage(const PdfPage& page);
  // The rest of the file; true when all of it was written.
  bool finish(const std::string& title);
  size_t imageCount() const { return imageCount_; }
  // The Exif orientation (1 to 8) image `number` is to be shown turned by.
  int imageOrientation(int number) const;

 private:
  // The page scale's transform; empty without one.
  std::string scaling() const;
  // The colour space of RGB pixels: sRGB by its ICC profile, written at the first use.
  const std::string& rgbSpace();
  // The colour space of RGB pixels in `rgbProfile`, written at each call.
  std::string iccSpace(const std::vector<uint8_t>& rgbProfile);
  // Must come before the writer, which writes into it.
  StagedOutput staged_;
  PdfWriter writer_;
  PageMetrics metrics_;
  Calibration scale_;
  int catalog_, pagesTree_, font_, info_;
  std::string rgbSpace_;
  std::vector<int> pages_;
  std::map<std::pair<uint64_t, uint64_t>, int> pictures_;
  std::map<int, int> orientations_;  // image object to its orientation, where not 1
  size_t imageCount_ = 0;
  // The placed vector page (its PDF kept while the document needs it) and its placeholder form
  // object; 0 while none is placed.
  std::string vectorPdf_;
  int vectorPageNumber_ = 0;
  std::shared_ptr<const void> vectorKeep_;
  int placeholder_ = 0;
  std::map<DotShape, int> dotForms_;
  int multiplyState_ = 0;
  std::string error_;
};

}  // namespace tessaro
