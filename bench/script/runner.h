// Runs a bench script against the host and writes its trace.
#pragma once

#include <filesystem>
#include <functional>
#include <ostream>
#include <string>
#include <vector>

#include "bench/host/host.h"
#include "bench/script/script.h"
#include "bench/world/world.h"

namespace bench {

// Trace number forms, the same on every platform.
std::string FormatReal(double value);           // like %.17g; nan, inf, -inf
std::string FormatVar(const NamedVar& var);     // signed decimal, or 0x%08x for extvar

struct RunOptions {
  std::filesystem::path modulesDir;  // where the gauge modules are
  std::filesystem::path scriptDir;   // soundfile paths are relative to it
  std::string scriptName;            // for messages: FILE:LINE
};

class Runner : public HostObserver {
 public:
  // Exit statuses.
  static constexpr int kPassed = 0;
  static constexpr int kCheckFailed = 1;
  static constexpr int kScriptError = 2;

  Runner(Host& host, World& world, std::ostream& trace, std::ostream& messages,
         RunOptions options);

  // Runs the whole script; returns the exit status.
  int Run(std::string_view scriptText);
  int Run(const std::vector<Command>& commands);

  // Called after each command has run and its trace is written; the bench
  // uses it to render frames as a run goes.
  std::function<void(const Command&)> afterCommand;
  // Called after each frame of a `frame` command, once its gauges have drawn.
  std::function<void()> afterFrame;

  // HostObserver
  void KeyEvent(const Gauge& gauge, uint32_t eventId, int32_t value) override;
  void LookUp(const Gauge& gauge, int32_t token) override;
  void Register(const Gauge& gauge, const char* name) override;
  void Unregister(const Gauge& gauge, const char* name) override;
  void Bind(const Gauge& gauge, const char* name, bool found) override;
  void Play(const Gauge& gauge, uint32_t bytes) override;
  void Fault(const Gauge& gauge, const std::string& what) override;

 private:
  // What the trace printed last, per loaded gauge.
  struct Baseline {
    std::vector<bool> hidden;
    std::vector<ElementValue> printed;  // evaluated: printed at least once
  };

  void Execute(const Command& command);
  void Check(const Command& command);
  void AppendChanges();
  Gauge& Loaded(const Command& command, const std::string& name);
  void NewBaseline(Gauge& gauge);
  void RegisterVarBaseline(const std::string& name);
  [[noreturn]] void Error(const std::string& what);
  void CheckFailed(const Command& command, const std::string& what);

  Host& host_;
  World& world_;
  std::ostream& trace_;
  std::ostream& messages_;
  RunOptions options_;

  const Command* command_ = nullptr;       // the one running
  std::vector<std::string> lines_;         // its trace lines
  std::vector<std::string> lastLines_;     // those of the last command that is not a check
  std::string fault_;                      // a module's contract break, as an error
  std::unordered_map<const Gauge*, Baseline> baselines_;
  std::unordered_map<std::string, int32_t> varBaselines_;
  int status_ = kPassed;
};

}  // namespace bench
