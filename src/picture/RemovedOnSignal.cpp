#include "picture/RemovedOnSignal.h"

#include <fcntl.h>
#include <pthread.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <cstring>
#include <mutex>

namespace tessaro {

namespace {

constexpr int kSignals[] = {SIGINT, SIGTERM, SIGHUP};

// Fixed storage, so the handler reads names without allocating or locking.
struct Slot {
  std::atomic<int> folder{-1};  // set last, once the name is in place
  char name[256] = {};
};
Slot slots[8];
std::mutex registry;
int registered = 0;
bool installed[std::size(kSignals)] = {};

void removeAndEnd(int sig) {
  const int saved = errno;
  for (Slot& s : slots) {
    const int folder = s.folder.load();
    if (folder >= 0) ::unlinkat(folder, s.name, 0);
  }
  // The signal is blocked while this handler runs: raised again, it ends the program on return.
  struct sigaction byDefault {};
  byDefault.sa_handler = SIG_DFL;
  ::sigemptyset(&byDefault.sa_mask);
  ::sigaction(sig, &byDefault, nullptr);
  ::raise(sig);
  errno = saved;
}

// Only signals that would end the program anyway: one ignored or handled by the program (the
// window's own, say) stays as it is.
void install() {
  for (size_t i = 0; i < std::size(kSignals); ++i) {
    struct sigaction old {};
    if (::sigaction(kSignals[i], nullptr, &old) != 0) continue;
    if ((old.sa_flags & SA_SIGINFO) || old.sa_handler != SIG_DFL) continue;
    struct sigaction ours {};
    ours.sa_handler = removeAndEnd;
    ours.sa_flags = SA_RESTART;
    ::sigemptyset(&ours.sa_mask);
    installed[i] = ::sigaction(kSignals[i], &ours, nullptr) == 0;
  }
}

void uninstall() {
  for (size_t i = 0; i < std::size(kSignals); ++i) {
    if (!installed[i]) continue;
    installed[i] = false;
    struct sigaction now {};
    if (::sigaction(kSignals[i], nullptr, &now) != 0 || now.sa_handler != removeAndEnd) continue;
    now.sa_handler = SIG_DFL;
    ::sigaction(kSignals[i], &now, nullptr);
  }
}

}  // namespace

RemovedOnSignal::RemovedOnSignal(int folder, const std::string& name) {
  if (folder < 0 || name.size() >= sizeof slots[0].name) return;
  const std::lock_guard<std::mutex> lock(registry);
  for (int i = 0; i < static_cast<int>(std::size(slots)); ++i) {
    if (slots[i].folder.load() >= 0) continue;
    std::memcpy(slots[i].name, name.c_str(), name.size() + 1);
    slots[i].folder.store(folder);
    slot_ = i;
    if (registered++ == 0) install();
    return;
  }
}

RemovedOnSignal::~RemovedOnSignal() {
  if (slot_ < 0) return;
  const std::lock_guard<std::mutex> lock(registry);
  slots[slot_].folder.store(-1);
  if (--registered == 0) uninstall();
}

TerminationSignalsHeld::TerminationSignalsHeld() {
  sigset_t held;
  ::sigemptyset(&held);
  for (const int s : kSignals) ::sigaddset(&held, s);
  ::pthread_sigmask(SIG_BLOCK, &held, &previous_);
}

TerminationSignalsHeld::~TerminationSignalsHeld() { ::pthread_sigmask(SIG_SETMASK, &previous_, nullptr); }

}  // namespace tessaro
