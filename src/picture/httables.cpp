#include "picture/httables.h"

namespace tessaro {

namespace {

constexpr std::array<uint8_t, 256> makeDiv() {
  std::array<uint8_t, 256> t{};
  for (int v = 0; v < 256; ++v) t[static_cast<std::size_t>(v)] = static_cast<uint8_t>(v / 51);
  return t;
}

constexpr std::array<uint8_t, 256> makeMod() {
  std::array<uint8_t, 256> t{};
  for (int v = 0; v < 256; ++v) t[static_cast<std::size_t>(v)] = static_cast<uint8_t>(v % 51);
  return t;
}

constexpr std::array<uint8_t, 216> kXlat = {
    0,   29,  30,  31,  32,  249, 33,  34,  35,  36,  37,  38,  39,  40,  41,  42,  43,  44,   // 0-17
    45,  46,  47,  48,  49,  50,  51,  52,  53,  54,  55,  56,  250, 250, 57,  58,  59,  251,  // 18-35
    60,  61,  62,  63,  64,  65,  66,  67,  68,  69,  70,  71,  72,  73,  74,  75,  76,  77,   // 36-53
    78,  79,  80,  81,  82,  83,  84,  85,  86,  87,  88,  89,  250, 90,  91,  92,  93,  94,   // 54-71
    95,  96,  97,  98,  99,  100, 101, 102, 103, 104, 105, 106, 107, 108, 109, 110, 111, 227,  // 72-89
    112, 113, 114, 115, 116, 117, 118, 119, 151, 120, 121, 122, 123, 124, 228, 125, 126, 229,  // 90-107
    133, 162, 135, 131, 132, 137, 166, 134, 140, 130, 136, 143, 138, 139, 174, 141, 142, 177,  // 108-125
    129, 144, 145, 146, 147, 148, 149, 150, 157, 152, 153, 154, 155, 156, 192, 158, 159, 160,  // 126-143
    161, 196, 163, 164, 165, 127, 199, 167, 168, 169, 170, 171, 172, 173, 207, 175, 176, 210,  // 144-161
    178, 179, 180, 181, 182, 183, 184, 185, 186, 187, 188, 189, 190, 191, 224, 193, 194, 195,  // 162-179
    252, 252, 197, 198, 128, 253, 252, 200, 201, 202, 203, 204, 205, 206, 230, 208, 209, 231,  // 180-197
    211, 212, 213, 214, 215, 216, 217, 218, 219, 220, 221, 222, 254, 223, 232, 225, 226, 255,  // 198-215
};

struct FixedEntry {
  uint8_t index;
  RgbTriple colour;
};

// The entries outside the colour cube: the system colours and a grey ramp.
constexpr FixedEntry kFixed[44] = {
    {1, {128, 0, 0}},     {2, {0, 128, 0}},     {3, {128, 128, 0}},   {4, {0, 0, 128}},
    {5, {128, 0, 128}},   {6, {0, 128, 128}},   {7, {192, 192, 192}}, {8, {192, 220, 192}},
    {9, {166, 202, 240}}, {10, {4, 4, 4}},      {11, {8, 8, 8}},      {12, {12, 12, 12}},
    {13, {17, 17, 17}},   {14, {22, 22, 22}},   {15, {28, 28, 28}},   {16, {34, 34, 34}},
    {17, {41, 41, 41}},   {18, {85, 85, 85}},   {19, {77, 77, 77}},   {20, {66, 66, 66}},
    {21, {57, 57, 57}},   {22, {129, 129, 129}}, {23, {129, 0, 0}},   {24, {0, 129, 0}},
    {25, {129, 129, 0}},  {26, {0, 0, 129}},    {27, {129, 0, 129}},  {28, {0, 129, 129}},
    {233, {193, 193, 193}}, {234, {95, 95, 95}},   {235, {119, 119, 119}}, {236, {134, 134, 134}},
    {237, {150, 150, 150}}, {238, {203, 203, 203}}, {239, {178, 178, 178}}, {240, {215, 215, 215}},
    {241, {221, 221, 221}}, {242, {227, 227, 227}}, {243, {234, 234, 234}}, {244, {241, 241, 241}},
    {245, {248, 248, 248}}, {246, {255, 251, 240}}, {247, {160, 160, 164}}, {248, {128, 128, 128}},
};

// Four cells near pure green and pure blue share those entries instead of owning one.
constexpr bool sharesEntry(int r, int g, int b) {
  return (r == 1 && g == 5 && b == 0) || (r == 0 && g == 5 && b == 1) || (r == 1 && g == 0 && b == 5) ||
         (r == 0 && g == 1 && b == 5);
}

struct BuiltPalette {
  std::array<RgbTriple, 256> colours{};
  std::array<int, 256> writes{};  // how often each entry was set; every entry exactly once
};

constexpr BuiltPalette buildStdPalette256() {
  BuiltPalette p;
  for (int b = 0; b < 6; ++b)
    for (int g = 0; g < 6; ++g)
      for (int r = 0; r < 6; ++r) {
        if (sharesEntry(r, g, b)) continue;
        const std::size_t i = kXlat[static_cast<std::size_t>(r + 6 * g + 36 * b)];
        p.colours[i] = RgbTriple{static_cast<uint8_t>(51 * r), static_cast<uint8_t>(51 * g), static_cast<uint8_t>(51 * b)};
        ++p.writes[i];
      }
  for (const FixedEntry& e : kFixed) {
    p.colours[e.index] = e.colour;
    ++p.writes[e.index];
  }
  return p;
}

constexpr BuiltPalette kBuilt = buildStdPalette256();

constexpr bool everyEntryOnce() {
  for (int w : kBuilt.writes)
    if (w != 1) return false;
  return true;
}
// A slip in either table above (a cell sent to a fixed entry, two cells to one entry, a gap)
// stops the build here.
static_assert(everyEntryOnce());

}  // namespace

const std::array<uint8_t, 256> DivBy51 = makeDiv();
const std::array<uint8_t, 256> ModBy51 = makeMod();
const std::array<uint8_t, 6> Times6 = {0, 6, 12, 18, 24, 30};
const std::array<uint8_t, 6> Times36 = {0, 36, 72, 108, 144, 180};

const std::array<uint8_t, 64> Halftone8x8 = {
    0,  38, 9,  47, 2,  40, 11, 50,  //
    25, 12, 35, 22, 27, 15, 37, 24,  //
    6,  44, 3,  41, 8,  47, 5,  43,  //
    31, 19, 28, 15, 34, 21, 31, 18,  //
    1,  39, 11, 49, 0,  39, 10, 48,  //
    27, 14, 36, 23, 26, 13, 35, 23,  //
    7,  46, 4,  43, 7,  45, 3,  42,  //
    33, 20, 30, 17, 32, 19, 29, 16,  //
};

const std::array<uint8_t, 216> HalftoneXlat = kXlat;
const std::array<RgbTriple, 256> StdPalette256 = kBuilt.colours;

const std::array<RgbTriple, 16> StdPalette16 = {{
    {0, 0, 0},
    {128, 0, 0},
    {0, 128, 0},
    {128, 128, 0},
    {0, 0, 128},
    {128, 0, 128},
    {0, 128, 128},
    {192, 192, 192},
    {128, 128, 128},
    {255, 0, 0},
    {0, 255, 0},
    {255, 255, 0},
    {0, 0, 255},
    {255, 0, 255},
    {0, 255, 255},
    {255, 255, 255},
}};

}  // namespace tessaro
