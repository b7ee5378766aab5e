#include "cups/PrintQueue.h"

#include <cups/cups.h>

#include <cstring>
#include <memory>

#include "print/PaperSizes.h"

namespace tessaro::cups {

namespace {

constexpr int kFallbackDpi = 600;

std::string queueName(const std::string& queue) { return queue.substr(0, queue.find('/')); }

struct DestDeleter {
  void operator()(cups_dest_t* d) const { cupsFreeDests(1, d); }
};
using Dest = std::unique_ptr<cups_dest_t, DestDeleter>;

Dest namedDest(const std::string& queue) {
  return Dest(cupsGetNamedDest(CUPS_HTTP_DEFAULT, queueName(queue).c_str(), nullptr));
}

std::string missingText(const std::string& queue) {
  return cupsLastError() == IPP_STATUS_ERROR_NOT_FOUND || cupsLastError() == IPP_STATUS_OK
             ? "Den Drucker „" + queue + "“ gibt es nicht."
             : "Der Drucker „" + queue + "“ ist nicht erreichbar: Das Drucksystem antwortet nicht (" +
                   std::string(cupsLastErrorString()) + ").";
}

int defaultDpi(cups_dest_t* dest, cups_dinfo_t* info) {
  ipp_attribute_t* attr = cupsFindDestDefault(CUPS_HTTP_DEFAULT, dest, info, "printer-resolution");
  if (!attr || ippGetValueTag(attr) != IPP_TAG_RESOLUTION) return kFallbackDpi;
  int y = 0;
  ipp_res_t units = IPP_RES_PER_INCH;
  int x = ippGetResolution(attr, 0, &y, &units);
  if (units == IPP_RES_PER_CM) x = x * 254 / 100;
  return x > 0 ? x : kFallbackDpi;
}

}  // namespace

QueueState queueState(const std::string& queue) {
  const Dest dest = namedDest(queue);
  if (!dest) return cupsLastError() == IPP_STATUS_ERROR_NOT_FOUND ? QueueState::Missing : QueueState::Unreachable;
  const char* accepting = cupsGetOption("printer-is-accepting-jobs", dest->num_options, dest->options);
  return accepting && std::strcmp(accepting, "false") == 0 ? QueueState::Rejecting : QueueState::Accepting;
}

std::optional<QueuePaper> queuePaper(const std::string& queue, const std::string& media, int dpi, std::string& why) {
  const Dest dest = namedDest(queue);
  if (!dest) {
    why = missingText(queue);
    return std::nullopt;
  }
  cups_dinfo_t* info = cupsCopyDestInfo(CUPS_HTTP_DEFAULT, dest.get());
  if (!info) {
    why = "Der Drucker „" + queue + "“ gibt keine Auskunft über sein Papier.";
    return std::nullopt;
  }
  cups_size_t size{};
  const bool found = media.empty()
                         ? cupsGetDestMediaDefault(CUPS_HTTP_DEFAULT, dest.get(), info, 0, &size) != 0
                         : cupsGetDestMediaByName(CUPS_HTTP_DEFAULT, dest.get(), info, media.c_str(), 0, &size) != 0;
  const int resolution = dpi > 0 ? dpi : defaultDpi(dest.get(), info);
  cupsFreeDestInfo(info);
  if (!found || size.width <= 0 || size.length <= 0) {
    why = media.empty() ? "Der Drucker „" + queue + "“ nennt kein Papierformat."
                        : "Der Drucker „" + queue + "“ kennt das Papierformat „" + media + "“ nicht.";
    return std::nullopt;
  }
  QueuePaper paper;
  paper.media = size.media;
  paper.metrics = mediaMetrics(size.width, size.length, size.left, size.top, size.right, size.bottom, resolution);
  if (paper.metrics.pageWidth <= 0 || paper.metrics.pageHeight <= 0) {
    why = "Das Papierformat „" + paper.media + "“ hat keinen bedruckbaren Bereich.";
    return std::nullopt;
  }
  return paper;
}

int printFile(const std::string& queue, const std::string& file, const std::string& title, const std::string& media,
              std::string& why) {
  cups_option_t* options = nullptr;
  int count = 0;
  if (!media.empty()) count = cupsAddOption("media", media.c_str(), count, &options);
  const int job =
      cupsPrintFile2(CUPS_HTTP_DEFAULT, queueName(queue).c_str(), file.c_str(), title.c_str(), count, options);
  cupsFreeOptions(count, options);
  if (job <= 0) why = "Der Drucker „" + queue + "“ hat den Auftrag nicht angenommen: " + cupsLastErrorString();
  return job > 0 ? job : 0;
}

}  // namespace tessaro::cups
