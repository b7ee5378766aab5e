#include <gtest/gtest.h>

#include <optional>

#include "cups/QueueMessages.h"

using namespace tessaro;
using cups::QueueState;

// Status codes as IPP numbers them (RFC 8011, 5.4.x; 0x1000 is libcups' own for a cancelled
// log-in), each with the English text libcups gives with it. Only the unknown code may show it.
TEST(QueueMessages, EveryStateAndStatusInGerman) {
  const struct {
    std::optional<QueueState> state;  // else the status
    int status;
    const char* cupsText;
    const char* want;
  } cases[] = {
      {QueueState::Accepting, 0, "", ""},
      {QueueState::Paused, 0, "", "Die Warteschlange „Q“ ist angehalten; der Auftrag wartet, bis sie fortgesetzt wird."},
      {QueueState::Rejecting, 0, "", "Der Drucker „Q“ nimmt zurzeit keine Aufträge an."},
      {QueueState::Missing, 0, "", "Den Drucker „Q“ gibt es nicht."},
      {QueueState::Unreachable, 0, "", "Das Drucksystem (CUPS) antwortet nicht; auf „Q“ kann nicht gedruckt werden."},
      {{}, 0x0506, "Destination \"Q\" is not accepting jobs.", "Der Drucker „Q“ nimmt zurzeit keine Aufträge an."},
      {{}, 0x0406, "The printer or class does not exist.", "Den Drucker „Q“ gibt es nicht."},
      {{}, 0x0407, "The printer or class was not found.", "Den Drucker „Q“ gibt es nicht."},
      {{}, 0x0502, "No such file or directory",
       "Das Drucksystem (CUPS) antwortet nicht; auf „Q“ kann nicht gedruckt werden."},
      {{}, 0x0401, "Forbidden", "Sie dürfen auf „Q“ nicht drucken."},
      {{}, 0x0403, "Not authorized", "Sie dürfen auf „Q“ nicht drucken."},
      {{}, 0x0402, "Unauthorized", "Das Drucksystem verlangt eine Anmeldung, um auf „Q“ zu drucken."},
      {{}, 0x1000, "Authentication canceled", "Das Drucksystem verlangt eine Anmeldung, um auf „Q“ zu drucken."},
      {{}, 0x040A, "Unsupported document-format \"application/pdf\".",
       "Der Drucker „Q“ kann keine PDF-Dokumente drucken."},
      {{}, 0x040B, "Unsupported media", "Der Drucker „Q“ kennt eine Einstellung des Auftrags nicht, etwa das Papierformat."},
      {{}, 0x0408, "Request Entity Too Large", "Der Auftrag ist für „Q“ zu groß."},
      {{}, 0x0400, "Bad request", "Der Drucker „Q“ hat den Auftrag abgelehnt."},
      {{}, 0x0507, "Printer busy", "Der Drucker „Q“ ist zurzeit ausgelastet; bitte später noch einmal versuchen."},
      {{}, 0x0504, "Device error", "Der Drucker „Q“ meldet einen Gerätefehler."},
      {{}, 0x0508, "Job canceled", "Der Auftrag für „Q“ wurde abgebrochen."},
      {{}, 0x0500, "No such file or directory",
       "Im Drucksystem ist ein interner Fehler aufgetreten; der Auftrag für „Q“ wurde nicht angenommen."},
      {{}, 0x0418, "Document password error",
       "Der Drucker „Q“ hat den Auftrag nicht angenommen. CUPS meldet: Document password error"},
      {{}, 0x0419, "", "Der Drucker „Q“ hat den Auftrag nicht angenommen."},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.state ? "state " + std::to_string(static_cast<int>(*c.state)) : "status " + std::to_string(c.status));
    EXPECT_EQ(c.state ? cups::queueStateText(*c.state, "Q") : cups::ippStatusText(c.status, "Q", c.cupsText), c.want);
  }
}
