// The scanner service against SANE's own test backend, with scanimage as the reference: the
// same device list, the same option descriptions, the same pixels for every frame format, the
// device's errors as faults, and a scan cancelled half way.
#include <gtest/gtest.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <thread>

#include "scan/FrameAssembler.h"
#include "scan/SaneScanner.h"
#include "support/ReferenceImage.h"

using namespace tessaro;

// The address sanitizer's leak check: what SANE's test backend itself keeps is not ours.
extern "C" const char* __lsan_default_suppressions() { return "leak:libsane-test.so\n"; }

namespace {

// A private SANE configuration with only the test backend; set before SANE first starts.
const std::string& saneConfig() {
  static const std::string dir = [] {
    const std::string d = test::tempPath("sane-config");
    std::filesystem::create_directories(d);
    std::ofstream(d + "/dll.conf") << "test\n";
    std::ofstream(d + "/test.conf") << "number_of_devices 2\n";
    setenv("SANE_CONFIG_DIR", d.c_str(), 1);
    // Kept for the whole run, so SANE stays started and its backend loaded: the test backend
    // keeps some read buffers of cancelled and failed scans, and the leak check can then name it.
    static auto* keeper = new SaneScanner;
    ScanError ignored;
    keeper->listDevices(ignored);
    return d;
  }();
  return dir;
}

std::string run(const std::string& command) {
  std::string out;
  FILE* p = popen(("SANE_CONFIG_DIR=" + saneConfig() + " " + command).c_str(), "r");
  if (!p) return out;
  char buf[4096];
  size_t n;
  while ((n = fread(buf, 1, sizeof buf, p)) > 0) out.append(buf, n);
  pclose(p);
  return out;
}

// One option for both sides: scanimage's "--name=value" and the service's setting.
struct Setting {
  const char* name;
  const char* value;
};

std::vector<OptionSetting> settingsOf(const std::vector<Setting>& list) {
  std::vector<OptionSetting> out;
  for (const Setting& s : list) {
    const std::string v = s.value;
    const bool number = !v.empty() && (std::isdigit(static_cast<unsigned char>(v[0])) != 0);
    out.push_back({s.name, v == "yes" ? 1.0 : number ? std::stod(v) : 0.0, v});
  }
  return out;
}

std::string scanimageArgs(const std::vector<Setting>& list) {
  std::string args;
  for (const Setting& s : list) args += std::string(" '--") + s.name + "=" + s.value + "'";
  return args;
}

// Everything a row leaves out is set to the backend's plain default, so rows do not leak. The
// mode comes first: scanimage refuses options it makes inactive (three-pass in grey).
std::vector<Setting> withDefaults(std::vector<Setting> list) {
  const bool colour = std::string(list.front().value) == "Color";
  const Setting defaults[] = {{"hand-scanner", "no"}, {"three-pass", "no"}, {"ppl-loss", "0"},
                              {"read-limit", "no"},   {"read-delay", "no"}, {"read-return-value", "Default"}};
  for (const Setting& d : defaults) {
    bool given = false;
    for (const Setting& s : list) given = given || std::string(s.name) == d.name;
    if (!given && (colour || std::string(d.name) != "three-pass")) list.insert(list.begin() + 1, d);
  }
  return list;
}

TEST(SaneScanner, ListsTheDevicesScanimageLists) {
  saneConfig();
  SaneScanner scanner;
  ScanError why;
  std::string ours;
  for (const ScannerDevice& d : scanner.listDevices(why))
    ours += "device `" + d.name + "' is a " + d.vendor + " " + d.model + " " + d.type + "\n";
  EXPECT_FALSE(why);
  EXPECT_EQ(ours, run("scanimage -L 2>/dev/null"));
  EXPECT_NE(ours.find("test:1"), std::string::npos);
}

// Each option as scanimage's help shows it, e.g. "--mode Gray|Color" or "-l 0..200mm".
std::string helpLine(const ScanOption& o) {
  const std::string flag = o.name == "tl-x" ? "-l" : o.name == "tl-y" ? "-t" : "--" + o.name;
  std::string values;
  for (const std::string& t : o.texts) values += (values.empty() ? "" : "|") + t;
  for (double n : o.numbers) values += (values.empty() ? "" : "|") + std::to_string(static_cast<int>(n));
  if (o.hasRange) values = std::to_string(static_cast<int>(o.min)) + ".." + std::to_string(static_cast<int>(o.max));
  const char* unit = o.unit == OptionUnit::Dpi ? "dpi" : o.unit == OptionUnit::Mm ? "mm" : "";
  return flag + " " + values + unit;
}

TEST(SaneScanner, DescribesTheOptionsScanimageShows) {
  saneConfig();
  SaneScanner scanner;
  ScanError why;
  const std::vector<ScanOption> options = scanner.openDevice("test:0", why);
  ASSERT_FALSE(why) << describeScanError(why);
  const std::string help = run("scanimage -d test:0 -A 2>/dev/null");
  for (const char* name : {"mode", "depth", "resolution", "source", "test-picture", "tl-x", "tl-y"}) {
    const ScanOption* o = findOption(options, name);
    ASSERT_TRUE(o) << name;
    EXPECT_NE(help.find("    " + helpLine(*o) + " "), std::string::npos) << helpLine(*o);
  }
}

struct FrameCase {
  const char* what;
  std::vector<Setting> settings;
  int bits;       // of our picture
  int tolerance;  // 16-bit samples: ImageMagick rounds where we cut
  // Lines with wasted pixels: scanimage writes the waste into its file, so the reference is the
  // scan without waste, cut to this width.
  int cutTo = 0;
};

TEST(SaneScanner, ScansTheSamePixelsAsScanimage) {
  saneConfig();
  const FrameCase cases[] = {
      {"colour", {{"mode", "Color"}, {"depth", "8"}, {"resolution", "50"}, {"test-picture", "Color pattern"}}, 24, 0},
      {"colour 16 bits",
       {{"mode", "Color"}, {"depth", "16"}, {"resolution", "37"}, {"test-picture", "Color pattern"}},
       24,
       1},
      {"grey", {{"mode", "Gray"}, {"depth", "8"}, {"resolution", "75"}, {"test-picture", "Color pattern"}}, 8, 0},
      {"grey 16 bits",
       {{"mode", "Gray"}, {"depth", "16"}, {"resolution", "30"}, {"test-picture", "Color pattern"}},
       8,
       1},
      {"line art", {{"mode", "Gray"}, {"depth", "1"}, {"resolution", "101"}, {"test-picture", "Grid"}}, 1, 0},
      {"line art, pattern",
       {{"mode", "Gray"}, {"depth", "1"}, {"resolution", "45"}, {"test-picture", "Color pattern"}},
       1,
       0},
      {"three-pass GBR",
       {{"mode", "Color"},
        {"three-pass", "yes"},
        {"three-pass-order", "GBR"},
        {"depth", "8"},
        {"resolution", "40"},
        {"test-picture", "Color pattern"}},
       24,
       0},
      {"three-pass hand scanner",
       {{"mode", "Color"},
        {"hand-scanner", "yes"},
        {"three-pass", "yes"},
        {"three-pass-order", "BRG"},
        {"depth", "8"},
        {"resolution", "20"},
        {"test-picture", "Color pattern"}},
       24,
       0},
      {"hand scanner",
       {{"mode", "Gray"}, {"hand-scanner", "yes"}, {"depth", "8"}, {"resolution", "60"}, {"test-picture", "Grid"}},
       8,
       0},
      {"hand scanner, colour",
       {{"mode", "Color"},
        {"hand-scanner", "yes"},
        {"depth", "8"},
        {"resolution", "33"},
        {"test-picture", "Color pattern"}},
       24,
       0},
      {"padded lines",
       {{"mode", "Color"}, {"depth", "8"}, {"resolution", "50"}, {"ppl-loss", "7"}, {"test-picture", "Color pattern"}},
       24,
       0,
       150},
      {"small reads across lines",
       {{"mode", "Color"},
        {"depth", "8"},
        {"resolution", "50"},
        {"read-limit", "yes"},
        {"read-limit-size", "1001"},
        {"test-picture", "Color pattern"}},
       24,
       0},
  };
  SaneScanner scanner;
  for (const FrameCase& c : cases) {
    SCOPED_TRACE(c.what);
    const std::vector<Setting> settings = withDefaults(c.settings);
    std::vector<Setting> referenceSettings;
    for (const Setting& s : settings)
      if (!c.cutTo || std::string(s.name) != "ppl-loss") referenceSettings.push_back(s);
    const std::string file = test::tempPath(std::string("scan-") + c.what + ".pnm");
    std::string command = "SANE_CONFIG_DIR=" + saneConfig() + " scanimage -d test:0" + scanimageArgs(referenceSettings);
    if (c.cutTo) command += " | convert - -crop " + std::to_string(c.cutTo) + "x100000+0+0 +repage ppm:-";
    ASSERT_EQ(std::system((command + " > '" + file + "' 2>/dev/null").c_str()), 0);
    const auto reference = test::referenceDecode(file);
    ASSERT_TRUE(reference);
    ScanError why;
    scanner.openDevice("test:0", why);
    int last = -1;
    bool monotone = true;
    const TDib ours = scanner.scan(
        settingsOf(settings),
        [&](int p) {
          monotone = monotone && p >= last && p <= 100;
          last = p;
        },
        why);
    ASSERT_FALSE(ours.empty()) << describeScanError(why);
    EXPECT_EQ(DibBitCount(ours), c.bits);
    EXPECT_TRUE(monotone);
    const int diff = test::maxChannelDifference(test::dibToRgb(ours), *reference);
    EXPECT_GE(diff, 0) << DibWidth(ours) << "x" << DibHeight(ours) << " vs " << reference->width << "x"
                       << reference->height;
    EXPECT_LE(diff, c.tolerance);
    // The picture keeps the resolution it was scanned at.
    for (const Setting& s : settings)
      if (std::string(s.name) == "resolution") EXPECT_EQ(ours.Dpi, (Resolution{std::stod(s.value), std::stod(s.value)}));
  }
}

TEST(SaneScanner, ReportsTheDevicesErrors) {
  saneConfig();
  const std::pair<const char*, ScanFault> cases[] = {
      {"SANE_STATUS_COVER_OPEN", ScanFault::CoverOpen}, {"SANE_STATUS_NO_DOCS", ScanFault::NoDocs},
      {"SANE_STATUS_IO_ERROR", ScanFault::Io},          {"SANE_STATUS_DEVICE_BUSY", ScanFault::Busy},
      {"SANE_STATUS_JAMMED", ScanFault::Jammed},        {"SANE_STATUS_CANCELLED", ScanFault::Cancelled},
  };
  SaneScanner scanner;
  ScanError why;
  ASSERT_FALSE(scanner.openDevice("test:0", why).empty());
  for (const auto& [status, fault] : cases) {
    SCOPED_TRACE(status);
    why = {};
    const TDib got = scanner.scan(
        settingsOf(
            withDefaults({{"mode", "Gray"}, {"depth", "8"}, {"resolution", "50"}, {"read-return-value", status}})),
        {}, why);
    EXPECT_TRUE(got.empty());
    EXPECT_EQ(why.fault, fault);
    EXPECT_FALSE(describeScanError(why).empty());
  }
  // A device nobody answers to, and a scan without an open device.
  EXPECT_TRUE(scanner.openDevice("test:9", why).empty());
  EXPECT_EQ(why.fault, ScanFault::Gone);
  why = {};
  EXPECT_TRUE(scanner.scan({}, {}, why).empty());
  EXPECT_EQ(why.fault, ScanFault::Gone);
}

TEST(SaneScanner, CancelStopsAScanAndTheDeviceScansAgain) {
  saneConfig();
  SaneScanner scanner;
  ScanError why;
  ASSERT_FALSE(scanner.openDevice("test:0", why).empty());
  const auto slow = settingsOf(withDefaults({{"mode", "Color"},
                                             {"depth", "8"},
                                             {"resolution", "300"},
                                             {"read-limit", "yes"},
                                             {"read-limit-size", "4096"},
                                             {"read-delay", "yes"},
                                             {"read-delay-duration", "5000"}}));
  std::atomic<int> reached{0};
  TDib result;
  std::thread worker([&] {
    result = scanner.scan(
        slow, [&](int p) { reached = p; }, why);
  });
  const auto start = std::chrono::steady_clock::now();
  while (reached < 2 && std::chrono::steady_clock::now() - start < std::chrono::seconds(20))
    std::this_thread::sleep_for(std::chrono::milliseconds(5));
  scanner.cancel();
  worker.join();
  EXPECT_TRUE(result.empty());
  EXPECT_EQ(why.fault, ScanFault::Cancelled);
  EXPECT_GE(reached, 2);  // stopped half way, not before it began
  EXPECT_LT(reached, 100);
  why = {};
  const TDib again =
      scanner.scan(settingsOf(withDefaults({{"mode", "Gray"}, {"depth", "8"}, {"resolution", "20"}})), {}, why);
  EXPECT_FALSE(again.empty()) << describeScanError(why);
}

// The test backend ends its reader thread with an asynchronous cancel in the read that takes the
// last bytes; before the scanner waited for that thread, one scan in tens hung its process
// for good on the loader's lock. Whole processes, since the hang shows at exit.
TEST(SaneScanner, ScansLeaveTheProcessFreeToEnd) {
  const std::string command = "SANE_CONFIG_DIR=" + saneConfig() + " timeout 60 " TESSARO_SCAN_TO_PICTURE +
                              " test:0 mode=Color depth=8 resolution=300 tl-x=0 tl-y=0 br-x=210 br-y=297"
                              " 'test-picture=Color pattern' >/dev/null 2>&1";
  for (int run = 0; run < 64; ++run) ASSERT_EQ(std::system(command.c_str()), 0) << "run " << run;
}

// Frames a device could send that must be refused before anything is allocated.
TEST(FrameAssembler, RefusesFramesItCannotTake) {
  const std::pair<FrameFormat, ScanFault> cases[] = {
      {{FrameKind::Gray, 4, 100, 50, 10, true}, ScanFault::Unsupported},         // depth 4
      {{FrameKind::Rgb, 8, 100, 299, 10, true}, ScanFault::Unsupported},         // line shorter than its pixels
      {{FrameKind::Rgb, 8, 100, 300, -7, true}, ScanFault::Unsupported},         // a negative length
      {{FrameKind::Rgb, 8, 0, 0, 10, true}, ScanFault::TooLarge},                // no width
      {{FrameKind::Rgb, 8, 200000, 600000, 200000, true}, ScanFault::TooLarge},  // over the memory limit
      {{FrameKind::Gray, 8, 1 << 20, 1 << 20, 1, true}, ScanFault::TooLarge},    // wider than allowed
  };
  for (const auto& [format, fault] : cases) {
    FrameAssembler frames;
    ScanError why;
    EXPECT_FALSE(frames.beginFrame(format, why));
    EXPECT_EQ(why.fault, fault);
  }
  // A grey frame cannot follow the red one of a three-pass picture, nor another size.
  for (const FrameFormat second :
       {FrameFormat{FrameKind::Gray, 8, 10, 10, 5, true}, FrameFormat{FrameKind::Green, 8, 11, 11, 5, true}}) {
    FrameAssembler frames;
    ScanError why;
    ASSERT_TRUE(frames.beginFrame({FrameKind::Red, 8, 10, 10, 5, false}, why));
    EXPECT_FALSE(frames.beginFrame(second, why));
  }
  // A frame without a single line gives no picture.
  FrameAssembler frames;
  ScanError why;
  ASSERT_TRUE(frames.beginFrame({FrameKind::Gray, 8, 10, 10, -1, true}, why));
  EXPECT_TRUE(frames.finish(why).empty());
  EXPECT_EQ(why.fault, ScanFault::NoData);
}

}  // namespace
