// Runs the real tessaro-cli as a script would, and checks its output, files and exit codes.
#include <gtest/gtest.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <sys/un.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <functional>
#include <map>
#include <string>
#include <vector>

#include "CliRun.h"
#include "depth/ColourDepth.h"
#include "layout/PassportPrintJob.h"
#include "layout/PosterSetup.h"
#include "picture/CodecRegistry.h"
#include "picture/MirrorRotate.h"
#include "print/PaperSizes.h"
#include "print/PosterPrintJob.h"
#include "retouch/Crop.h"
#include "retouch/Filters.h"
#include "retouch/Resize.h"
#include "retouch/Tones.h"
#include "support/FakePrintService.h"
#include "support/PdfPages.h"
#include "support/PosterPictures.h"
#include "support/ReferenceImage.h"
#include "support/TestData.h"

namespace tessaro {
namespace {

namespace fs = std::filesystem;
using test::CliRun;
using test::freshFolder;
using test::quoted;
using test::readAll;
using test::runCli;

// Every file under the folder with its contents: a leftover or a changed file shows up here.
std::map<std::string, std::string> contents(const fs::path& dir) {
  std::map<std::string, std::string> files;
  for (const auto& entry : fs::recursive_directory_iterator(dir))
    files[entry.path().lexically_relative(dir).string()] = entry.is_regular_file() ? readAll(entry.path()) : "<folder>";
  return files;
}

// A picture whose every pixel differs from its neighbours, at any depth.
TDib pattern(int32_t width, int32_t height, int32_t bits) {
  TDib pic = newdib(width, height, bits, nullptr, 0);
  if (bits <= 8) {
    for (int i = 0; i < (1 << bits); ++i)
      pic.colors()[i] =
          RgbQuad{static_cast<uint8_t>(i * 37), static_cast<uint8_t>(255 - i), static_cast<uint8_t>(i * 11), 0};
    syncPaletteFromColors(pic, 1 << bits);
  }
  for (int32_t y = 0; y < height; ++y)
    for (int32_t x = 0; x < width; ++x)
      setpixel(pic, x, y, bits == 24 ? (x * 40) << 16 | (y * 50) << 8 | ((x + y) * 9) : (x + 3 * y) % (1 << bits));
  return pic;
}

void writeBmp(const TDib& pic, const fs::path& path) { ASSERT_TRUE(SaveDib(pic, path.string(), kFormatBmp, {})); }

// A socket's entry in the folder, left after its socket is closed.
void makeSocket(const fs::path& path) {
  sockaddr_un address{};
  address.sun_family = AF_UNIX;
  ASSERT_LT(path.string().size(), sizeof address.sun_path);
  std::strcpy(address.sun_path, path.c_str());
  const int fd = ::socket(AF_UNIX, SOCK_STREAM, 0);
  ASSERT_GE(fd, 0);
  EXPECT_EQ(::bind(fd, reinterpret_cast<const sockaddr*>(&address), sizeof address), 0);
  ::close(fd);
}

// The memory device `minor` (3 /dev/null, 7 /dev/full) at `path`: a node of its own as root,
// else a link to the system's.
void makeDevice(const fs::path& path, unsigned minor, const char* system) {
  if (::mknod(path.c_str(), S_IFCHR | 0666, makedev(1, minor)) != 0) fs::create_symlink(system, path);
}

TEST(Cli, InfoPrintsSizeDepthAndColours) {
  // Sizes as ImageMagick's identify reports them; depths as the README says each is loaded.
  // "-" reads the file given as standard input; a picture beyond the limit is told, then refused.
  // An embedded colour profile is named, also where it is damaged or to be ignored.
  struct Case {
    std::string file, expected;
    std::string input = "/dev/null";
    int code = 0;
    std::string err = "";
    std::vector<std::string> options = {};
  };
  const Case cases[] = {
      {"png/good-interlaced-rgba-5x3.png", "Breite: 5\nHöhe: 3\nFarbtiefe: 24 Bit\nFarben: 16777216\nAuflösung: —\n"},
      {"pcx/good-2bit.pcx", "Breite: 5\nHöhe: 2\nFarbtiefe: 4 Bit\nFarben: 16\nAuflösung: 72 x 72 dpi\n"},
      {"ilbm/good-frame.iff", "Breite: 4\nHöhe: 2\nFarbtiefe: 1 Bit\nFarben: 2\nAuflösung: —\n"},
      {"jpeg/good-100-scans.jpg", "Breite: 24\nHöhe: 16\nFarbtiefe: 8 Bit\nFarben: 256\nAuflösung: —\n"},
      // Stored 12 x 8, tagged to stand upright as 8 x 12.
      {"jpeg/good-exif-orientation-6.jpg",
       "Breite: 8\nHöhe: 12\nFarbtiefe: 24 Bit\nFarben: 16777216\nAuflösung: —\nAusrichtung: 6 (aufgerichtet)\n"},
      {"jpeg/good-exif-orientation-6.jpg",
       "Breite: 12\nHöhe: 8\nFarbtiefe: 24 Bit\nFarben: 16777216\nAuflösung: —\nAusrichtung: 6 (nicht angewandt)\n", "/dev/null", 0,
       "", {"--no-auto-orient"}},
      {"-", "Breite: 5\nHöhe: 2\nFarbtiefe: 4 Bit\nFarben: 16\nAuflösung: 72 x 72 dpi\n", test::dataPath("pcx/good-2bit.pcx")},
      {"-", "Breite: 48\nHöhe: 32\nFarbtiefe: 24 Bit\nFarben: 16777216\nAuflösung: —\n", test::dataPath("webp/good-animation.webp")},
      {"webp/bad-huge-size.webp", "Breite: 30000\nHöhe: 30000\nFarbtiefe: 24 Bit\nFarben: 16777216\nAuflösung: —\n", "/dev/null", 4,
       "tessaro-cli: Die Datei „" + test::dataPath("webp/bad-huge-size.webp") +
           "“ kann nicht geladen werden. Das Bild ist größer als die Grenze von 1 GiB Bildspeicher.\n"},
      // Turned upright by its container (irot), its Exif orientation 6 left alone.
      {"heif/good-irot-exif6.avif", "Breite: 23\nHöhe: 37\nFarbtiefe: 24 Bit\nFarben: 16777216\nAuflösung: —\n"},
      {"-", "Breite: 37\nHöhe: 23\nFarbtiefe: 24 Bit\nFarben: 16777216\nAuflösung: —\n", test::dataPath("heif/good-37x23.heic")},
      {"tiny/heic-ispe-30000x30000.heic", "Breite: 30000\nHöhe: 30000\nFarbtiefe: 24 Bit\nFarben: 16777216\nAuflösung: —\n",
       "/dev/null", 4,
       "tessaro-cli: Die Datei „" + test::dataPath("tiny/heic-ispe-30000x30000.heic") +
           "“ kann nicht geladen werden. Das Bild ist größer als die Grenze von 1 GiB Bildspeicher.\n"},
      // A portrait photo: its codestream turns it upright.
      {"jxl/good-jpeg-orientation-6.jxl", "Breite: 23\nHöhe: 37\nFarbtiefe: 24 Bit\nFarben: 16777216\nAuflösung: —\n"},
      {"jxl/good-jpeg-orientation-6.jxl",
       "Breite: 37\nHöhe: 23\nFarbtiefe: 24 Bit\nFarben: 16777216\nAuflösung: —\nAusrichtung: 6 (nicht angewandt)\n", "/dev/null", 0, "",
       {"--no-auto-orient"}},
      {"-", "Breite: 37\nHöhe: 23\nFarbtiefe: 8 Bit\nFarben: 256\nAuflösung: —\n", test::dataPath("jxl/good-lossless-grey.jxl")},
      {"tiny/jxl-huge-size.jxl", "Breite: 100000\nHöhe: 100000\nFarbtiefe: 24 Bit\nFarben: 16777216\nAuflösung: —\n", "/dev/null", 4,
       "tessaro-cli: Die Datei „" + test::dataPath("tiny/jxl-huge-size.jxl") +
           "“ kann nicht geladen werden. Das Bild ist größer als die Grenze von 1 GiB Bildspeicher.\n"},
      // Its header: 0x30d40 pixels each way at 24 bits, 112 GiB.
      {"bmp/bad_huge_dimensions.bmp", "Breite: 200000\nHöhe: 200000\nFarbtiefe: 24 Bit\nFarben: 16777216\nAuflösung: —\n",
       "/dev/null", 4,
       "tessaro-cli: Die Datei „" + test::dataPath("bmp/bad_huge_dimensions.bmp") +
           "“ kann nicht geladen werden. Das Bild ist größer als die Grenze von 1 GiB Bildspeicher.\n"},
      {"colour/good-display-p3.jpg",
       "Breite: 37\nHöhe: 23\nFarbtiefe: 24 Bit\nFarben: 16777216\nAuflösung: —\nFarbprofil: Display P3\n"},
      {"colour/good-adobe-rgb.tif",
       "Breite: 37\nHöhe: 23\nFarbtiefe: 24 Bit\nFarben: 16777216\nAuflösung: —\nFarbprofil: Compatible with Adobe RGB (1998) (nicht "
       "angewandt)\n",
       "/dev/null", 0, "", {"--ignore-profile"}},
      {"colour/profile-truncated.jpg",
       "Breite: 37\nHöhe: 23\nFarbtiefe: 24 Bit\nFarben: 16777216\nAuflösung: —\nFarbprofil: ohne Namen (nicht verwendbar, "
       "übergangen)\n"},
      {"colour/profile-part-missing.jpg", "Breite: 37\nHöhe: 23\nFarbtiefe: 24 Bit\nFarben: 16777216\nAuflösung: —\n"},
      // Resolutions as identify reads them (tests/data/resolution/README), per cm times 2.54;
      // JFIF density first, else Exif; a turn upright swaps them.
      {"resolution/jfif-300dpi.jpg", "Breite: 30\nHöhe: 20\nFarbtiefe: 24 Bit\nFarben: 16777216\nAuflösung: 300 x 300 dpi\n"},
      {"resolution/exif-200x250-per-cm.jpg",
       "Breite: 30\nHöhe: 20\nFarbtiefe: 24 Bit\nFarben: 16777216\nAuflösung: 508 x 635 dpi\n"},
      {"resolution/jfif-200x100dpi-orientation-6.jpg",
       "Breite: 8\nHöhe: 12\nFarbtiefe: 24 Bit\nFarben: 16777216\nAuflösung: 100 x 200 dpi\nAusrichtung: 6 (aufgerichtet)\n"},
      {"resolution/phys-11811-per-metre.png", "Breite: 30\nHöhe: 20\nFarbtiefe: 1 Bit\nFarben: 2\nAuflösung: 300 x 300 dpi\n"},
      {"resolution/tiff-300dpi.tif", "Breite: 30\nHöhe: 20\nFarbtiefe: 24 Bit\nFarben: 16777216\nAuflösung: 300 x 300 dpi\n"},
      {"resolution/tiff-40-per-cm.tif",
       "Breite: 30\nHöhe: 20\nFarbtiefe: 24 Bit\nFarben: 16777216\nAuflösung: 101.6 x 101.6 dpi\n"},
      {"resolution/bmp-7874x3937-per-metre.bmp",
       "Breite: 30\nHöhe: 20\nFarbtiefe: 24 Bit\nFarben: 16777216\nAuflösung: 200 x 100 dpi\n"},
      {"resolution/pcx-150dpi.pcx", "Breite: 30\nHöhe: 20\nFarbtiefe: 24 Bit\nFarben: 16777216\nAuflösung: 150 x 150 dpi\n"},
      // Vector pages: the sizes the fixtures state (tests/data/vector/make_vector_fixtures.py).
      {"vector/mm.svg", "Seiten: 1\nSeite: 1\nGröße: 210.0 x 297.0 mm\nDrehung: 0°\nVektorseite\n"},
      {"vector/three-pages.pdf", "Seiten: 3\nSeite: 3\nGröße: 35.3 x 35.3 mm\nDrehung: 0°\nVektorseite\n", "/dev/null", 0, "",
       {"--page", "3"}},
      {"vector/rotate90.pdf", "Seiten: 1\nSeite: 1\nGröße: 279.4 x 215.9 mm\nDrehung: 90°\nVektorseite\n"},
  };
  const fs::path dir = freshFolder("cli-info");
  for (const Case& c : cases) {
    SCOPED_TRACE(c.file);
    std::vector<std::string> args = {"info", c.file == "-" ? c.file : test::dataPath(c.file)};
    args.insert(args.end(), c.options.begin(), c.options.end());
    const CliRun r = runCli(dir, args, c.input);
    EXPECT_EQ(r.code, c.code);
    EXPECT_EQ(r.out, c.expected);
    EXPECT_EQ(r.err, c.err);
  }
}

TEST(Cli, ConvertRoundTripThroughPngKeepsEveryPixel) {
  const fs::path dir = freshFolder("cli-roundtrip");
  for (int32_t bits : {1, 4, 8, 24}) {
    SCOPED_TRACE(bits);
    const TDib original = pattern(13, 7, bits);
    writeBmp(original, dir / "in.bmp");
    const CliRun toPng = runCli(dir, {"convert", "in.bmp", "mid.png"});
    const CliRun back = runCli(dir, {"convert", "mid.png", "out.bmp"});
    EXPECT_EQ(toPng.code, 0);
    EXPECT_EQ(back.code, 0);
    EXPECT_EQ(toPng.err + back.err, "");
    EXPECT_EQ(toPng.out + back.out, "");
    // The PNG itself, read by a decoder that shares nothing with ours.
    const auto reference = test::referenceDecode((dir / "mid.png").string());
    ASSERT_TRUE(reference);
    EXPECT_EQ(test::maxChannelDifference(*reference, test::dibToRgb(original)), 0);
    const TDib result = OpenDib((dir / "out.bmp").string(), 0, {});
    ASSERT_FALSE(result.empty());
    EXPECT_EQ(DibBitCount(result), bits);
    EXPECT_EQ(test::maxChannelDifference(test::dibToRgb(result), test::dibToRgb(original)), 0);
  }
}

TEST(Cli, ConvertWritesTheFormatOfTheExtensionOrOfTheOption) {
  // Each format's own signature bytes at their place in the file (TGA has none: its image
  // type 2, uncompressed true colour, stands at byte 2).
  struct Case {
    std::vector<std::string> args;
    std::string output;
    size_t at;
    std::string signature;
  };
  const std::string png("\x89PNG", 4), jpeg("\xFF\xD8\xFF", 3), tiff("II*\0", 4);
  const Case cases[] = {
      {{}, "a.bmp", 0, "BM"},
      {{}, "a.dib", 0, "BM"},
      {{}, "a.rle", 0, "BM"},
      {{}, "a.gif", 0, "GIF8"},
      {{}, "a.iff", 0, "FORM"},
      {{}, "a.lbm", 0, "FORM"},
      {{}, "a.jif", 0, jpeg},
      {{}, "a.jpg", 0, jpeg},
      {{}, "a.JPEG", 0, jpeg},
      {{}, "a.pcx", 0, "\x0A"},
      {{}, "a.tga", 2, "\x02"},
      {{}, "a.tif", 0, tiff},
      {{}, "a.Tiff", 0, tiff},
      {{}, "a.png", 0, png},
      {{"--format", "14"}, "a.dat", 0, png},
      {{"--format", "bmp"}, "b.png", 0, "BM"},
      {{"--format=.gif"}, "noext", 0, "GIF8"},
      {{"--format", "JPEG"}, "c.out", 0, jpeg},
      {{"--format", "3"}, "d.tif", 0, "BM"},
      {{"--format", "png"}, "-", 0, png},
  };
  const fs::path dir = freshFolder("cli-formats");
  writeBmp(pattern(9, 5, 24), dir / "in.bmp");
  for (const Case& c : cases) {
    SCOPED_TRACE(c.output);
    std::vector<std::string> args{"convert", "in.bmp", c.output};
    args.insert(args.end(), c.args.begin(), c.args.end());
    const CliRun r = runCli(dir, args);
    EXPECT_EQ(r.code, 0);
    EXPECT_EQ(r.err, "");
    // "-" is standard output.
    if (c.output == "-") std::ofstream(dir / "stdout", std::ios::binary) << r.out;
    const fs::path written = dir / (c.output == "-" ? "stdout" : c.output);
    EXPECT_EQ(readAll(written).substr(c.at, c.signature.size()), c.signature);
    const TDib back = OpenDib(written.string(), 0, {});
    EXPECT_EQ(DibWidth(back), 9);
    EXPECT_EQ(DibHeight(back), 5);
  }
}

TEST(Cli, RefusesBadCallsInGermanWithTheirExitCodeAndTouchesNoFile) {
  struct Case {
    std::vector<std::string> args;
    int code;
    std::string says;
  };
  const Case cases[] = {
      {{"frobnicate"}, 2, "Unbekannter Befehl „frobnicate“."},
      {{"--bogus"}, 2, "Unbekannte Option „--bogus“."},
      {{"info", "--bogus", "in.bmp"}, 2, "Unbekannte Option „--bogus“."},
      {{"info", "in.bmp", "--format", "png"}, 2, "Unbekannte Option „--format“."},
      {{"info", "in.bmp", "in.bmp"}, 2, "Unerwartetes Argument „in.bmp“."},
      {{"convert", "in.bmp", "--bogus", "new.png"}, 2, "Unbekannte Option „--bogus“."},
      {{"convert", "in.bmp", "new.xyz"}, 2, "passt zu keinem Speicherformat"},
      {{"convert", "in.bmp", "new"}, 2, "passt zu keinem Speicherformat"},
      {{"convert", "in.bmp", "new.png", "--format", "15"}, 2, "Unbekanntes Format „15“."},
      {{"convert", "in.bmp", "new.png", "--format", "2"}, 2, "Unbekanntes Format „2“."},
      {{"convert", "in.bmp", "new.png", "--format", "xyz"}, 2, "Unbekanntes Format „xyz“."},
      {{"convert", "in.bmp", "new.png", "out.png"}, 2, "Unerwartetes Argument „out.png“."},
      {{"convert", "in.bmp", "new.png", "--brightness", "128"},
       2,
       "Ungültiger Wert „128“ für --brightness: erwartet eine ganze Zahl von -127 bis 127."},
      {{"convert", "in.bmp", "new.png", "--brightness", "hell"}, 2, "„hell“ für --brightness"},
      {{"convert", "in.bmp", "new.png", "--contrast", "-1"}, 2, "„-1“ für --contrast: erwartet eine ganze Zahl von 0"},
      {{"convert", "in.bmp", "new.png", "--contrast", "50%"}, 2, "„50%“ für --contrast"},
      {{"convert", "in.bmp", "new.png", "--contrast", ""}, 2, "„“ für --contrast"},
      {{"info", "in.bmp", "--contrast", "50"}, 2, "Unbekannte Option „--contrast“."},
      {{"info"}, 3, "Es fehlt der Name der Bilddatei."},
      {{"convert"}, 3, "Es fehlt der Name der Eingabe- und der Ausgabedatei."},
      {{"convert", "in.bmp"}, 3, "Es fehlt der Name der Ausgabedatei."},
      {{"convert", "in.bmp", "new.png", "--format"}, 3, "Der Option „--format“ fehlt ihr Wert."},
      {{"convert", "in.bmp", "new.png", "--brightness"}, 3, "Der Option „--brightness“ fehlt ihr Wert."},
      {{"info", "gone.bmp"},
       4,
       "Die Datei „gone.bmp“ konnte nicht geladen werden. Die Datei ist nicht lesbar. Die Datei oder ihr Ordner "
       "existiert nicht."},
      {{"info", "text.bmp"}, 4, "„text.bmp“ konnte nicht geladen werden. Das ist keine Bilddatei, die Tessaro kennt."},
      {{"info", "folder"}, 4, "Das ist ein Ordner, keine Datei."},
      {{"convert", "empty.gif", "new.png"}, 4, "„empty.gif“ konnte nicht geladen werden. Die Datei ist leer."},
      {{"info", "fifo"}, 4, "Die Datei „fifo“ konnte nicht geladen werden. Das ist ein FIFO, keine Datei."},
      {{"info", "null"}, 4, "Das ist ein Gerät, keine Datei."},
      {{"info", "socket"}, 4, "Das ist ein Socket, keine Datei."},
      {{"info", "-"}, 4, "Die Datei „-“ konnte nicht geladen werden. Die Datei ist leer."},
      {{"convert", "fifo", "new.png"}, 4, "Das ist ein FIFO, keine Datei."},
      {{"convert", "in.bmp", "-"}, 2, "Für die Standardausgabe („-“) bitte mit --format ein Speicherformat wählen."},
      {{"convert", "in.bmp", "full", "--format", "png"}, 5, "Auf dem Datenträger ist kein Platz mehr frei."},
      {{"convert", "in.bmp", "socket", "--format", "png"}, 5, "Das ist ein Socket, keine Datei."},
      {{"poster", "in.bmp", "-o", "socket"}, 5, "Das ist ein Socket, keine Datei."},
      {{"passport", "null", "-o", "p.pdf"}, 4, "Das ist ein Gerät, keine Datei."},
      {{"info", test::dataPath("vector/three-pages.pdf"), "--page", "4"},
       4,
       "Die Datei hat keine Seite 4; sie hat 3 Seiten."},
      {{"poster", test::dataPath("vector/three-pages.pdf"), "-o", "p.pdf", "--page=0"}, 4, "keine Seite 0; sie hat 3"},
      {{"convert", "in.bmp", "new.png", "--page", "2"}, 4, "Die Datei hat keine Seite 2; sie hat 1 Seite."},
      {{"info", "in.bmp", "--page", "zwei"}, 2, "„zwei“ für --page: erwartet eine Seitenzahl ab 1."},
      {{"info", "in.bmp", "--page"}, 3, "Der Option „--page“ fehlt ihr Wert."},
      {{"convert", test::dataPath("vector/broken.svg"), "new.png"}, 4, "Die SVG-Datei ist beschädigt"},
      {{"convert", test::dataPath("vector/mm.svg"), "new.png", "--dpi", "0"}, 2, "„0“ für --dpi"},
      {{"convert", "in.bmp", "new.png", "--dpi", "300"}, 2, "--dpi gilt nur für eine PDF- oder SVG-Seite."},
      {{"convert", test::dataPath("vector/limit.pdf"), "new.png", "--dpi", "2000"}, 4, "400000 x 5556 Pixel groß"},
      {{"passport", test::dataPath("vector/mm.svg"), "-o", "p.pdf"}, 4, "bitte sie zuerst mit „convert“ in ein Bild"},
      {{"convert", test::dataPath("bmp/bad_truncated_rows.bmp"), "old.png"}, 4, "beschädigt"},
      {{"convert", "gone.bmp", "new.png"}, 4, "Die Datei oder ihr Ordner existiert nicht."},
      // Damaged data a decoder got through: refused unless --accept-damaged, at the byte the
      // witnesses of the core's damage table name.
      {{"convert", test::dataPath("jpeg/bad-scrambled-at-5905.jpg"), "new.png"},
       4,
       "bad-scrambled-at-5905.jpg“ konnte nicht geladen werden. Die Datei ist bei Byte 55388 beschädigt oder "
       "unvollständig. Mit --accept-damaged"},
      {{"convert", test::dataPath("tiff/bad-jpeg-scrambled-at-45908.tif"), "new.png"}, 4, "bei Byte 30736 beschädigt"},
      {{"poster", test::dataPath("jpeg/bad-scrambled-at-16903.jpg"), "-o", "p.pdf"}, 4, "bei Byte 55394 beschädigt"},
      {{"passport", test::dataPath("jpeg/bad-scrambled-at-16903.jpg"), "-o", "p.pdf"}, 4, "bei Byte 55394"},
      {{"convert", "in.bmp", "nowhere/new.png"}, 5, "Die Datei „nowhere/new.png“ konnte nicht gespeichert werden."},
      {{"convert", "in.bmp", "folder.png"},
       5,
       "„folder.png“ konnte nicht gespeichert werden. Das ist ein Ordner, keine Datei."},
      {{"convert", "in.bmp", "locked.png"}, 5, "Die Datei ist schreibgeschützt."},
      {{"convert", "in.bmp", "--crop", "1,1,0,2", "new.png"}, 2, "Ungültiger Wert „1,1,0,2“ für --crop"},
      {{"convert", "in.bmp", "--crop", "-1,0,2,2", "new.png"}, 2, "für --crop"},
      {{"convert", "in.bmp", "--crop", "1,1,2", "new.png"}, 2, "für --crop"},
      {{"convert", "in.bmp", "--crop", "5,1,2,2", "new.png"}, 2, "Der Ausschnitt 5,1,2,2 liegt nicht im Bild (6 × 4"},
      {{"convert", "in.bmp", "--rotate", "left", "--crop", "0,0,5,4", "new.png"}, 2, "nicht im Bild (4 × 6 Pixel)"},
      {{"convert", "in.bmp", "--flip", "x", "new.png"}, 2, "für --flip: erwartet h oder v."},
      {{"convert", "in.bmp", "--rotate", "90", "new.png"}, 2, "für --rotate: erwartet left oder right."},
      {{"convert", "in.bmp", "--resize", "0,5", "new.png"}, 2, "für --resize"},
      {{"convert", "in.bmp", "--resize", "32768", "new.png"}, 2, "für --resize"},
      {{"convert", "in.bmp", "--resize", "2,3,4", "new.png"}, 2, "für --resize"},
      {{"convert", "gone.bmp", "--resize", "x", "new.png"}, 2, "für --resize"},
      {{"convert", "in.bmp", "new.png", "--rotate"}, 3, "Der Option „--rotate“ fehlt ihr Wert."},
      {{"convert", "in.bmp", "new.png", "--depth", "16"},
       2,
       "Ungültiger Wert „16“ für --depth: erwartet 1, 4, 8 oder 24."},
      {{"convert", "in.bmp", "new.png", "--palette", "best"}, 2, "für --palette: erwartet optimised oder standard."},
      {{"convert", "in.bmp", "new.png", "--method", "dither"}, 2, "für --method: erwartet nearest, ordered oder fs."},
      {{"convert", "in.bmp", "new.png", "--depth", "8", "--method", "ordered"}, 2, "--method ordered geht nur mit"},
      {{"convert", "in.bmp", "new.png", "--depth"}, 3, "Der Option „--depth“ fehlt ihr Wert."},
      {{"convert", "in.bmp", "new.png", "--filter", "0"},
       2,
       "„0“ für --filter: erwartet ein Filtername oder 1 bis 14."},
      {{"convert", "in.bmp", "new.png", "--filter", "15"}, 2, "„15“ für --filter"},
      {{"convert", "in.bmp", "new.png", "--filter", "Schärfen2"}, 2, "„Schärfen2“ für --filter"},
      {{"convert", "in.bmp", "new.png", "--filter"}, 3, "Der Option „--filter“ fehlt ihr Wert."},
      {{"info", "in.bmp", "--system-colours"}, 2, "Unbekannte Option „--system-colours“."},
      {{"convert", "in24.bmp", "--resize", "32767,32767", "new.png"}, 1, "„--resize 32767,32767“ ist fehlgeschlagen"},
      {{"poster", "in.bmp"}, 3, "Bitte genau ein Ziel angeben"},
      {{"poster", "-o", "p.pdf"}, 3, "Es fehlt der Name der Bilddatei."},
      {{"poster", "in.bmp", "-o", "p.pdf", "--printer", "Q"}, 2, "Bitte genau ein Ziel angeben"},
      {{"poster", "in.bmp", "-o", "p.pdf", "--across"}, 3, "Der Option „--across“ fehlt ihr Wert."},
      {{"poster", "in.bmp", "-o", "p.pdf", "--bogus"}, 2, "Unbekannte Option „--bogus“."},
      {{"poster", "in.bmp", "-o", "p.pdf", "--across", "200"}, 2, "zwischen 0.1 und 100"},
      {{"poster", "in.bmp", "-o", "p.pdf", "--down=0.05"}, 2, "zwischen 0.1 und 100"},
      {{"poster", "in.bmp", "-o", "p.pdf", "--across", "zwei"}, 2, "„zwei“ ist keine Zahl."},
      {{"poster", "in.bmp", "-o", "p.pdf", "--width-cm", "99999"}, 2, "Die Breite muss zwischen"},
      {{"poster", "in.bmp", "-o", "p.pdf", "--across", "2", "--down", "2"}, 2, "Nur eine Größe"},
      {{"poster", "in.bmp", "-o", "p.pdf", "--actual-size", "--width-cm", "20"}, 2, "Nur eine Größe"},
      {{"poster", "in.bmp", "-o", "p.pdf", "--scale", "0"}, 2, "„0“ für --scale"},
      {{"poster", "in.bmp", "-o", "p.pdf", "--scale=-50"}, 2, "„-50“ für --scale"},
      {{"poster", "in.bmp", "-o", "p.pdf", "--scale", "halb"}, 2, "„halb“ für --scale"},
      {{"poster", "in.bmp", "-o", "p.pdf", "--scale"}, 3, "Der Option „--scale“ fehlt ihr Wert."},
      {{"poster", "in.bmp", "-o", "p.pdf", "--actual-size"}, 4, "keine brauchbare Auflösung"},
      {{"poster", "in.bmp", "-o", "p.pdf", "--glue", "11,5"}, 2, "für --glue"},
      {{"poster", "in.bmp", "-o", "p.pdf", "--order", "diagonal"}, 2, "für --order"},
      {{"poster", "in.bmp", "-o", "p.pdf", "--dpi", "10"}, 2, "für --dpi"},
      {{"poster", "in.bmp", "-o", "p.pdf", "--paper", "A9"}, 2, "für --paper"},
      {{"poster", "in.bmp", "-o", "p.pdf", "--skip", "9,1"}, 2, "Das Blatt 9,1 gibt es nicht"},
      {{"poster", "in.bmp", "-o", "p.pdf", "--across", "0.5", "--skip", "1,1"}, 2, "nichts zu drucken"},
      {{"poster", "gone.bmp", "-o", "p.pdf"}, 4, "Die Datei oder ihr Ordner existiert nicht."},
      {{"poster", "in.bmp", "-o", "nowhere/p.pdf"}, 5, "„nowhere/p.pdf“"},
      {{"poster", "in.bmp", "-o", "locked.png"}, 5, "Die Datei ist schreibgeschützt."},
      {{"poster", "in.bmp", "--printer", "NoSuchQueue"}, 6, "„NoSuchQueue“"},
      {{"poster", "in.bmp", "-o", "p.pdf", "--dots"}, 3, "Der Option „--dots“ fehlt ihr Wert."},
      {{"poster", "in.bmp", "-o", "p.pdf", "--dots", "fein"}, 2, "„fein“ für --dots: erwartet die Rasterweite in mm."},
      {{"poster", "in.bmp", "-o", "p.pdf", "--dots", "1.5"}, 2, "Die Rasterweite muss zwischen 2 und 100 mm liegen."},
      {{"poster", "in.bmp", "-o", "p.pdf", "--dot-shape", "square"},
       2,
       "Die Option „--dot-shape“ gilt nur für ein Punkteraster"},
      {{"poster", "in.bmp", "-o", "p.pdf", "--dot-min=0.1", "--dot-angle", "5"},
       2,
       "„--dot-min“ gilt nur für ein Punkteraster: bitte mit --dots MM"},
      {{"poster", "in.bmp", "-o", "p.pdf", "--dots", "5", "--dot-shape", "star"},
       2,
       "„star“ für --dot-shape: erwartet circle, square, diamond oder line."},
      {{"poster", "in.bmp", "-o", "p.pdf", "--dots", "5", "--dot-angle", "90.5"},
       2,
       "Der Rasterwinkel muss zwischen 0 und 90° liegen."},
      {{"poster", "in.bmp", "-o", "p.pdf", "--dots", "5", "--dot-angle", "-"}, 2, "„-“ für --dot-angle"},
      {{"poster", "in.bmp", "-o", "p.pdf", "--dots", "5", "--dot-colour", "#12345"},
       2,
       "„#12345“ für --dot-colour: erwartet black, #RRGGBB"},
      {{"poster", "in.bmp", "-o", "p.pdf", "--dots", "5", "--dot-colour", "red"}, 2, "„red“ für --dot-colour"},
      {{"poster", "in.bmp", "-o", "p.pdf", "--dots", "5", "--dot-curve", "steil"},
       2,
       "„steil“ für --dot-curve: erwartet linear oder einen Gammawert."},
      {{"poster", "in.bmp", "-o", "p.pdf", "--dots", "5", "--dot-curve", "0.1"},
       2,
       "Der Gammawert der Tonkurve muss zwischen 0,2 und 5"},
      {{"poster", "in.bmp", "-o", "p.pdf", "--dots", "5", "--dot-min", "0.6"},
       2,
       "Der kleinste Punkt muss zwischen 0 und 0,5"},
      {{"poster", "in.bmp", "-o", "p.pdf", "--dots", "5", "--dot-min", "60%"},
       2,
       "Der kleinste Punkt muss zwischen 0 und 0,5"},
      // 100 sheets of A4 across: over 5 million dots of 2 mm, none written.
      {{"poster", "in.bmp", "-o", "p.pdf", "--across", "100", "--dots", "2"},
       2,
       " Punkte, mehr als 5 Millionen. Bitte eine Rasterweite von mindestens "},
      {{"poster", "in.bmp", "--printer", "NoSuchQueue", "--dots", "5"}, 6, "„NoSuchQueue“"},
      {{"passport", "in.bmp"}, 3, "Bitte genau ein Ziel angeben"},
      {{"passport", "-o", "p.pdf"}, 3, "Es fehlt der Name der Bilddatei."},
      {{"passport", "in.bmp", "-o", "p.pdf", "--width"}, 3, "Der Option „--width“ fehlt ihr Wert."},
      {{"passport", "in.bmp", "-o", "p.pdf", "--across", "2"}, 2, "Unbekannte Option „--across“."},
      {{"passport", "in.bmp", "-o", "p.pdf", "--width", "0.6"}, 2, "für --width: erwartet eine Zahl von 0.05 bis 0.5"},
      {{"passport", "in.bmp", "-o", "p.pdf", "--gap=-0.1"}, 2, "für --gap"},
      {{"passport", "in.bmp", "-o", "p.pdf", "--size", "30x40"}, 2, "für --size"},
      {{"passport", "in.bmp", "-o", "p.pdf", "--size", "35x45", "--width", "0.2"}, 2, "Nur eine Breite"},
      {{"passport", "in.bmp", "-o", "p.pdf", "--fit-crop"}, 2, "--fit-crop geht nur mit --size."},
      // 2 x 9 pixels at half the width of A4 (571 dots printable): a copy 1285 dots high, on 818.
      {{"passport", "tall.bmp", "-o", "p.pdf", "--width", "0.5"}, 2, "Kein Bild passt"},
      {{"passport", "gone.bmp", "-o", "p.pdf"}, 4, "Die Datei oder ihr Ordner existiert nicht."},
      {{"passport", "in.bmp", "-o", "nowhere/p.pdf"}, 5, "„nowhere/p.pdf“"},
      {{"passport", "in.bmp", "--printer", "NoSuchQueue"}, 6, "„NoSuchQueue“"},
      {{"poster", "in.bmp", "--printer", "NoSuchQueue", "--no-calibration"}, 6, "„NoSuchQueue“"},
      {{"calibrate"}, 3, "Bitte mit --printer DRUCKER den Drucker angeben."},
      {{"calibrate", "--measured", "190,277"}, 3, "Bitte mit --printer DRUCKER"},
      {{"calibrate", "--printer"}, 3, "Der Option „--printer“ fehlt ihr Wert."},
      {{"calibrate", "--printer", "Q", "--measured"}, 3, "Der Option „--measured“ fehlt ihr Wert."},
      {{"calibrate", "--printer", "Q", "in.bmp"}, 2, "Unerwartetes Argument „in.bmp“."},
      {{"calibrate", "--printer", "Q", "--ruler"}, 2, "Unbekannte Option „--ruler“."},
      {{"calibrate", "--printer", "Q", "--measured", "189.6"}, 2, "„189.6“ für --measured: erwartet H,V in mm"},
      {{"calibrate", "--printer", "Q", "--measured", "189.6;276.4"}, 2, "„189.6;276.4“ für --measured"},
      {{"calibrate", "--printer", "Q", "--measured", "189,6,276,4"}, 2, "„189,6,276,4“ für --measured"},
      {{"calibrate", "--printer", "Q", "--measured=a,b"}, 2, "„a,b“ für --measured"},
      {{"calibrate", "--printer", "Q", "--measured", "190,277", "--reset"}, 2, "Nur eines angeben"},
      {{"calibrate", "--printer", "NoSuchQueue"}, 6, "„NoSuchQueue“"},
      {{"calibrate", "--printer", "NoSuchQueue", "--measured", "190,277"}, 6, "„NoSuchQueue“"},
  };
  const fs::path dir = freshFolder("cli-refusals");
  writeBmp(pattern(6, 4, 8), dir / "in.bmp");
  writeBmp(pattern(3, 2, 24), dir / "in24.bmp");
  writeBmp(pattern(2, 9, 8), dir / "tall.bmp");
  std::ofstream(dir / "text.bmp") << "not a picture";
  std::ofstream(dir / "empty.gif").flush();
  std::ofstream(dir / "old.png") << "the user's old file";
  std::ofstream(dir / "locked.png") << "a write-protected file";
  ::chmod((dir / "locked.png").c_str(), 0444);
  fs::create_directory(dir / "folder");
  fs::create_directory(dir / "folder.png");
  ASSERT_EQ(::mkfifo((dir / "fifo").c_str(), 0644), 0);
  makeSocket(dir / "socket");
  // Devices of our own where allowed, so that a fault cannot replace the system's.
  makeDevice(dir / "null", 3, "/dev/null");
  makeDevice(dir / "full", 7, "/dev/full");
  const auto before = contents(dir);
  for (const Case& c : cases) {
    SCOPED_TRACE(testing::PrintToString(c.args));
    const CliRun r = runCli(dir, c.args);
    EXPECT_EQ(r.code, c.code);
    EXPECT_EQ(r.out, "");
    EXPECT_NE(r.err.find("tessaro-cli: "), std::string::npos) << r.err;
    EXPECT_NE(r.err.find(c.says), std::string::npos) << r.err;
    EXPECT_EQ(contents(dir), before);
  }
}

TEST(Cli, ConvertChainsGiveTheCoreOperationsResult) {
  // Each chain through tessaro-cli against the same steps called in the core, at every depth.
  using Step = std::function<TDib(const TDib&)>;
  struct Case {
    std::vector<std::string> args;
    std::vector<Step> steps;
  };
  const Step left = [](const TDib& p) { return rotateLeft(p, {}); };
  const Step right = [](const TDib& p) { return rotateRight(p, {}); };
  const Step flipH = [](const TDib& p) { return flipHorizontal(p, {}); };
  const Step flipV = [](const TDib& p) { return flipVertical(p, {}); };
  const auto crop = [](int32_t x, int32_t y, int32_t w, int32_t h) {
    return Step([=](const TDib& p) { return cropDib(p, x, y, x + w, y + h, {}); });
  };
  const auto resize = [](int32_t w, int32_t h, bool interpolate) {
    return Step([=](const TDib& p) { return resizeDib(p, w, h, interpolate, {}); });
  };
  // Palette pictures are raised first; the random bytes of a raise only fill unused entries.
  const auto filter = [](int index) {
    return Step([=](const TDib& p) {
      const TDib raised = DibBitCount(p) < 24 ? DepthUpTo(p, 24, [] { return uint8_t{0}; }) : TDib{};
      return filterDib(raised.empty() ? p : raised, FilterTable[static_cast<size_t>(index)]);
    });
  };
  const Case cases[] = {
      {{"--rotate", "left", "--flip", "h", "--crop", "1,1,3,2"}, {left, flipH, crop(1, 1, 3, 2)}},
      {{"--filter", "psychDIST", "--rotate", "left", "--filter", "14"}, {filter(7), left, filter(13)}},
      {{"--flip", "v", "--rotate", "right", "--crop", "0,2,7,9"}, {flipV, right, crop(0, 2, 7, 9)}},
      {{"--resize", "29,17"}, {resize(29, 17, true)}},
      {{"--resize", "29,17", "--no-interpolate"}, {resize(29, 17, false)}},
      {{"--interpolate", "--resize", "8", "--rotate", "right"},
       {resize(8, 4, true), right}},  // 13 x 7 keeps its aspect
      {{"--crop", "2,1,9,5", "--resize", "4,30"}, {crop(2, 1, 9, 5), resize(4, 30, true)}},
  };
  const fs::path dir = freshFolder("cli-operations");
  for (int32_t bits : {1, 4, 8, 24}) {
    writeBmp(pattern(13, 7, bits), dir / "in.bmp");
    for (const Case& c : cases) {
      SCOPED_TRACE(testing::Message() << bits << " bits " << testing::PrintToString(c.args));
      std::vector<std::string> args{"convert", "in.bmp"};
      args.insert(args.end(), c.args.begin(), c.args.end());
      args.push_back("out.bmp");
      const CliRun r = runCli(dir, args);
      ASSERT_EQ(r.code, 0) << r.err;
      TDib want = OpenDib((dir / "in.bmp").string(), 0, {});
      for (const Step& step : c.steps) want = step(want);
      const TDib got = OpenDib((dir / "out.bmp").string(), 0, {});
      ASSERT_EQ(DibBitCount(got), DibBitCount(want));
      ASSERT_EQ(DibWidth(got), DibWidth(want));
      ASSERT_EQ(DibHeight(got), DibHeight(want));
      EXPECT_EQ(test::maxChannelDifference(test::dibToRgb(got), test::dibToRgb(want)), 0);
      for (int32_t y = 0; y < DibHeight(want); ++y)
        for (int32_t x = 0; x < DibWidth(want); ++x)
          ASSERT_EQ(getpixel(got, x, y), getpixel(want, x, y)) << x << "," << y;
    }
  }
}

TEST(Cli, ConvertDepthStepsGiveTheCoreConversionWithTheirSettings) {
  // The settings apply to every --depth step wherever they stand; the defaults are the
  // reduction dialog's preselection (optimised palette, Floyd-Steinberg, system colours).
  using Step = std::function<TDib(const TDib&)>;
  const auto depth = [](int32_t bits, bool optimised, DepthMethod method, bool system) {
    return Step([=](const TDib& p) {
      if (bits == DibBitCount(p)) return copyDib(p);
      if (bits > DibBitCount(p)) return DepthUpTo(p, bits, [] { return uint8_t(0); });
      return DepthDownTo(p, {bits, optimised, method, system});
    });
  };
  using M = DepthMethod;
  struct Case {
    std::vector<std::string> args;
    std::vector<Step> steps;
  };
  const Case cases[] = {
      {{"--depth", "8"}, {depth(8, true, M::FloydSteinberg, true)}},
      {{"--depth", "4", "--palette", "standard", "--method", "nearest"}, {depth(4, false, M::Nearest, true)}},
      {{"--depth", "1"}, {depth(1, true, M::FloydSteinberg, true)}},
      {{"--method", "ordered", "--depth", "8", "--rotate", "left", "--palette", "standard"},
       {depth(8, false, M::Ordered, true), [](const TDib& p) { return rotateLeft(p, {}); }}},
      {{"--no-system-colours", "--depth", "24", "--depth", "4", "--method", "nearest"},
       {depth(24, true, M::Nearest, false), depth(4, true, M::Nearest, false)}},
      {{"--depth", "24", "--resize", "20,9", "--method", "fs", "--no-system-colours", "--depth", "8"},
       {depth(24, true, M::Nearest, false), [](const TDib& p) { return resizeDib(p, 20, 9, true, {}); },
        depth(8, true, M::FloydSteinberg, false)}},
  };
  const fs::path dir = freshFolder("cli-depth");
  for (int32_t bits : {1, 4, 8, 24}) {
    writeBmp(pattern(13, 7, bits), dir / "in.bmp");
    for (const Case& c : cases) {
      SCOPED_TRACE(testing::Message() << bits << " bits " << testing::PrintToString(c.args));
      std::vector<std::string> args{"convert", "in.bmp", "out.bmp"};
      args.insert(args.end(), c.args.begin(), c.args.end());
      const CliRun r = runCli(dir, args);
      ASSERT_EQ(r.code, 0) << r.err;
      TDib want = OpenDib((dir / "in.bmp").string(), 0, {});
      for (const Step& step : c.steps) want = step(want);
      const TDib got = OpenDib((dir / "out.bmp").string(), 0, {});
      ASSERT_EQ(DibBitCount(got), DibBitCount(want));
      ASSERT_EQ(got.pixelBytes(), want.pixelBytes());
      // Raising fills unused palette entries at random: compare indices and the colours shown.
      EXPECT_EQ(test::maxChannelDifference(test::dibToRgb(got), test::dibToRgb(want)), 0);
      for (int32_t y = 0; y < DibHeight(want); ++y)
        for (int32_t x = 0; x < DibWidth(want); ++x)
          ASSERT_EQ(getpixel(got, x, y), getpixel(want, x, y)) << x << "," << y;
    }
  }
}

TEST(Cli, HelpListsCommandsFormatsAndExitCodes) {
  const fs::path dir = freshFolder("cli-help");
  for (const std::vector<std::string>& args :
       std::vector<std::vector<std::string>>{{}, {"-h"}, {"--help"}, {"convert", "--help"}}) {
    SCOPED_TRACE(testing::PrintToString(args));
    const CliRun r = runCli(dir, args);
    EXPECT_EQ(r.code, 0);
    EXPECT_EQ(r.err, "");
    for (const std::string& word : {"info DATEI",
                                    "convert EINGABE AUSGABE [--format N]",
                                    "poster EINGABE (-o DATEI.pdf | --printer DRUCKER)",
                                    "passport EINGABE (-o DATEI.pdf | --printer DRUCKER)",
                                    "--size GRÖSSE",
                                    "--no-edge-glue",
                                    "--skip SPALTE,ZEILE",
                                    "--crop X,Y,B,H",
                                    "--flip h|v",
                                    "--rotate left|right",
                                    "--resize B,H",
                                    "--interpolate / --no-interpolate",
                                    "--accept-damaged",
                                    "Rückgabewerte",
                                    "2  unbekannter Befehl",
                                    "3  fehlender",
                                    "4  Eingabedatei",
                                    "5  Ausgabedatei",
                                    "6  Drucker",
                                    "--brightness B",
                                    "--contrast C",
                                    "calibrate --printer DRUCKER [--measured H,V | --reset]",
                                    "--no-calibration",
                                    "--page N",
                                    "--dpi N",
                                    "--dots MM",
                                    "--dot-shape circle|square|diamond|line",
                                    "--dot-angle GRAD",
                                    "--dot-colour black|#RRGGBB|picture|cmyk",
                                    "--dot-curve linear|GAMMA",
                                    "--dot-min ANTEIL"})
      EXPECT_NE(r.out.find(word), std::string::npos) << word;
    for (const SaveEntry& e : saveEntries())
      EXPECT_NE(r.out.find(std::to_string(e.format) + "  " + e.extension.substr(1)), std::string::npos) << e.extension;
  }
}

TEST(Cli, ConvertRunsBrightnessAndContrastAsStepsInTheirOrder) {
  using Step = std::pair<bool, int>;  // brightness (true) or contrast, and its value
  struct Case {
    std::vector<std::string> args;
    std::vector<Step> steps;
  };
  const Case cases[] = {
      {{"--brightness", "10", "--contrast", "50"}, {{true, 10}, {false, 50}}},
      {{"--contrast", "50", "--brightness", "10"}, {{false, 50}, {true, 10}}},
      {{"--brightness", "-127", "--brightness", "60", "--contrast", "200"}, {{true, -127}, {true, 60}, {false, 200}}},
      {{"--contrast", "0"}, {{false, 0}}},
  };
  const fs::path dir = freshFolder("cli-tones");
  for (int32_t bits : {8, 24}) {
    const TDib original = pattern(13, 7, bits);
    writeBmp(original, dir / "in.bmp");
    for (const Case& c : cases) {
      SCOPED_TRACE(testing::PrintToString(c.args) + " at " + std::to_string(bits) + " bits");
      std::vector<std::string> args{"convert", "in.bmp", "out.bmp"};
      args.insert(args.end(), c.args.begin(), c.args.end());
      const CliRun r = runCli(dir, args);
      ASSERT_EQ(r.code, 0) << r.err;
      TDib want = copyDib(original);
      for (const auto& [brightness, value] : c.steps) brightness ? Helligkeit(want, value) : Kontrast(want, value);
      const TDib got = OpenDib((dir / "out.bmp").string(), 0, {});
      ASSERT_EQ(DibBitCount(got), bits);
      EXPECT_EQ(test::maxChannelDifference(test::dibToRgb(got), test::dibToRgb(want)), 0);
      EXPECT_GT(test::maxChannelDifference(test::dibToRgb(got), test::dibToRgb(original)), 0);
    }
  }
}

TEST(Cli, PosterPagesAreThoseOfThePrintJobWithTheSameSettings) {
  // The command line's words against the core's print job set up by hand; pages compared as
  // poppler renders them at 72 dpi, a device pixel a point.
  struct Case {
    std::vector<std::string> args;
    PosterSizeRequest size;
    Options options;
    GlueMargins glue;
    PrintOrder order;
    std::vector<std::pair<int, int>> skip;
    bool labelsAndOverview = false;  // text in the PDF's face: pages counted, not compared
    // A JPEG made from in.bmp by this cjpeg call, printed instead; "jpeg" where its own data goes
    // into the PDF (its pixels then never stored), "image" where it is decoded first.
    const char* cjpeg = nullptr;
    const char* encoding = "image";
    const char* thenRun = "";  // a command run on in.jpg before printing
    bool ruler = false;        // lines only: pages compared
  };
  Options lines;
  lines.OptGlueLines = true;
  lines.OptNoEdgeLines = false;
  lines.OptEdgeHints = false;
  Options centred = lines;
  centred.OptCenter = true;
  centred.OptFullSheet = true;
  centred.OptNoEdgeGlue = false;
  Options edgeGlue;
  edgeGlue.OptNoEdgeGlue = false;  // one row of sheets with a bottom strip for the ruler
  const Case cases[] = {
      {{"--across", "3", "--glue", "8,8", "--glue-lines", "--edge-lines", "--no-notes", "--skip", "2,1"},
       {PosterSizeKind::Across, "3"},
       lines,
       {8, 8},
       PrintOrder::Rows,
       {{2, 1}}},
      {{"--down=1.6", "--glue-lines", "--edge-lines", "--no-notes", "--center", "--full-sheets", "--edge-glue",
        "--order", "columns"},
       {PosterSizeKind::Down, "1.6"},
       centred,
       {5, 5},
       PrintOrder::Columns,
       {}},
      {{"--across", "2", "--labels", "--overview", "--skip", "2,1"},
       {PosterSizeKind::Across, "2"},
       Options{},
       {5, 5},
       PrintOrder::Rows,
       {{2, 1}},
       true},
      {{"--across", "2"}, {PosterSizeKind::Across, "2"}, Options{}, {5, 5}, PrintOrder::Rows, {}, false,
       "-quality 95", "jpeg"},
      {{"--across", "2"}, {PosterSizeKind::Across, "2"}, Options{}, {5, 5}, PrintOrder::Rows, {}, false,
       "-progressive", "jpeg"},
      {{"--across", "2"}, {PosterSizeKind::Across, "2"}, Options{}, {5, 5}, PrintOrder::Rows, {}, false,
       "-arithmetic", "image"},
      // Turned and mirrored by their Exif orientation, in colours from their profile: the data
      // goes in as it is, turned by the image's matrix, its profile beside it.
      {{"--across", "2"}, {PosterSizeKind::Across, "2"}, Options{}, {5, 5}, PrintOrder::Rows, {}, false,
       "-quality 95", "jpeg", "exiftool -q -n -Orientation=6 -overwrite_original in.jpg"},
      {{"--across", "2"}, {PosterSizeKind::Across, "2"}, Options{}, {5, 5}, PrintOrder::Rows, {}, false,
       "-quality 95", "jpeg", "exiftool -q -n -Orientation=7 -overwrite_original in.jpg"},
      {{"--across", "2"}, {PosterSizeKind::Across, "2"}, Options{}, {5, 5}, PrintOrder::Rows, {}, false,
       "-quality 95", "jpeg", "exiftool -q '-icc_profile<=p3.icc' -overwrite_original in.jpg"},
      {{"--across", "2", "--edge-glue", "--ruler"}, {PosterSizeKind::Across, "2"}, edgeGlue, {5, 5},
       PrintOrder::Rows, {}, false, nullptr, "image", "", true},
  };
  const fs::path dir = freshFolder("cli-poster");
  const TDib bmp = test::blockPicture(36, 24, 6, 4);
  writeBmp(bmp, dir / "in.bmp");
  const PageMetrics a4 = paperMetrics(*findPaper("A4"), 72);
  for (const Case& c : cases) {
    SCOPED_TRACE(testing::PrintToString(c.args) + (c.cjpeg ? c.cjpeg : "") + c.thenRun);
    const std::string input = c.cjpeg ? "in.jpg" : "in.bmp";
    if (c.cjpeg)
      ASSERT_EQ(std::system(("cd " + quoted(dir.string()) + " && cjpeg " + c.cjpeg + " in.bmp > in.jpg && " +
                             "exiftool -q -b -icc_profile " + quoted(test::dataPath("colour/good-display-p3.jpg")) +
                             " > p3.icc && " + (*c.thenRun ? c.thenRun : "true"))
                                .c_str()),
                0);
    const TDib picture = c.cjpeg ? OpenDib((dir / input).string(), 0, {}) : copyDib(bmp);
    std::vector<std::string> args{"poster", input, "-o", "p.pdf", "--dpi", "72"};
    args.insert(args.end(), c.args.begin(), c.args.end());
    const CliRun r = runCli(dir, args);
    ASSERT_EQ(r.code, 0) << r.err;
    const PosterSetup setup = setUpPoster(picture, a4, c.options, c.glue, c.size);
    SheetGrid off;
    for (const auto& [col, row] : c.skip) off.toggle(col - 1, row - 1);
    test::FakePrintService raster(a4);
    const PosterPrintRequest request{c.order, !c.skip.empty(), c.labelsAndOverview, c.labelsAndOverview, c.ruler};
    ASSERT_TRUE(printPoster(raster, picture, setup.poster, c.options, c.glue, off, request).ok());
    test::FakePrintService bare(a4);  // the same without the ruler: the switch must show
    ASSERT_TRUE(printPoster(bare, picture, setup.poster, c.options, c.glue, off, {c.order, !c.skip.empty()}).ok());
    const std::string pdf = (dir / "p.pdf").string();
    ASSERT_EQ(test::pdfPageCount(pdf), static_cast<int>(raster.pageCount()));
    EXPECT_NE(r.out.find(std::to_string(raster.pageCount()) + " Blätter in „p.pdf“ gespeichert."), std::string::npos);
    EXPECT_EQ(test::pdfImageEncoding(pdf), c.encoding) << "pdfimages -list, first image";
    if (c.labelsAndOverview) continue;
    for (size_t i = 0; i < raster.pageCount(); ++i) {
      SCOPED_TRACE("page " + std::to_string(i + 1));
      const auto page = test::renderPdfPage(pdf, static_cast<int>(i) + 1, 72);
      ASSERT_TRUE(page);
      ASSERT_EQ(page->width, a4.physicalWidth);
      const test::RasterDevice& want = *raster.rasterPage(i);
      // Rounding at band edges may move a row or column of pixels, not more; in a turned image
      // poppler may round its inner pixel edges either way too.
      const int64_t edges = std::string_view(c.thenRun).find("Orientation") == std::string_view::npos ? 2 : 4;
      EXPECT_LE(test::differingPixels(want, *page, a4.offsetX, a4.offsetY, 8), edges * (want.width() + want.height()));
      // With the ruler the page is nearer the job with it than the one without, by more than its
      // 50 mm base line of 142 points (both sides round band edges alike).
      if (c.ruler)
        EXPECT_GT(test::differingPixels(*bare.rasterPage(i), *page, a4.offsetX, a4.offsetY, 8) -
                      test::differingPixels(want, *page, a4.offsetX, a4.offsetY, 8),
                  142);
    }
  }
}

TEST(Cli, PosterAtActualSizePrintsThePicturesPhysicalSize) {
  // 3000 x 2000 pixels at 300 dpi are 10 x 6.667 inches, 25.40 x 16.93 cm; the image matrix in
  // the PDF (read through qpdf) must stretch the whole picture to that within a device pixel,
  // whatever the options.
  struct Case {
    std::vector<std::string> args;
    int dpi;
    const char* told;
    double widthCm, heightCm;
  };
  const Case cases[] = {
      {{"--actual-size"}, 600, "2 x 1 Blätter (1.29339193 x 0.58685563), 25.40 x 16.93 cm", 25.40, 16.933},
      {{"--scale", "50", "--actual-size"}, 600, "12.70 x 8.47 cm", 12.70, 8.467},
      {{"--actual-size", "--full-sheets", "--edge-glue", "--glue", "10,3"}, 300, "25.40 x 16.93 cm", 25.40, 16.933},
  };
  const fs::path dir = freshFolder("cli-actual-size");
  for (const Case& c : cases) {
    SCOPED_TRACE(testing::PrintToString(c.args));
    std::vector<std::string> args{"poster", test::dataPath("resolution/3000x2000-300dpi.png"), "-o", "p.pdf",
                                  "--dpi", std::to_string(c.dpi)};
    args.insert(args.end(), c.args.begin(), c.args.end());
    const CliRun r = runCli(dir, args);
    ASSERT_EQ(r.code, 0) << r.err;
    EXPECT_NE(r.out.find(c.told), std::string::npos) << r.out;
    const auto placed = test::largestImagePlacement((dir / "p.pdf").string());
    ASSERT_TRUE(placed);
    EXPECT_NEAR(placed->widthCm, c.widthCm, 2.54 / c.dpi);
    EXPECT_NEAR(placed->heightCm, c.heightCm, 2.54 / c.dpi);
  }
}

TEST(Cli, VectorPagesPrintAsVectorsAndConvertToPixels) {
  // embed-source.pdf's page 1 is shown 400 x 300 pt (14.11 x 10.58 cm), its word "Tessaro" set
  // in Helvetica; the poster holds no image, its text stays text.
  const struct {
    std::vector<std::string> args;
    const char* told;
  } posters[] = {
      {{}, "14.11 x 10.58 cm, Vektoren"},
      {{"--scale", "200"}, "28.22 x 21.17 cm, Vektoren"},
      {{"--across", "2", "--order", "columns"}, "2 x 2 Blätter"},
  };
  const fs::path dir = freshFolder("cli-vector");
  for (const auto& c : posters) {
    SCOPED_TRACE(testing::PrintToString(c.args));
    std::vector<std::string> args{"poster", test::dataPath("vector/embed-source.pdf"), "-o", "p.pdf"};
    args.insert(args.end(), c.args.begin(), c.args.end());
    const CliRun r = runCli(dir, args);
    ASSERT_EQ(r.code, 0) << r.err;
    EXPECT_NE(r.out.find(c.told), std::string::npos) << r.out;
    EXPECT_EQ(test::pdfImageEncoding((dir / "p.pdf").string()), "");
    EXPECT_NE(test::pdfText((dir / "p.pdf").string()).find("Tessaro"), std::string::npos);
  }
  // Pixel counts and resolution as ImageMagick reads the PNG: 8.5 x 11 in, 210 x 297 mm.
  const struct {
    std::string file;
    std::vector<std::string> args;
    const char* identified;
  } converts[] = {
      {"vector/mediabox.pdf", {"--dpi", "100"}, "850 1100 100"},
      {"vector/mediabox.pdf", {}, "2550 3300 300"},
      {"vector/mm.svg", {"--dpi", "72", "--rotate", "left"}, "842 595 72"},
  };
  for (const auto& c : converts) {
    SCOPED_TRACE(c.file);
    std::vector<std::string> args{"convert", test::dataPath(c.file), "out.png"};
    args.insert(args.end(), c.args.begin(), c.args.end());
    const CliRun r = runCli(dir, args);
    ASSERT_EQ(r.code, 0) << r.err;
    const fs::path png = dir / "out.png";
    const std::string identify =
        "identify -units PixelsPerInch -format '%w %h %[fx:round(resolution.x)]' " + quoted(png.string());
    FILE* p = ::popen(identify.c_str(), "r");
    char buf[128] = {};
    const size_t n = p ? std::fread(buf, 1, sizeof buf - 1, p) : 0;
    if (p) ::pclose(p);
    EXPECT_EQ(std::string(buf, n), c.identified);
  }
}

TEST(Cli, PassportPageIsThatOfThePrintJobWithTheSameSettings) {
  // A4 at 72 dpi prints 571 x 818 points. Width 0.2 is 114.2 points, 40.3 mm; the 36 x 24
  // picture is two thirds as high, 26.9 mm: three across (x 57, 199, 341; the fourth would end at
  // 597 + 57.1), five down (y 81, 197, 313, 429, 545; the sixth would end at 737 + 81.8 > 818).
  // 35 mm are 99.2 points: four across, nine down, 23.3 mm high. Cropped to 35:45 the picture
  // keeps 24 * 35 / 45 = 18.7, so 19 of its columns: 44.2 mm, 125.3 points high, five down. Half
  // the width with gap and margin 0.2 leaves room for one copy: 285.5 x 190.3 points.
  struct Case {
    std::vector<std::string> args;
    PassSettings settings;
    int32_t printedW, printedH;  // the picture as printed
    std::string says;
    int64_t edgePixels;  // a row and a column of each copy may round either way
    std::string output = "p.pdf";  // "-": the PDF on standard output, what it holds told beside
    bool ruler = false;
  };
  const PageMetrics a4 = paperMetrics(*findPaper("A4"), 72);
  const Case cases[] = {
      {{"--gap", "0,05", "--margin=0.1"},
       {0.2, 0, 0.05, 0.1},
       36,
       24,
       "15 Bilder je 40 x 27 mm auf einer Seite",
       15 * (114 + 76)},
      {{"--size", "35x45"},
       {static_cast<double>(passWidthForMm(a4, 35)), 0, 0.02, 0.05},
       36,
       24,
       "36 Bilder je 35 x 23 mm auf einer Seite",
       36 * (99 + 66),
       "-"},
      {{"--fit-crop", "--size", "35x45"},
       {static_cast<double>(passWidthForMm(a4, 35)), 0, 0.02, 0.05},
       19,
       24,
       "20 Bilder je 35 x 44 mm auf einer Seite",
       20 * (99 + 125)},
      {{"--width", "0.5", "--gap", "0.2", "--margin", "0.2"},
       {0.5, 0, 0.2, 0.2},
       36,
       24,
       ": 1 Bild je 101 x 67 mm auf einer Seite",
       285 + 190},
      {{"--width", "0.5", "--gap", "0.2", "--margin", "0.2", "--ruler"},
       {0.5, 0, 0.2, 0.2},
       36,
       24,
       ": 1 Bild je 101 x 67 mm auf einer Seite",
       285 + 190,
       "p.pdf",
       true},
  };
  const fs::path dir = freshFolder("cli-passport");
  const TDib picture = test::blockPicture(36, 24, 1, 1);
  writeBmp(picture, dir / "in.bmp");
  for (const Case& c : cases) {
    SCOPED_TRACE(testing::PrintToString(c.args));
    std::vector<std::string> args{"passport", "in.bmp", "-o", c.output, "--dpi", "72"};
    args.insert(args.end(), c.args.begin(), c.args.end());
    const CliRun r = runCli(dir, args);
    ASSERT_EQ(r.code, 0) << r.err;
    const bool piped = c.output == "-";
    if (piped) std::ofstream(dir / "p.pdf", std::ios::binary) << r.out;
    const std::string& told = piped ? r.err : r.out;
    EXPECT_NE(told.find(c.says), std::string::npos) << told;
    EXPECT_NE(told.find(piped ? "1 Blatt auf die Standardausgabe geschrieben." : "1 Blatt in „p.pdf“ gespeichert."),
              std::string::npos)
        << told;
    test::FakePrintService raster(a4);
    ASSERT_TRUE(
        printPassport(raster, test::blockPicture(c.printedW, c.printedH, 1, 1), c.settings, 1, {}, c.ruler).ok());
    test::FakePrintService bare(a4);  // without the ruler: the switch must show
    ASSERT_TRUE(printPassport(bare, test::blockPicture(c.printedW, c.printedH, 1, 1), c.settings, 1).ok());
    const std::string pdf = (dir / "p.pdf").string();
    ASSERT_EQ(test::pdfPageCount(pdf), 1);
    const auto page = test::renderPdfPage(pdf, 1, 72);
    ASSERT_TRUE(page);
    const test::RasterDevice& want = *raster.rasterPage(0);
    EXPECT_LE(test::differingPixels(want, *page, a4.offsetX, a4.offsetY, 8), c.edgePixels);
    // Nearer the job with the ruler than the one without, by more than its 142-point base line.
    if (c.ruler)
      EXPECT_GT(test::differingPixels(*bare.rasterPage(0), *page, a4.offsetX, a4.offsetY, 8) -
                    test::differingPixels(want, *page, a4.offsetX, a4.offsetY, 8),
                142);
  }
}

}  // namespace
}  // namespace tessaro
