#pragma once
// Tells a vector page file (PDF or SVG) from anything else by its first bytes.
#include <cstdint>
#include <span>
#include <string>

namespace tessaro {

enum class VectorKind { None, Pdf, Svg };

// How many leading bytes vectorKindOf looks at: PDF's signature may stand anywhere in the first
// 1024, and an SVG's root element follows its XML declaration, comments and doctype.
inline constexpr size_t kVectorSniffBytes = 8192;

// The kind of file these bytes begin: "%PDF-" within the first 1024 bytes, or XML whose root
// element is <svg> (also gzip-compressed, as .svgz files are).
VectorKind vectorKindOf(std::span<const uint8_t> head);
// The same for a file; None when it cannot be read.
VectorKind vectorKindOfFile(const std::string& path);

}  // namespace tessaro
