#include <gtest/gtest.h>

#include <cstdlib>
#include <string>

// The real program, started on a virtual X server, opens its window "Tessaro 2.1".
TEST(Startup, RealProgramOpensItsWindowUnderXvfb) {
  if (std::system("command -v xvfb-run >/dev/null && command -v xwininfo >/dev/null") != 0)
    GTEST_FAIL() << "xvfb-run and xwininfo are needed (scripts/setup installs them)";
  const std::string script = std::string(TESSARO_SOURCE_DIR) + "/tests/app/start_under_xvfb.sh";
  const std::string cmd = "xvfb-run -a -s '-screen 0 1024x768x24' bash '" + script + "' '" + TESSARO_BINARY + "'";
  EXPECT_EQ(std::system(cmd.c_str()), 0) << "no window \"Tessaro 2.1\" appeared; see /tmp/tessaro-xvfb.log";
}
