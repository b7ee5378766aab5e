#include "cups/PrintQueue.h"

#include <cups/cups.h>
#include <cups/pwg.h>

#include "cups/Server.h"
#include "print/PaperSizes.h"

namespace tessaro::cups {

namespace {

constexpr int kFallbackDpi = 600;

int defaultDpi(http_t* http, cups_dest_t* dest, cups_dinfo_t* info) {
  ipp_attribute_t* attr = cupsFindDestDefault(http, dest, info, "printer-resolution");
  if (!attr || ippGetValueTag(attr) != IPP_TAG_RESOLUTION) return kFallbackDpi;
  int y = 0;
  ipp_res_t units = IPP_RES_PER_INCH;
  int x = ippGetResolution(attr, 0, &y, &units);
  if (units == IPP_RES_PER_CM) x = x * 254 / 100;
  return x > 0 ? x : kFallbackDpi;
}

}  // namespace

QueueState queueState(const std::string& queue) {
  const Connection http = connectToServer();
  return http ? queueState(http.get(), queue) : QueueState::Unreachable;
}

bool printSystemAnswers() { return connectToServer() != nullptr; }

std::optional<QueuePaper> queuePaper(const std::string& queue, const std::string& media, int dpi, std::string& why) {
  const Connection http = connectToServer();
  const Dest dest = http ? namedDest(http.get(), queue) : nullptr;
  if (!dest) {
    why = http ? lastErrorText(queue) : queueStateText(QueueState::Unreachable, queue);
    return std::nullopt;
  }
  cups_dinfo_t* info = cupsCopyDestInfo(http.get(), dest.get());
  if (!info) {
    why = "Der Drucker „" + queue + "“ gibt keine Auskunft über sein Papier.";
    return std::nullopt;
  }
  cups_size_t size{};
  bool found = media.empty() ? cupsGetDestMediaDefault(http.get(), dest.get(), info, 0, &size) != 0
                             : cupsGetDestMediaByName(http.get(), dest.get(), info, media.c_str(), 0, &size) != 0;
  // A driver's name ("A5", as Qt's dialog gives it) that the queue lists only by its
  // self-describing one.
  if (const pwg_media_t* pwg = found || media.empty() ? nullptr : pwgMediaForPPD(media.c_str()))
    found = cupsGetDestMediaByName(http.get(), dest.get(), info, pwg->pwg, 0, &size) != 0;
  const int resolution = dpi > 0 ? dpi : defaultDpi(http.get(), dest.get(), info);
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

}  // namespace tessaro::cups
