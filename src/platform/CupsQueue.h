#pragma once
// What the print system says about a queue and this user's jobs on it, asked through libcups.
// Qt hands a job to CUPS when the painter ends and does not tell whether CUPS took it.
#include <QString>
#include <optional>
#include <vector>

#include "cups/PrintQueue.h"

namespace tessaro::cups {

// `queue` as QPrinter names it: "queue" or "queue/instance".
QueueState queueState(const QString& queue);

// The id of this user's newest job on the queue, in any state; 0 when there is none, nothing
// when the print system did not answer.
std::optional<int> newestJob(const QString& queue);

// This user's jobs on the queue newer than job `after` that were neither cancelled nor aborted.
std::vector<int> jobsAfter(const QString& queue, int after);

void cancelJob(const QString& queue, int job);

}  // namespace tessaro::cups
