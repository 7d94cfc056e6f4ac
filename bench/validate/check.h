// The validator's checks: named, self-contained units, each with a level of
// strictness and a description, registered once in the table of check.cpp.
// A check runs in a child process of its own and tells its parent what it
// finds through a Report.
#pragma once

#include <cstdint>
#include <filesystem>
#include <string>
#include <string_view>
#include <vector>

namespace bench::validate {

// How strict a check is; `--level N` runs the checks up to N.
enum Level : int {
  kLevelLoad = 1,      // what a host needs to load and drive the module safely
  kLevelContract = 2,  // the host contract in full: records, lifecycle
  kLevelStress = 3,    // long random runs under the contract
};

// What a check sends to its parent, one record a line. The last step named
// before a crash is the crash's context.
class Report {
 public:
  virtual ~Report() = default;
  // What the check is doing now: "step 17: click (61, 4) on area 3".
  virtual void Step(std::string_view text) = 0;
  // A fault of the module; a check may report several.
  virtual void Fail(std::string_view text) = 0;
  // The check cannot run here, and why.
  virtual void Skip(std::string_view text) = 0;
  // A line of the host-call trace (only when tracing).
  virtual void Trace(std::string_view text) = 0;

  int failures() const { return failures_; }

 protected:
  int failures_ = 0;
};

// Everything a check is given.
struct CheckEnv {
  std::filesystem::path moduleFile;
  std::string gauge;     // the module's name in messages: its file name's stem
  uint64_t seed = 0;     // every random choice of the check comes from it
  int steps = 3000;      // length of the random runs
  bool trace = false;    // send the host calls as trace lines
  Report* report = nullptr;
};

struct Check {
  const char* name;
  Level level;
  const char* description;
  void (*run)(CheckEnv& env);
};

// Every check, in the order they run.
const std::vector<Check>& Checks();
const Check* FindCheck(std::string_view name);

// The checks, by file.
void CheckExports(CheckEnv& env);
void CheckHeader(CheckEnv& env);
void CheckElements(CheckEnv& env);
void CheckFailureLists(CheckEnv& env);
void CheckNeedleTables(CheckEnv& env);
void CheckMouseList(CheckEnv& env);
void CheckBitmaps(CheckEnv& env);
void CheckLifecycleOrder(CheckEnv& env);
void CheckLifecycleCycles(CheckEnv& env);
void CheckLifecycleReload(CheckEnv& env);
void CheckStressClicks(CheckEnv& env);
void CheckStressValues(CheckEnv& env);
void CheckStressLifecycle(CheckEnv& env);

}  // namespace bench::validate
