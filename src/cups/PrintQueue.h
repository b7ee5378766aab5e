#pragma once
// A print queue as libcups knows it, without Qt: whether it takes jobs and the paper and
// resolution it prints on.
#include <optional>
#include <string>

#include "cups/QueueMessages.h"
#include "print/PrintService.h"

namespace tessaro::cups {

// `queue` as "queue" or "queue/instance"; the instance only selects saved options.
QueueState queueState(const std::string& queue);

// Whether the print system answers at all: with no queue to be seen, this tells "none set up"
// from "the print system is down".
bool printSystemAnswers();

struct QueuePaper {
  PageMetrics metrics;
  std::string media;  // the print system's name of the paper, to send with the job
};

// The queue's default paper, or the one named (a self-describing name such as
// "iso_a4_210x297mm" or the queue's own, such as "A4"), at `dpi` or else at the queue's default
// resolution. Nothing, with the reason in German, when the queue or the paper is unknown.
std::optional<QueuePaper> queuePaper(const std::string& queue, const std::string& media, int dpi, std::string& why);

}  // namespace tessaro::cups
