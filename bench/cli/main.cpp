// gaugebench: the gauge bench's command line.
#include <CLI/CLI.hpp>

#include <algorithm>
#include <fstream>
#include <iostream>
#include <sstream>
#include <vector>

#include "bench/host/float_state.h"
#include "bench/host/host.h"
#include "bench/render/pictures.h"
#include "bench/script/runner.h"
#include "bench/validate/command.h"
#include "bench/world/world.h"

#if defined(_WIN32)
#include <windows.h>
#endif

namespace {

std::filesystem::path ExecutableDir() {
#if defined(_WIN32)
  wchar_t path[MAX_PATH];
  GetModuleFileNameW(nullptr, path, MAX_PATH);
  return std::filesystem::path(path).parent_path();
#else
  return std::filesystem::read_symlink("/proc/self/exe").parent_path();
#endif
}

// The modules built beside the bench: bin/gaugebench finds modules/.
std::filesystem::path DefaultModulesDir() { return ExecutableDir().parent_path() / "modules"; }

// What a run draws: nothing, a picture at the end (`shot`), or one a frame.
struct Drawing {
  bench::PictureOptions options;
  std::string shotFile;   // shot: the picture at the end of the script
  std::string framesDir;  // run --frames: one picture a frame
  bool any() const { return !shotFile.empty() || !framesDir.empty(); }
};

int RunScript(const std::string& scriptFile, const std::string& modulesDir,
              const std::string& traceFile, const Drawing& drawing = {},
              const std::string& audioFile = {}) {
  std::ifstream in(scriptFile, std::ios::binary);
  if (!in) {
    std::cerr << "gaugebench: cannot read " << scriptFile << "\n";
    return bench::Runner::kScriptError;
  }
  std::stringstream text;
  text << in.rdbuf();

  std::ofstream traceOut;
  std::ostream* trace = &std::cout;
  std::ostream noTrace(nullptr);  // a shot prints its trace only with --trace
  if (!drawing.shotFile.empty()) trace = &noTrace;
  if (!traceFile.empty()) {
    traceOut.open(traceFile, std::ios::binary | std::ios::trunc);
    if (!traceOut) {
      std::cerr << "gaugebench: cannot write " << traceFile << "\n";
      return bench::Runner::kScriptError;
    }
    trace = &traceOut;
  }

  bench::RunOptions options;
  options.modulesDir = modulesDir.empty() ? DefaultModulesDir() : std::filesystem::path(modulesDir);
  options.scriptDir = std::filesystem::path(scriptFile).parent_path();
  options.scriptName = scriptFile;
  bench::World world;
  if (!audioFile.empty()) world.RecordSound(audioFile);
  bench::Host host;
  bench::Runner runner(host, world, *trace, std::cerr, options);
  if (!drawing.any()) return runner.Run(text.str());

  bench::Pictures pictures(host, drawing.options);
  if (!drawing.framesDir.empty()) {
    std::filesystem::create_directories(drawing.framesDir);
    runner.afterFrame = [&] { pictures.WriteFrame(drawing.framesDir); };
  }
  const int status = runner.Run(text.str());
  if (status == bench::Runner::kScriptError || drawing.shotFile.empty()) return status;
  pictures.Write(drawing.shotFile, false);
  return status;
}

// Runs each script as `run` would, in a fresh host and world, one after the
// other in this one process (for platforms where starting a program is
// slow). Each trace goes to the trace folder under the script's path with
// ".trace" for ".bench"; status.txt there lists each script's exit status.
// The result is the worst of them.
int RunScripts(const std::vector<std::string>& scriptFiles, const std::string& modulesDir,
               const std::filesystem::path& traceDir) {
  std::filesystem::create_directories(traceDir);
  const std::filesystem::path statusFile = traceDir / "status.txt";
  std::ofstream statuses(statusFile, std::ios::binary | std::ios::trunc);
  if (!statuses) {
    std::cerr << "gaugebench: cannot write " << statusFile.string() << "\n";
    return bench::Runner::kScriptError;
  }
  int worst = bench::Runner::kPassed;
  for (const std::string& scriptFile : scriptFiles) {
    std::filesystem::path traceFile = traceDir / std::filesystem::path(scriptFile).relative_path();
    traceFile.replace_extension(".trace");
    int status = bench::Runner::kScriptError;
    try {
      std::filesystem::create_directories(traceFile.parent_path());
      status = RunScript(scriptFile, modulesDir, traceFile.string());
    } catch (const std::exception& error) {
      std::cerr << "gaugebench: " << scriptFile << ": " << error.what() << "\n";
    }
    statuses << status << ' ' << scriptFile << '\n';
    worst = std::max(worst, status);
  }
  return worst;
}

}  // namespace

int main(int argc, char** argv) {
  CLI::App app{"gaugebench: loads gauge modules, plays the host's part and shows what they do"};
  app.require_subcommand(1);

  std::string scriptFile, modulesDir, traceFile;
  CLI::App* run = app.add_subcommand("run", "Run a bench script and print its trace");
  run->add_option("SCRIPT", scriptFile, "The bench script")->required();
  run->add_option("--modules", modulesDir, "Folder of the gauge modules (default: beside the bench)");
  run->add_option("--trace", traceFile, "Write the trace to this file instead of standard output");
  std::string audioFile;
  run->add_option("--audio", audioFile, "Mix every sound the gauges play into this WAV file");

  std::vector<std::string> scriptFiles;
  std::string traceDir;
  CLI::App* runs = app.add_subcommand(
      "runs", "Run several bench scripts in turn, each as `run` would, in one process");
  runs->add_option("SCRIPTS", scriptFiles, "The bench scripts")->required();
  runs->add_option("--modules", modulesDir, "Folder of the gauge modules (default: beside the bench)");
  runs->add_option("--trace-dir", traceDir,
                   "Write each trace here, under the script's path with .trace for .bench, and "
                   "each exit status into status.txt")
      ->required();
  int x87Bits = 0;
  for (CLI::App* command : {run, runs}) {
    command->add_option("--x87", x87Bits,
                        "Leave the x87 unit at this precision (24, 53 or 64 bits) whenever the "
                        "host calls a module, as a simulator's graphics layer may (32-bit x86)")
        ->check(CLI::IsMember({24, 53, 64}));
  }

  Drawing drawing;
  std::vector<int> background;
  run->add_option("--frames", drawing.framesDir, "Write a PNG picture of every frame into this folder");
  CLI::App* shot = app.add_subcommand("shot", "Run a bench script and take a PNG picture at its end");
  shot->add_option("SCRIPT", scriptFile, "The bench script")->required();
  shot->add_option("--out", drawing.shotFile, "The PNG file to write")->required();
  shot->add_option("--modules", modulesDir, "Folder of the gauge modules (default: beside the bench)");
  shot->add_option("--trace", traceFile, "Write the trace to this file");
  for (CLI::App* command : {run, shot}) {
    auto* gauge = command->add_option("--gauge", drawing.options.gauge,
                                      "Picture one gauge (default: every loaded gauge)");
    auto* panel = command->add_option("--panel", drawing.options.panel,
                                      "Picture the panel of this layout file (gauge00=MODULE, X, Y, WIDTH)");
    gauge->excludes(panel);
    command->add_option("--scale", drawing.options.scale, "Scale the picture by this factor");
    command->add_option("--background", background, "R,G,B behind a --gauge picture (default: transparent)")
        ->delimiter(',')->expected(3)->check(CLI::Range(0, 255));
  }

  bench::validate::Command validate(app, DefaultModulesDir());

  try {
    app.parse(argc, argv);
  } catch (const CLI::ParseError& error) {
    const int status = app.exit(error);
    return status == 0 ? 0 : bench::Runner::kScriptError;
  }

  try {
    if (background.size() == 3) {
      drawing.options.background = bench::Rgba{static_cast<uint8_t>(background[0]),
                                                static_cast<uint8_t>(background[1]),
                                                static_cast<uint8_t>(background[2]), 255};
    }
    if (!drawing.options.gauge.empty() && !bench::IsGaugeName(drawing.options.gauge)) {
      std::cerr << "gaugebench: --gauge " << drawing.options.gauge << ": no such gauge\n";
      return bench::Runner::kScriptError;
    }
    if (validate) return validate.Run();
    if (!bench::SetModuleFloatPrecision(x87Bits)) {
      std::cerr << "gaugebench: --x87 needs a 32-bit x86 build, whose doubles use the x87 unit\n";
      return bench::Runner::kScriptError;
    }
    if (*runs) return RunScripts(scriptFiles, modulesDir, traceDir);
    if (*run) return RunScript(scriptFile, modulesDir, traceFile, drawing, audioFile);
    if (*shot) return RunScript(scriptFile, modulesDir, traceFile, drawing);
  } catch (const std::exception& error) {
    std::cerr << "gaugebench: " << error.what() << "\n";
    return bench::Runner::kScriptError;
  }
  return 0;
}
