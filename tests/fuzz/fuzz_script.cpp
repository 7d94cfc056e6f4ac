// Random bench scripts against the whole panel: each input is parsed as a
// script and, when it parses, run by the Runner against the real native
// modules, with the sanitizers watching the bench and the gauges alike.
// Every script runs twice: the same script must give the same trace.
#include <cstdint>
#include <cstdlib>
#include <cstdio>
#include <sstream>
#include <string>
#include <string_view>

#include "bench/host/host.h"
#include "bench/script/runner.h"
#include "bench/script/script.h"
#include "bench/world/world.h"

namespace {

// The harness's own limits, so that one input stays quick: a script may ask
// for any number of frames, and a sound file may be any file at all.
constexpr size_t kLongestScript = 8192;
constexpr int64_t kMostFrames = 400;

bool Plain(const std::string& path) {
  return !path.empty() && path.find("..") == std::string::npos && path[0] != '/' &&
         path.find('$') == std::string::npos;
}

std::string RunOnce(const std::vector<bench::Command>& commands, int& status) {
  std::ostringstream trace, messages;
  bench::RunOptions options;
  options.modulesDir = GAUGE_MODULE_DIR;
  options.scriptDir = GAUGE_SOUND_SCRIPTS_DIR;  // where `soundfile` finds sounds/click.wav
  options.scriptName = "fuzz.bench";
  bench::World world;
  bench::Host host;
  bench::Runner runner(host, world, trace, messages, options);
  status = runner.Run(commands);
  return trace.str();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size > kLongestScript) return -1;
  const std::string_view text(reinterpret_cast<const char*>(data), size);
  std::vector<bench::Command> commands;
  try {
    commands = bench::ParseScript(text);
  } catch (const bench::ScriptError&) {
    return 0;  // a script error is an answer too
  }
  int64_t frames = 0;
  for (const bench::Command& command : commands) {
    if (command.op == bench::Op::kFrame) frames += command.numbers[0];
    if (frames > kMostFrames) return -1;
    if (command.op == bench::Op::kSoundfile && !Plain(command.text)) return -1;
  }
  int first = 0, second = 0;
  const std::string trace = RunOnce(commands, first);
  const std::string again = RunOnce(commands, second);
  if (trace != again || first != second) {
    std::fprintf(stderr, "the same script gave two different runs:\n--- first (exit %d)\n%s"
                         "--- second (exit %d)\n%s", first, trace.c_str(), second, again.c_str());
    std::abort();
  }
  return 0;
}
