#include "depth/NearestColour.h"

#include <algorithm>

namespace tessaro {

namespace {

constexpr int kCells = 1 << 15;

// Squared distances from a channel value to the nearest and the farthest value of [lo, hi].
int nearSq(int c, int lo, int hi) {
  const int d = c < lo ? lo - c : (c > hi ? c - hi : 0);
  return d * d;
}
int farSq(int c, int lo, int hi) {
  const int d = std::max(c - lo, hi - c);
  return d * d;
}

}  // namespace

NearestColour::NearestColour(const LogPaletteData& palette) : cellStart_(kCells, kUnbuilt), cellCount_(kCells, 0) {
  const int count = std::min<int>(palette.palNumEntries, 256);
  for (int i = 0; i < count; ++i) {
    const PaletteEntry& p = palette.palPalEntry[i];
    entries_.push_back(Entry{p.peRed, p.peGreen, p.peBlue, static_cast<uint8_t>(i)});
  }
  // An empty palette answers 0, as the linear search does.
  if (entries_.empty()) entries_.push_back(Entry{0, 0, 0, 0});
}

// An entry whose nearest point of the cell is farther than some entry's farthest point loses
// everywhere in the cell, strictly; every other entry is kept in index order, so the search over
// the kept ones finds the linear search's winner, ties included.
void NearestColour::build(uint32_t cell) {
  constexpr int kSide = 1 << kShift;
  const int lo[3] = {int(cell >> 10) * kSide, int((cell >> 5) & 31) * kSide, int(cell & 31) * kSide};
  auto bound = [&](const Entry& e, auto sq) {
    return sq(e.r, lo[0], lo[0] + kSide - 1) + sq(e.g, lo[1], lo[1] + kSide - 1) + sq(e.b, lo[2], lo[2] + kSide - 1);
  };
  int limit = 1 << 30;
  for (const Entry& e : entries_) limit = std::min(limit, bound(e, farSq));
  cellStart_[cell] = static_cast<uint32_t>(pool_.size());
  for (const Entry& e : entries_)
    if (bound(e, nearSq) <= limit) pool_.push_back(e);
  cellCount_[cell] = static_cast<uint16_t>(pool_.size() - cellStart_[cell]);
}

}  // namespace tessaro
