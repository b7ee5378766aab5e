#pragma once
// The scanner service: the devices there are, the options a device describes, and a scan into a
// picture. Every call but cancel() may take seconds (network scanners), so the window calls them
// on a worker thread, one at a time; cancel() may come from any thread while a scan runs.
#include <string>
#include <vector>

#include "picture/Dib.h"
#include "picture/Progress.h"
#include "scan/ScanError.h"

namespace tessaro {

struct ScannerDevice {
  std::string name;  // what the device is opened by
  std::string vendor, model, type;
};

enum class OptionKind { Bool, Int, Fixed, String, Button, Group };
enum class OptionUnit { None, Pixel, Bit, Mm, Dpi, Percent, Microsecond };

// One option as the device describes it, with its current value.
struct ScanOption {
  std::string name, title, description;
  OptionKind kind = OptionKind::Int;
  OptionUnit unit = OptionUnit::None;
  bool active = true;
  bool settable = true;
  // Allowed values: a range, a list of numbers, a list of texts, or anything of the kind.
  bool hasRange = false;
  double min = 0, max = 0, quant = 0;
  std::vector<double> numbers;
  std::vector<std::string> texts;
  double number = 0;  // Bool, Int, Fixed (the first element of an array)
  std::string text;   // String
};

// A value to give an option before a scan: `text` for text options, `number` for the others.
struct OptionSetting {
  std::string name;
  double number = 0;
  std::string text;
};

// Options looked up by the names devices give the common ones.
const ScanOption* findOption(const std::vector<ScanOption>& options, const std::string& name);
// The resolution the options scan at: "x-resolution" and "y-resolution" where the device sets
// them apart, else "resolution"; none when the device has neither active.
Resolution scanResolution(const std::vector<ScanOption>& options);

class ScannerService {
 public:
  virtual ~ScannerService() = default;
  virtual std::vector<ScannerDevice> listDevices(ScanError& why) = 0;
  // Opens `name` (closing the device opened before) and gives its options; nothing when the
  // device cannot be opened.
  virtual std::vector<ScanOption> openDevice(const std::string& name, ScanError& why) = 0;
  // Gives the open device `settings` in their order (options it does not have, or that are
  // inactive, are passed over) and scans. The empty record, with the reason, on failure.
  virtual TDib scan(const std::vector<OptionSetting>& settings, const ProgressFn& progress, ScanError& why) = 0;
  // Stops a scan that runs; its scan() then fails with ScanFault::Cancelled.
  virtual void cancel() = 0;
};

}  // namespace tessaro
