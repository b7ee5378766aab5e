#include "vector/BoundedChild.h"

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <sys/prctl.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <cstdio>

namespace tessaro {

namespace {

// The sanitizers reserve terabytes of address space up front and map more as they go: an
// address-space limit would stop them, not the drawing. Their builds keep only the time limit.
#if defined(__SANITIZE_ADDRESS__) || defined(__SANITIZE_THREAD__)
constexpr bool kLimitAddressSpace = false;
#elif defined(__has_feature)
#if __has_feature(address_sanitizer) || __has_feature(thread_sanitizer) || __has_feature(memory_sanitizer)
constexpr bool kLimitAddressSpace = false;
#else
constexpr bool kLimitAddressSpace = true;
#endif
#else
constexpr bool kLimitAddressSpace = true;
#endif

// The address space this process has mapped, in bytes; 0 when it cannot be read.
uint64_t mappedBytes() {
  FILE* f = std::fopen("/proc/self/statm", "r");
  if (!f) return 0;
  unsigned long long pages = 0;
  const bool read = std::fscanf(f, "%llu", &pages) == 1;
  std::fclose(f);
  return read ? pages * static_cast<uint64_t>(sysconf(_SC_PAGESIZE)) : 0;
}

[[noreturn]] void runChild(const std::function<bool()>& work, int seconds, uint64_t limit, int parentAlive) {
  prctl(PR_SET_PDEATHSIG, SIGKILL);
  if (getppid() != parentAlive) _exit(1);
  if (limit > 0) {
    const rlimit as{limit, limit};
    setrlimit(RLIMIT_AS, &as);
  }
  const rlimit cpu{static_cast<rlim_t>(seconds) + 1, static_cast<rlim_t>(seconds) + 1};
  setrlimit(RLIMIT_CPU, &cpu);
  bool done = false;
  try {
    done = work();
  } catch (...) {
    done = false;
  }
  // No destructors, atexit handlers or stdio flushes of the parent's state.
  _exit(done ? 0 : 1);
}

}  // namespace

ChildOutcome runInBoundedChild(const std::function<bool()>& work, int seconds, uint64_t memory) {
  const uint64_t mapped = kLimitAddressSpace ? mappedBytes() : 0;
  const uint64_t limit = mapped > 0 ? mapped + memory : 0;
  int pipeEnds[2];
  if (pipe2(pipeEnds, O_CLOEXEC) != 0) return ChildOutcome::Failed;
  const pid_t parent = getpid();
  const pid_t child = fork();
  if (child < 0) {
    close(pipeEnds[0]);
    close(pipeEnds[1]);
    return ChildOutcome::Failed;
  }
  if (child == 0) {
    close(pipeEnds[0]);
    runChild(work, seconds, limit, parent);  // the write end closes when the child ends
  }
  close(pipeEnds[1]);
  // The read end sees the end of the pipe when the child is gone, however it ended.
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(seconds);
  bool ended = false;
  while (!ended) {
    const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - std::chrono::steady_clock::now());
    if (left.count() <= 0) break;
    pollfd p{pipeEnds[0], POLLIN, 0};
    const int ready = poll(&p, 1, static_cast<int>(left.count()));
    if (ready > 0) ended = true;
    else if (ready < 0 && errno != EINTR) break;
  }
  close(pipeEnds[0]);
  if (!ended) kill(child, SIGKILL);
  int status = 0;
  while (waitpid(child, &status, 0) < 0 && errno == EINTR) {
  }
  if (!ended) return ChildOutcome::TimedOut;
  if (WIFSIGNALED(status) && WTERMSIG(status) == SIGXCPU) return ChildOutcome::TimedOut;
  return WIFEXITED(status) && WEXITSTATUS(status) == 0 ? ChildOutcome::Done : ChildOutcome::Failed;
}

}  // namespace tessaro
