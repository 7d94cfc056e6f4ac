// The host's hot path: one frame of every gauge of the panel, with no trace
// asked for. The simulator runs this in every frame, so it must stay lean:
// the whole panel's updates well under 2 microseconds a frame.
#include <benchmark/benchmark.h>

#include "bench/host/host.h"

namespace {

const char* const kPanel[] = {"guidepanel", "levelset", "radalt", "dimmer"};

void LoadPanel(bench::Host& host, benchmark::State& state) {
  const std::filesystem::path modules = GAUGE_MODULE_DIR;
  std::string loaded;
  for (const char* name : kPanel) {
    const auto file = modules / bench::ModuleLibrary::FileName(name);
    if (!std::filesystem::exists(file)) continue;
    host.Load(name, file);
    loaded += loaded.empty() ? name : std::string(",") + name;
  }
  for (const auto& gauge : host.gauges()) host.Install(*gauge, 0);
  for (const auto& gauge : host.gauges()) host.Initialize(*gauge);
  state.SetLabel(loaded);
}

void PanelUpdates(benchmark::State& state) {
  bench::Host host;
  LoadPanel(host, state);
  host.SetToken(73, 304.8);
  host.SetToken(2, 256000.0);
  for (auto _ : state) {
    for (const auto& gauge : host.gauges()) host.Update(*gauge);
  }
}
BENCHMARK(PanelUpdates);

void PanelFrames(benchmark::State& state) {
  bench::Host host;
  LoadPanel(host, state);
  for (auto _ : state) {
    for (const auto& gauge : host.gauges()) host.Update(*gauge);
    for (const auto& gauge : host.gauges()) {
      host.Generate(*gauge, 0);
      host.Draw(*gauge);
    }
  }
}
BENCHMARK(PanelFrames);

}  // namespace

BENCHMARK_MAIN();
