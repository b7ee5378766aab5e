#include "cups/QueuePrintService.h"

#include "cups/PrintQueue.h"
#include "cups/Server.h"

namespace tessaro::cups {

QueuePrintService::QueuePrintService(std::string queue, PageMetrics metrics, std::string media, JobOptions options)
    : queue_(std::move(queue)), metrics_(metrics), media_(std::move(media)), options_(std::move(options)) {}

bool QueuePrintService::beginDoc() {
  failure_.clear();
  notice_.clear();
  if (pdf_) return false;
  // No pages are made for a queue that cannot take them; it is asked again when they are sent.
  if (const QueueState state = queueState(queue_); state != QueueState::Accepting && state != QueueState::Paused) {
    failure_ = queueStateText(state, queue_);
    return false;
  }
  spool_ = std::make_unique<SpoolFile>();
  if (!spool_->isOpen()) {
    failure_ = "Für den Druckauftrag ließ sich keine Datei anlegen. " + describeSystemError(spool_->sysError());
    release();
    return false;
  }
  pdf_ = std::make_unique<PdfPrintService>(spool_->stream(), metrics_);
  pdf_->setTitle(title_);
  pdf_->setPageScale(scale_);
  if (pdf_->beginDoc()) return true;
  failure_ = pdf_->failureReason();
  release();
  return false;
}

bool QueuePrintService::newPage() {
  failure_.clear();
  if (!pdf_) return false;
  if (pdf_->newPage()) return true;
  failure_ = pdf_->failureReason();
  return false;
}

bool QueuePrintService::endDoc() {
  failure_.clear();
  if (!pdf_) return false;
  const bool made = pdf_->endDoc();
  const bool spooled = spool_->finishWriting();
  bool sent = false;
  if (!spooled)
    failure_ = "Die Druckdatei ließ sich nicht schreiben. " + describeSystemError(spool_->sysError());
  else if (!made)
    failure_ = pdf_->failureReason();
  else
    sent = send();
  release();
  return sent;
}

void QueuePrintService::abortDoc() {
  if (pdf_) pdf_->abortDoc();
  release();
}

void QueuePrintService::release() {
  pdf_.reset();
  spool_.reset();
}

bool QueuePrintService::send() {
  Connection http = connectToServer();
  const QueueState state = http ? queueState(http.get(), queue_) : QueueState::Unreachable;
  if (state != QueueState::Accepting && state != QueueState::Paused) {
    failure_ = queueStateText(state, queue_);
    return false;
  }
  const std::string name = queueName(queue_);
  cups_option_t* options = nullptr;
  int count = 0;
  for (const auto& [option, value] : options_) count = cupsAddOption(option.c_str(), value.c_str(), count, &options);
  if (!media_.empty()) count = cupsAddOption("media", media_.c_str(), count, &options);
  // The pages are laid out for this paper's printable area: fitting them again would move them
  // and change their size.
  count = cupsAddOption("print-scaling", "none", count, &options);
  count = cupsAddOption("fit-to-page", "false", count, &options);
  const int job = cupsCreateJob(http.get(), name.c_str(), title_.c_str(), count, options);
  cupsFreeOptions(count, options);
  if (job <= 0) {
    failure_ = lastErrorText(queue_);
    return false;
  }
  const bool streamed =
      cupsStartDocument(http.get(), name.c_str(), job, title_.c_str(), CUPS_FORMAT_PDF, 1) == HTTP_STATUS_CONTINUE &&
      spool_->readAll([&](std::string_view bytes) {
        return cupsWriteRequestData(http.get(), bytes.data(), bytes.size()) == HTTP_STATUS_CONTINUE;
      });
  // Without the whole document the request is not finished: closing the connection makes the
  // server drop what came, and the empty job is cancelled.
  if (!streamed || cupsFinishDocument(http.get(), name.c_str()) > IPP_STATUS_OK_EVENTS_COMPLETE) {
    failure_ = spool_->sysError() ? "Die Druckdatei ließ sich nicht lesen. " + describeSystemError(spool_->sysError())
                                  : lastErrorText(queue_);
    http.reset();
    if (const Connection again = connectToServer()) cupsCancelJob2(again.get(), name.c_str(), job, 0);
    return false;
  }
  jobId_ = job;
  if (state == QueueState::Paused) notice_ = queueStateText(state, queue_);
  return true;
}

}  // namespace tessaro::cups
