#pragma once
// Which of the two codecs on the HEIF container a file belongs to, by its ftyp box's brands.
#include <cstdint>
#include <optional>
#include <span>

namespace tessaro {

enum class HeifFamily { Heif, Avif };

// The family the ftyp box at the start of `head` names: AVIF when the main brand or a compatible
// one says so, HEIF otherwise; none when it is no HEIF file.
std::optional<HeifFamily> brandFamily(std::span<const uint8_t> head);

}  // namespace tessaro
