#pragma once
// The scanner service over SANE. SANE is started on first use and ended when the last scanner
// object goes; its configuration is found as SANE finds it (SANE_CONFIG_DIR, then /etc/sane.d).
#include <atomic>
#include <memory>
#include <mutex>

#include "scan/Scanner.h"

namespace tessaro {

class SaneScanner : public ScannerService {
 public:
  SaneScanner();
  ~SaneScanner() override;
  std::vector<ScannerDevice> listDevices(ScanError& why) override;
  std::vector<ScanOption> openDevice(const std::string& name, ScanError& why) override;
  TDib scan(const std::vector<OptionSetting>& settings, const ProgressFn& progress, ScanError& why) override;
  void cancel() override;

 private:
  bool saneStarted();
  void close();
  std::vector<ScanOption> readOptions() const;
  bool apply(const OptionSetting& setting, ScanError& why);
  TDib readFrames(const ProgressFn& progress, ScanError& why);
  void letReaderSettle() const;

  std::mutex handleMutex_;  // cancel() against open and close
  void* handle_ = nullptr;
  std::atomic<bool> cancelled_{false};
  bool started_ = false;
  // When the last frame was started, in steady-clock nanoseconds.
  std::atomic<int64_t> frameStarted_{0};
};

}  // namespace tessaro
