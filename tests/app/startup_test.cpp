#include <gtest/gtest.h>

#include <cstdlib>
#include <string>

namespace {

const char* kXvfb = "xvfb-run -a -s '-screen 0 1024x768x24' ";

std::string script(const char* name) { return "'" + std::string(TESSARO_SOURCE_DIR) + "/tests/app/" + name + "'"; }

}  // namespace

// The real program, started on a virtual X server, opens its window "Tessaro 2.1".
TEST(Startup, RealProgramOpensItsWindowUnderXvfb) {
  if (std::system("command -v xvfb-run >/dev/null && command -v xwininfo >/dev/null") != 0)
    GTEST_FAIL() << "xvfb-run and xwininfo are needed (scripts/setup installs them)";
  const std::string cmd = kXvfb + std::string("bash ") + script("start_under_xvfb.sh") + " '" + TESSARO_BINARY + "'";
  EXPECT_EQ(std::system(cmd.c_str()), 0) << "no window \"Tessaro 2.1\" appeared; see /tmp/tessaro-xvfb.log";
}

// Driven as a screen reader would, the real program's picture buttons press, and the printer and
// save dialogs they open speak German whatever the locale. The German locale need not be
// installed: Qt reads LANG itself.
TEST(Startup, StandardDialogsSpeakGermanWhateverTheLocale) {
  if (std::system("command -v xvfb-run >/dev/null && command -v xwininfo >/dev/null && "
                  "command -v dbus-run-session >/dev/null && test -x /usr/libexec/at-spi-bus-launcher && "
                  "/usr/bin/python3 -c 'import dbus' 2>/dev/null") != 0)
    GTEST_FAIL() << "xvfb-run, xwininfo, dbus-run-session, at-spi2-core and python3-dbus are needed "
                    "(scripts/setup installs them)";
  for (const char* lang : {"de_DE.UTF-8", "C"}) {
    const std::string cmd = "env -u LC_ALL -u LC_MESSAGES -u LANGUAGE LANG=" + std::string(lang) + " " + kXvfb +
                            "dbus-run-session -- bash " + script("start_under_xvfb.sh") + " '" + TESSARO_BINARY +
                            "' /usr/bin/python3 " + script("dialogs_through_accessibility.py");
    EXPECT_EQ(std::system(cmd.c_str()), 0) << "LANG=" << lang << "; see /tmp/tessaro-xvfb.log";
  }
}
