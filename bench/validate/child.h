// Running one check in a child process, so that a module that crashes,
// hangs or trips a sanitizer is a result and not the end of the validator.
//
// The child sends its report as lines on a pipe ("S step", "F failure",
// "K skip reason", "T trace line", "D" when the check has run to its end);
// its standard error is collected for the sanitizers' reports. On Linux the
// child is a fork of the validator; on Windows it is gaugebench.exe itself,
// started with arguments that name the check.
#pragma once

#include <functional>
#include <string>
#include <string_view>
#include <vector>

#include "bench/validate/check.h"

namespace bench::validate {

// The report a child writes: one line a record to a file descriptor.
class LineReport : public Report {
 public:
  explicit LineReport(int fd) : fd_(fd) {}
  void Step(std::string_view text) override { Write('S', text); }
  void Fail(std::string_view text) override {
    ++failures_;
    Write('F', text);
  }
  void Skip(std::string_view text) override { Write('K', text); }
  void Trace(std::string_view text) override { Write('T', text); }
  void Done() { Write('D', ""); }

 private:
  void Write(char tag, std::string_view text);
  int fd_;
};

struct Outcome {
  bool done = false;                  // the check ran to its end
  std::vector<std::string> failures;  // as the check reported them
  std::string skip;                   // why the check did not run
  std::string lastStep;               // where it was last
  std::string ending;                 // how the process ended, when not cleanly
  std::vector<std::string> errors;    // the child's standard error, line by line
};

struct ChildJob {
  const Check* check;
  std::string moduleFile;
  std::string gauge;
  uint64_t seed;
  int steps;
  bool trace;
  int timeoutSeconds;
};

// Runs the job in a child process. Trace and step lines reach `onTrace` as
// they arrive when the job traces.
Outcome RunInChild(const ChildJob& job, const std::function<void(std::string_view)>& onTrace);

// Runs the check here, reporting to `report` (the child's side).
void RunCheckHere(const ChildJob& job, Report& report);

}  // namespace bench::validate
