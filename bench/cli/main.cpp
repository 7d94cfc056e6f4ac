// gaugebench: the gauge bench's command line.
#include <CLI/CLI.hpp>

#include <fstream>
#include <iostream>
#include <sstream>

#include "bench/host/host.h"
#include "bench/script/runner.h"
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

int RunScript(const std::string& scriptFile, const std::string& modulesDir,
              const std::string& traceFile) {
  std::ifstream in(scriptFile, std::ios::binary);
  if (!in) {
    std::cerr << "gaugebench: cannot read " << scriptFile << "\n";
    return bench::Runner::kScriptError;
  }
  std::stringstream text;
  text << in.rdbuf();

  std::ofstream traceOut;
  std::ostream* trace = &std::cout;
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
  bench::Host host;
  bench::Runner runner(host, world, *trace, std::cerr, options);
  return runner.Run(text.str());
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

  try {
    app.parse(argc, argv);
  } catch (const CLI::ParseError& error) {
    const int status = app.exit(error);
    return status == 0 ? 0 : bench::Runner::kScriptError;
  }

  try {
    if (*run) return RunScript(scriptFile, modulesDir, traceFile);
  } catch (const std::exception& error) {
    std::cerr << "gaugebench: " << error.what() << "\n";
    return bench::Runner::kScriptError;
  }
  return 0;
}
