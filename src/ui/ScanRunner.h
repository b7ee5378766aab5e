#pragma once
// Runs the scanner service off the window's thread. Requests run one after another on a single
// worker (a device must not be listed, opened and read at once); each one's answer comes back
// on the window's thread, and only while the widget that asked still exists.
#include <QObject>
#include <QThreadPool>
#include <functional>
#include <memory>

#include "scan/Scanner.h"

namespace tessaro {

class ScanRunner : public QObject {
  Q_OBJECT
 public:
  explicit ScanRunner(std::shared_ptr<ScannerService> service, QObject* parent = nullptr);
  // Stops a running scan and waits for the worker: the service must not be used after the end.
  ~ScanRunner() override;
  // `work` runs on the worker after every earlier request; `done` then runs on this object's
  // thread unless `receiver` is gone by then.
  void run(QObject* receiver, std::function<void(ScannerService&)> work, std::function<void()> done);
  // Stops the scan that runs now; thread-safe in the service.
  void cancel() { service_->cancel(); }
  // True while requests wait or run.
  bool busy() const { return pending_ > 0; }

 private:
  std::shared_ptr<ScannerService> service_;
  QThreadPool pool_;
  int pending_ = 0;
};

}  // namespace tessaro
