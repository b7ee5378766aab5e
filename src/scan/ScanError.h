#pragma once
// Why a scan or a device request failed, and the German sentence the user reads about it.
#include <string>

namespace tessaro {

enum class ScanFault {
  None,
  Busy,          // another program holds the device
  Gone,          // the device does not answer or no longer exists
  CoverOpen,     // the scanner's lid is open
  NoDocs,        // the document feeder is empty
  Jammed,        // paper jam in the feeder
  Io,            // transfer error between device and computer
  Cancelled,     // the user stopped the scan
  NoMemory,      // the picture's memory could not be had
  AccessDenied,  // no permission to use the device
  Invalid,       // the device refused a setting (`detail` names the option)
  Unsupported,   // a frame format this program cannot take (`detail` says which)
  TooLarge,      // the picture would pass the pixel memory limit
  NoData,        // the device ended the scan without a single line
};

struct ScanError {
  ScanFault fault = ScanFault::None;
  std::string detail;
  explicit operator bool() const { return fault != ScanFault::None; }
};

// One or two German sentences, for example "Die Abdeckung des Scanners ist offen. ..."
std::string describeScanError(const ScanError& error);

}  // namespace tessaro
