// Small hostile files (tests/data/tiny) promise huge pictures in a few bytes. Every one must be
// refused, and refusing it must stay cheap: each is opened in a child process that reports how
// much its peak resident memory grew.
#include <gtest/gtest.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "picture/CodecRegistry.h"
#include "support/TestData.h"

using namespace tessaro;

namespace {

constexpr long kPeakBudgetKiB = 64 * 1024;

long residentKiB() {
  std::ifstream status("/proc/self/status");
  std::string key;
  long value = 0;
  while (status >> key) {
    if (key == "VmRSS:") {
      status >> value;
      return value;
    }
    status.ignore(1 << 10, '\n');
  }
  return 0;
}

struct ChildReport {
  int refused = -1;   // 1 when OpenDib gave the empty picture
  long growthKiB = -1;
};

// Opens `path` in a forked child and reads back what it measured.
ChildReport openInChild(const std::string& path) {
  int fds[2];
  if (::pipe(fds) != 0) return {};
  const pid_t pid = ::fork();
  if (pid == 0) {
    ::close(fds[0]);
    const long before = residentKiB();
    const TDib dib = OpenDib(path, 0, {});
    rusage usage{};
    ::getrusage(RUSAGE_SELF, &usage);
    const ChildReport report{dib.empty() ? 1 : 0, usage.ru_maxrss - before};
    [[maybe_unused]] const auto written = ::write(fds[1], &report, sizeof report);
    ::_exit(0);
  }
  ::close(fds[1]);
  ChildReport report;
  if (pid < 0 || ::read(fds[0], &report, sizeof report) != static_cast<ssize_t>(sizeof report)) report = {};
  ::close(fds[0]);
  if (pid > 0) ::waitpid(pid, nullptr, 0);
  return report;
}

}  // namespace

TEST(HostileFiles, AreRefusedWithinTheMemoryBudget) {
#if defined(__SANITIZE_ADDRESS__)
  GTEST_SKIP() << "the address sanitizer's shadow memory makes resident sizes meaningless";
#endif
  std::vector<std::filesystem::path> files;
  for (const auto& e : std::filesystem::directory_iterator(test::dataPath("tiny"))) files.push_back(e.path());
  std::sort(files.begin(), files.end());
  ASSERT_FALSE(files.empty());
  for (const auto& file : files) {
    const ChildReport r = openInChild(file.string());
    EXPECT_EQ(r.refused, 1) << file.filename();
    EXPECT_GE(r.growthKiB, 0) << file.filename();
    EXPECT_LE(r.growthKiB, kPeakBudgetKiB) << file.filename() << " grew the peak by " << r.growthKiB << " KiB";
  }
}
