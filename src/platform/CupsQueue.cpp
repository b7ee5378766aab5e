#include "platform/CupsQueue.h"

#include <cups/cups.h>

#include <algorithm>
#include <span>

namespace tessaro::cups {

namespace {

// CUPS knows the queue without the instance, which only selects saved options.
QByteArray queueName(const QString& queue) { return queue.section(u'/', 0, 0).toLocal8Bit(); }

// Calls `fn` on each of this user's jobs on the queue, finished ones included; false when CUPS
// did not answer.
template <typename Fn>
bool forEachJob(const QString& queue, Fn fn) {
  cups_job_t* jobs = nullptr;
  const int count = cupsGetJobs2(CUPS_HTTP_DEFAULT, &jobs, queueName(queue).constData(), 1, CUPS_WHICHJOBS_ALL);
  if (count < 0) return false;
  for (const cups_job_t& job : std::span(jobs, static_cast<size_t>(count))) fn(job);
  cupsFreeJobs(count, jobs);
  return true;
}

}  // namespace

QueueState queueState(const QString& queue) { return queueState(std::string(queue.toLocal8Bit().constData())); }

std::optional<int> newestJob(const QString& queue) {
  int newest = 0;
  if (!forEachJob(queue, [&](const cups_job_t& job) { newest = std::max(newest, job.id); })) return std::nullopt;
  return newest;
}

std::vector<int> jobsAfter(const QString& queue, int after) {
  std::vector<int> ids;
  forEachJob(queue, [&](const cups_job_t& job) {
    if (job.id > after && job.state != IPP_JSTATE_CANCELED && job.state != IPP_JSTATE_ABORTED) ids.push_back(job.id);
  });
  return ids;
}

void cancelJob(const QString& queue, int job) {
  cupsCancelJob2(CUPS_HTTP_DEFAULT, queueName(queue).constData(), job, 0);
}

}  // namespace tessaro::cups
