#pragma once
// A print queue as libcups knows it, without Qt: whether it takes jobs, the paper and
// resolution it prints on, and handing it a finished PDF file.
#include <optional>
#include <string>

#include "print/PrintService.h"

namespace tessaro::cups {

enum class QueueState {
  Accepting,    // takes jobs (a paused queue keeps them until it is resumed)
  Rejecting,    // exists but refuses new jobs
  Missing,      // no such queue
  Unreachable,  // the print system did not answer
};

// `queue` as "queue" or "queue/instance"; the instance only selects saved options.
QueueState queueState(const std::string& queue);

struct QueuePaper {
  PageMetrics metrics;
  std::string media;  // the print system's name of the paper, to send with the job
};

// The queue's default paper, or the one named (a self-describing name such as
// "iso_a4_210x297mm" or the queue's own, such as "A4"), at `dpi` or else at the queue's default
// resolution. Nothing, with the reason in German, when the queue or the paper is unknown.
std::optional<QueuePaper> queuePaper(const std::string& queue, const std::string& media, int dpi, std::string& why);

// Sends the file as one job; the job's id, or 0 with the reason in German.
int printFile(const std::string& queue, const std::string& file, const std::string& title, const std::string& media,
              std::string& why);

}  // namespace tessaro::cups
