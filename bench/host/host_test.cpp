// The host's part of the module lifecycle, against a real gauge module.
#include "bench/host/host.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace bench {
namespace {

const std::filesystem::path kModules = GAUGE_MODULE_DIR;

class Recorder : public HostObserver {
 public:
  std::vector<std::string> calls;
  std::vector<std::string> faults;
  void KeyEvent(const Gauge&, uint32_t, int32_t) override {}
  void LookUp(const Gauge&, int32_t) override {}
  void Register(const Gauge&, const char*) override {}
  void Unregister(const Gauge&, const char*) override {}
  void Bind(const Gauge&, const char*, bool) override {}
  void Play(const Gauge&, uint32_t) override {}
  void Fault(const Gauge&, const std::string& what) override { faults.push_back(what); }
  void HostCall(const Gauge&, const char* operation) override { calls.push_back(operation); }
};

TEST(HostLifecycle, GenericRoutinesCallTheHostInOrder) {
  Host host;
  Recorder recorder;
  host.set_observer(&recorder);
  Gauge& gauge = host.Load("levelset", kModules / ModuleLibrary::FileName("levelset"));
  EXPECT_EQ(gauge.hostSlot->address, &host.table());
  EXPECT_EQ(gauge.root->imageRecord, nullptr);  // nothing filled before install
  ASSERT_EQ(gauge.elements.size(), 6u);

  host.Install(gauge, 0x89abcdef);
  EXPECT_EQ(gauge.installValue, 0x89abcdefu);  // passed on unchanged
  EXPECT_EQ(recorder.calls, (std::vector<std::string>{"ElementListInstall", "MouseListInstall",
                                                      "MouseListRegister"}));
  EXPECT_EQ(gauge.root->imageRecord, &gauge.imageRecord);
  EXPECT_TRUE(gauge.mouseRegistered);
  EXPECT_EQ(gauge.areas.size(), 10u);

  recorder.calls.clear();
  host.Initialize(gauge);
  host.Update(gauge);
  host.Generate(gauge, 0xfffffffe);
  EXPECT_EQ(gauge.generateValue, 0xfffffffeu);
  host.Draw(gauge);
  EXPECT_EQ(host.Query(gauge), 0u);
  host.Kill(gauge);
  EXPECT_EQ(recorder.calls,
            (std::vector<std::string>{"BindNamedVar", "ElementListInitialize", "ElementListUpdate",
                                      "ElementListGenerate", "ElementListDraw", "ElementListQuery",
                                      "ElementListKill", "MouseListUnregister"}));
  EXPECT_FALSE(gauge.mouseRegistered);
  EXPECT_TRUE(recorder.faults.empty());
}

TEST(HostLifecycle, UnloadThenLoadStartsFromFreshStaticState) {
  Host host;
  auto file = kModules / ModuleLibrary::FileName("levelset");
  Gauge* gauge = &host.Load("levelset", file);
  host.Install(*gauge, 0);
  host.Initialize(*gauge);
  host.CallArea(*gauge, 1);  // wheel 1 up
  host.Update(*gauge);
  EXPECT_EQ(gauge->values[1].value[1], 1.0);
  host.Kill(*gauge);
  host.Unload(*gauge);

  gauge = &host.Load("levelset", file);
  host.Install(*gauge, 0);
  host.Initialize(*gauge);
  host.Update(*gauge);
  EXPECT_EQ(gauge->values[1].value[1], 0.0);
}

TEST(HostNamedVars, UnregisterClearsBoundPointersAndBindsOfUnknownNamesStayEmpty) {
  Host host;
  Gauge& gauge = host.Load("levelset", kModules / ModuleLibrary::FileName("levelset"));
  host.Install(gauge, 0);
  host.Initialize(gauge);  // binds Alt_Sel: nobody registered it yet
  host.CallArea(gauge, 3);  // wheel 2 up
  host.Update(gauge);       // the write is skipped
  EXPECT_EQ(host.FindVar("Alt_Sel"), nullptr);

  ASSERT_TRUE(host.RegisterExternal("Alt_Sel"));
  EXPECT_FALSE(host.RegisterExternal("Alt_Sel"));
  host.Kill(gauge);
  host.Install(gauge, 0);
  host.Initialize(gauge);  // now the bind finds the cell
  host.Update(gauge);
  EXPECT_EQ(host.FindVar("Alt_Sel")->Read(), 1000);

  // Once the name is gone the binder no longer reaches its storage (which
  // the sanitizer build would catch as a write into freed memory), not even
  // a new cell registered under the same name later.
  host.table().UnregisterNamedVar("Alt_Sel");
  EXPECT_EQ(host.FindVar("Alt_Sel"), nullptr);
  ASSERT_TRUE(host.RegisterExternal("Alt_Sel"));
  host.CallArea(gauge, 1);
  host.Update(gauge);
  EXPECT_EQ(host.FindVar("Alt_Sel")->Read(), 0x55555555);
  host.Kill(gauge);
  host.Unload(gauge);
  EXPECT_NE(host.FindVar("Alt_Sel"), nullptr);  // a variable outside the panel stays
}

TEST(HostClicks, FirstAreaHoldingThePointWinsAndEdgesAreHalfOpen) {
  Host host;
  Gauge& gauge = host.Load("levelset", kModules / ModuleLibrary::FileName("levelset"));
  EXPECT_FALSE(host.Click(gauge, 61, 4));  // not registered before install
  host.Install(gauge, 0);
  host.Initialize(gauge);
  struct Case {
    int32_t x, y;
    bool hit;
  } cases[] = {
      {60, 3, true},  {82, 47, true}, {83, 3, false}, {59, 3, false},
      {60, 2, false}, {60, 92, true}, {60, 93, false}, {30, 40, false},
      {0, 0, false},  {-1, -1, false}, {INT32_MAX, INT32_MAX, false},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(host.Click(gauge, c.x, c.y), c.hit) << c.x << "," << c.y;
  }
}

TEST(HostLoad, NamesWhatIsWrongWithAModule) {
  Host host;
  try {
    host.Load("levelset", kModules / "no-such-module.so");
    FAIL();
  } catch (const ModuleError& error) {
    EXPECT_NE(std::string(error.what()).find("levelset"), std::string::npos);
    EXPECT_NE(std::string(error.what()).find("cannot be loaded"), std::string::npos);
  }
}

}  // namespace
}  // namespace bench
