// The lifecycle checks: the host's order of calls, repeated install-to-kill
// cycles while the module stays loaded, and unloading and loading again.
#include <cstring>

#include "bench/validate/check.h"
#include "bench/validate/records.h"
#include "bench/validate/session.h"

namespace bench::validate {

namespace {

// What a gauge shows after an update: every element's image flags and the
// values the host took for it.
struct Picture {
  std::vector<uint32_t> flags;
  std::vector<ElementValue> values;
};

Picture TakePicture(const Gauge& gauge) {
  Picture picture;
  for (const ElementHeader* element : gauge.elements) picture.flags.push_back(element->imageFlags);
  picture.values = gauge.values;
  return picture;
}

bool SameBits(double a, double b) { return std::memcmp(&a, &b, sizeof a) == 0; }

// The first difference between two pictures of the same gauge, described.
std::string Difference(const Gauge& gauge, const Picture& now, const Picture& before) {
  for (size_t i = 0; i < now.flags.size() && i < before.flags.size(); ++i) {
    const std::string what = DescribeElement(*gauge.elements[i], i);
    if (now.flags[i] != before.flags[i]) {
      return what + " has the image flags " + Hex(now.flags[i]) + ", not " + Hex(before.flags[i]);
    }
    for (int axis = 0; axis < 2; ++axis) {
      if (!SameBits(now.values[i].value[axis], before.values[i].value[axis])) {
        return what + " has the value " + FormatDouble(now.values[i].value[axis]) + ", not " +
               FormatDouble(before.values[i].value[axis]);
      }
    }
  }
  return {};
}

void ClickEveryArea(Session& session, const std::string& when) {
  const size_t areas = session.gauge() != nullptr ? session.gauge()->areas.size() : 0;
  for (size_t n = 1; n <= areas && !session.failed(); ++n) {
    session.Step(when + ", click area " + std::to_string(n));
    session.CallArea(n);
  }
}

}  // namespace

void CheckLifecycleOrder(CheckEnv& env) {
  Session s(env);
  s.Step("load");
  if (!s.Load()) return;
  for (int i = 1; i <= 3 && !s.failed(); ++i) {
    s.Step("module init and deinit, time " + std::to_string(i));
    s.ModuleInit();
    s.ModuleDeinit();
  }
  s.Step("query before install");
  s.Query();
  s.Step("install with the value 0x89abcdef");
  s.Install(0x89abcdefu);
  s.Step("query after install");
  s.Query();
  s.Step("initialize");
  s.Initialize();
  const uint32_t generateValues[] = {0, 0xffffffffu, 0x12345678u, 1};
  for (int frame = 1; frame <= 12 && !s.failed(); ++frame) {
    s.Step("frame " + std::to_string(frame) + ": update");
    s.Update();
    const uint32_t value = generateValues[frame % 4];
    s.Step("frame " + std::to_string(frame) + ": generate with the value " + Hex(value));
    s.Generate(value);
    s.Step("frame " + std::to_string(frame) + ": draw");
    s.Draw();
    s.Step("frame " + std::to_string(frame) + ": query");
    s.Query();
  }
  s.Step("kill");
  s.Kill();
  s.Step("query after kill");
  s.Query();
  s.Step("unload");
  s.Unload();
}

void CheckLifecycleCycles(CheckEnv& env) {
  Session s(env);
  s.Step("load");
  if (!s.Load()) return;
  std::set<std::string> firstRegistered;
  for (int cycle = 1; cycle <= 3 && !s.failed(); ++cycle) {
    const std::string name = "cycle " + std::to_string(cycle);
    // From the second cycle on, the names the gauge binds are there to find.
    if (cycle >= 2) s.ProvideBoundNames();
    s.Step(name + ", install");
    s.Install(static_cast<uint32_t>(cycle));
    if (s.failed()) return;
    if (cycle == 1) {
      firstRegistered = s.registeredNames();
    } else if (s.registeredNames() != firstRegistered) {
      s.Fail("install registered " + std::to_string(s.registeredNames().size()) +
             " names, not the " + std::to_string(firstRegistered.size()) +
             " of the first install");
      return;
    }
    s.Step(name + ", initialize");
    s.Initialize();
    for (int frame = 1; frame <= 5; ++frame) {
      s.Step(name + ", frame " + std::to_string(frame));
      s.Frame();
    }
    ClickEveryArea(s, name);
    for (int frame = 6; frame <= 10; ++frame) {
      s.Step(name + ", frame " + std::to_string(frame));
      s.Frame();
    }
    s.Step(name + ", kill");
    s.Kill();
  }
  // The host may also take a gauge back that it installed but never initialized.
  s.Step("cycle 4, install");
  s.Install(4);
  s.Step("cycle 4, kill without initialize");
  s.Kill();
  s.Step("cycle 5, install");
  s.Install(5);
  s.Step("cycle 5, initialize");
  s.Initialize();
  s.Step("cycle 5, frame");
  s.Frame();
  s.Step("cycle 5, kill");
  s.Kill();
  s.Step("unload");
  s.Unload();
}

void CheckLifecycleReload(CheckEnv& env) {
  Session s(env);
  s.Step("first load");
  if (!s.Load()) return;
  // What the module shows at its first update after a fresh load.
  s.Step("first load, install");
  s.Install(0);
  s.Step("first load, initialize");
  s.Initialize();
  s.Step("first load, first update");
  s.Update();
  if (s.failed()) return;
  const Picture fresh = TakePicture(*s.gauge());

  for (int round = 1; round <= 3 && !s.failed(); ++round) {
    const std::string name = "load " + std::to_string(round + 1);
    // Change what can be changed, then start again.
    for (int k = 0; k < 3; ++k) ClickEveryArea(s, "before " + name);
    for (int frame = 0; frame < 5; ++frame) {
      s.Step("before " + name + ", frame");
      s.Frame();
    }
    s.Step("before " + name + ", kill");
    s.Kill();
    s.Step("before " + name + ", unload");
    s.Unload();
    s.Step(name);
    if (!s.Load()) return;
    const Gauge& gauge = *s.gauge();
    if (gauge.root->imageRecord != nullptr) {
      s.Fail("after unload and load the root's image-record field still holds " +
             Address(gauge.root->imageRecord));
      return;
    }
    for (size_t i = 0; i < gauge.elements.size(); ++i) {
      for (const Source& source : SourcesOf(*gauge.elements[i])) {
        if (source.variable->pointer != nullptr) {
          s.Fail("after unload and load the " + std::string(source.name) + " of " +
                 DescribeElement(*gauge.elements[i], i) + " is bound");
          return;
        }
      }
    }
    s.Step(name + ", install");
    s.Install(0);
    s.Step(name + ", initialize");
    s.Initialize();
    s.Step(name + ", first update");
    s.Update();
    if (s.failed()) return;
    const std::string difference = Difference(gauge, TakePicture(gauge), fresh);
    if (!difference.empty()) {
      s.Fail("the module does not start afresh when loaded again: at the first update " +
             difference + " as after the first load");
      return;
    }
  }
  s.Step("kill");
  s.Kill();
  s.Step("unload");
  s.Unload();
}

}  // namespace bench::validate
