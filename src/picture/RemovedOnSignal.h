#pragma once
// A named temporary file that an interrupted program must not leave behind. While one is
// registered, SIGINT, SIGTERM and SIGHUP (those still ending the program by default) first remove
// it and then end the program as they would have.
#include <signal.h>

#include <string>

namespace tessaro {

class RemovedOnSignal {
 public:
  // `folder` is a descriptor of the file's folder, open for as long as this object lives.
  RemovedOnSignal(int folder, const std::string& name);
  ~RemovedOnSignal();
  RemovedOnSignal(const RemovedOnSignal&) = delete;
  RemovedOnSignal& operator=(const RemovedOnSignal&) = delete;

 private:
  int slot_ = -1;
};

// Holds SIGINT, SIGTERM and SIGHUP back for its lifetime, so that a step of two system calls is
// not cut between them; a signal that came meanwhile arrives at the end.
class TerminationSignalsHeld {
 public:
  TerminationSignalsHeld();
  ~TerminationSignalsHeld();
  TerminationSignalsHeld(const TerminationSignalsHeld&) = delete;
  TerminationSignalsHeld& operator=(const TerminationSignalsHeld&) = delete;

 private:
  sigset_t previous_;
};

}  // namespace tessaro
