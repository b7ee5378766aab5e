#pragma once
// The connection to the print system and its word on one queue, for the other files here.
// A connection of our own rather than libcups' shared one, so that a server that does not
// answer is told apart from a queue it does not know.
#include <cups/cups.h>

#include <memory>
#include <string>

#include "cups/QueueMessages.h"

namespace tessaro::cups {

struct ConnectionCloser {
  void operator()(http_t* http) const { httpClose(http); }
};
using Connection = std::unique_ptr<http_t, ConnectionCloser>;

// The print system libcups is set up for (CUPS_SERVER, client.conf); null when it does not answer.
Connection connectToServer();

struct DestDeleter {
  void operator()(cups_dest_t* dest) const { cupsFreeDests(1, dest); }
};
using Dest = std::unique_ptr<cups_dest_t, DestDeleter>;

// CUPS knows the queue without the instance, which only selects saved options.
std::string queueName(const std::string& queue);

// The queue as the server describes it; null when it does not know it (cupsLastError says why).
Dest namedDest(http_t* http, const std::string& queue);

QueueState queueState(http_t* http, const std::string& queue);

// Why the last request failed, in German.
std::string lastErrorText(const std::string& queue);

}  // namespace tessaro::cups
