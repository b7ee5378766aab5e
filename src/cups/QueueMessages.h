#pragma once
// What the print system's answers mean for the user, in German. Only an answer this program does
// not know is passed on as it came, after "CUPS meldet:".
#include <string>

namespace tessaro::cups {

enum class QueueState {
  Accepting,    // takes jobs and prints them
  Paused,       // takes jobs but keeps them until it is resumed
  Rejecting,    // exists but refuses new jobs
  Missing,      // no such queue
  Unreachable,  // the print system did not answer
};

// Why a job cannot go to `queue` in that state; for Paused, that the job waits. Empty for
// Accepting.
std::string queueStateText(QueueState state, const std::string& queue);

// Why `queue` did not take a job, from the status code of the print system's answer and its
// own text for it.
std::string ippStatusText(int status, const std::string& queue, const std::string& cupsText);

}  // namespace tessaro::cups
