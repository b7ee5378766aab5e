#include "cups/QueueMessages.h"

#include <cups/ipp.h>

namespace tessaro::cups {

namespace {

std::string quoted(const std::string& queue) { return "„" + queue + "“"; }

}  // namespace

std::string queueStateText(QueueState state, const std::string& queue) {
  switch (state) {
    case QueueState::Accepting:
      return {};
    case QueueState::Paused:
      return "Die Warteschlange " + quoted(queue) + " ist angehalten; der Auftrag wartet, bis sie fortgesetzt wird.";
    case QueueState::Rejecting:
      return "Der Drucker " + quoted(queue) + " nimmt zurzeit keine Aufträge an.";
    case QueueState::Missing:
      return "Den Drucker " + quoted(queue) + " gibt es nicht.";
    case QueueState::Unreachable:
      break;
  }
  return "Das Drucksystem (CUPS) antwortet nicht; auf " + quoted(queue) + " kann nicht gedruckt werden.";
}

std::string ippStatusText(int status, const std::string& queue, const std::string& cupsText) {
  const std::string q = quoted(queue);
  switch (status) {
    case IPP_STATUS_ERROR_NOT_FOUND:
    case IPP_STATUS_ERROR_GONE:
      return queueStateText(QueueState::Missing, queue);
    case IPP_STATUS_ERROR_NOT_ACCEPTING_JOBS:
    case IPP_STATUS_ERROR_PRINTER_IS_DEACTIVATED:
      return queueStateText(QueueState::Rejecting, queue);
    case IPP_STATUS_ERROR_SERVICE_UNAVAILABLE:
      return queueStateText(QueueState::Unreachable, queue);
    case IPP_STATUS_ERROR_FORBIDDEN:
    case IPP_STATUS_ERROR_NOT_AUTHORIZED:
      return "Sie dürfen auf " + q + " nicht drucken.";
    case IPP_STATUS_ERROR_NOT_AUTHENTICATED:
    case IPP_STATUS_ERROR_CUPS_AUTHENTICATION_CANCELED:
      return "Das Drucksystem verlangt eine Anmeldung, um auf " + q + " zu drucken.";
    case IPP_STATUS_ERROR_DOCUMENT_FORMAT_NOT_SUPPORTED:
    case IPP_STATUS_ERROR_DOCUMENT_UNPRINTABLE:
      return "Der Drucker " + q + " kann keine PDF-Dokumente drucken.";
    case IPP_STATUS_ERROR_DOCUMENT_FORMAT_ERROR:
      return "Der Drucker " + q + " konnte das Dokument nicht lesen.";
    case IPP_STATUS_ERROR_ATTRIBUTES_OR_VALUES:
    case IPP_STATUS_ERROR_CONFLICTING:
      return "Der Drucker " + q + " kennt eine Einstellung des Auftrags nicht, etwa das Papierformat.";
    case IPP_STATUS_ERROR_REQUEST_ENTITY:
      return "Der Auftrag ist für " + q + " zu groß.";
    case IPP_STATUS_ERROR_TIMEOUT:
      return "Das Drucksystem hat zu lange auf den Auftrag für " + q + " gewartet.";
    case IPP_STATUS_ERROR_BUSY:
    case IPP_STATUS_ERROR_TEMPORARY:
    case IPP_STATUS_ERROR_TOO_MANY_JOBS:
      return "Der Drucker " + q + " ist zurzeit ausgelastet; bitte später noch einmal versuchen.";
    case IPP_STATUS_ERROR_DEVICE:
      return "Der Drucker " + q + " meldet einen Gerätefehler.";
    case IPP_STATUS_ERROR_JOB_CANCELED:
      return "Der Auftrag für " + q + " wurde abgebrochen.";
    case IPP_STATUS_ERROR_BAD_REQUEST:
    case IPP_STATUS_ERROR_NOT_POSSIBLE:
      return "Der Drucker " + q + " hat den Auftrag abgelehnt.";
    case IPP_STATUS_ERROR_INTERNAL:
      return "Im Drucksystem ist ein interner Fehler aufgetreten; der Auftrag für " + q + " wurde nicht angenommen.";
    default:
      break;
  }
  const std::string refused = "Der Drucker " + q + " hat den Auftrag nicht angenommen.";
  return cupsText.empty() ? refused : refused + " CUPS meldet: " + cupsText;
}

}  // namespace tessaro::cups
