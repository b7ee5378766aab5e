#include "ui/ScanRunner.h"

#include <QPointer>

namespace tessaro {

ScanRunner::ScanRunner(std::shared_ptr<ScannerService> service, QObject* parent)
    : QObject(parent), service_(std::move(service)) {
  pool_.setMaxThreadCount(1);
  pool_.setExpiryTimeout(-1);
}

ScanRunner::~ScanRunner() {
  service_->cancel();
  pool_.waitForDone();
}

void ScanRunner::run(QObject* receiver, std::function<void(ScannerService&)> work, std::function<void()> done) {
  ++pending_;
  QPointer<QObject> guard(receiver);
  QPointer<ScanRunner> self(this);
  std::shared_ptr<ScannerService> service = service_;
  pool_.start([service, work = std::move(work), done = std::move(done), guard, self] {
    work(*service);
    QMetaObject::invokeMethod(
        self.data(),
        [done, guard, self] {
          if (self) --self->pending_;
          if (guard) done();
        },
        Qt::QueuedConnection);
  });
}

}  // namespace tessaro
