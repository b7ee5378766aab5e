// Prints the words the shell completion of tessaro-cli offers that the program itself defines,
// one KEY=VALUE line each, so the completion is generated from the same lists the program uses.
#include <iostream>
#include <string>

#include "picture/CodecRegistry.h"
#include "print/PaperSizes.h"
#include "retouch/Filters.h"
#include "vector/VectorFileTypes.h"

namespace {

// "bmp|dib|..." from the open filter's first entry, "Alle Bilddateien (...)|*.bmp;*.dib;...|...".
std::string readableExtensions() {
  const std::string filter = tessaro::GetDIBOpenFilter(tessaro::vectorFileTypes());
  const size_t from = filter.find('|') + 1;
  const std::string masks = filter.substr(from, filter.find('|', from) - from);
  std::string out;
  for (size_t at = 0; at < masks.size();) {
    const size_t end = std::min(masks.find(';', at), masks.size());
    if (!out.empty()) out += '|';
    out += masks.substr(at + 2, end - at - 2);  // without "*."
    at = end + 1;
  }
  return out;
}

}  // namespace

int main() {
  std::string saveable, papers, filters;
  for (const tessaro::SaveEntry& e : tessaro::saveEntries())
    saveable += (saveable.empty() ? "" : "|") + e.extension.substr(1);
  for (const tessaro::PaperSize& p : tessaro::paperSizes()) papers += (papers.empty() ? "" : " ") + std::string(p.name);
  // One name a line: the names hold spaces.
  for (const tessaro::TFilterDef& f : tessaro::FilterTable) filters += "\\n" + std::string(f.Name);
  std::cout << "READABLE=" << readableExtensions() << "\nSAVEABLE=" << saveable << "\nPAPERS=" << papers
            << "\nFILTERS=" << filters.substr(2) << '\n';
}
