#include "cups/Server.h"

#include <cstring>

namespace tessaro::cups {

namespace {

// A local server answers at once; a remote one gets a few seconds.
constexpr int kConnectTimeoutMs = 10000;
// "printer-state" of a queue that keeps its jobs (cupsdisable).
constexpr const char* kStopped = "5";

bool optionIs(const cups_dest_t& dest, const char* name, const char* value) {
  const char* got = cupsGetOption(name, dest.num_options, dest.options);
  return got && std::strcmp(got, value) == 0;
}

}  // namespace

Connection connectToServer() {
  return Connection(httpConnect2(cupsServer(), ippPort(), nullptr, AF_UNSPEC, cupsEncryption(), 1,
                                 kConnectTimeoutMs, nullptr));
}

std::string queueName(const std::string& queue) { return queue.substr(0, queue.find('/')); }

Dest namedDest(http_t* http, const std::string& queue) {
  return Dest(cupsGetNamedDest(http, queueName(queue).c_str(), nullptr));
}

QueueState queueState(http_t* http, const std::string& queue) {
  const Dest dest = namedDest(http, queue);
  if (!dest) return cupsLastError() == IPP_STATUS_ERROR_NOT_FOUND ? QueueState::Missing : QueueState::Unreachable;
  if (optionIs(*dest, "printer-is-accepting-jobs", "false")) return QueueState::Rejecting;
  return optionIs(*dest, "printer-state", kStopped) ? QueueState::Paused : QueueState::Accepting;
}

std::string lastErrorText(const std::string& queue) {
  // A request cut off on the way has no answer to tell.
  if (cupsLastError() < IPP_STATUS_REDIRECTION_OTHER_SITE) return queueStateText(QueueState::Unreachable, queue);
  return ippStatusText(cupsLastError(), queue, cupsLastErrorString());
}

}  // namespace tessaro::cups
