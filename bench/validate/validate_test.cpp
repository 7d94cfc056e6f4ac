// The validator's parts: following a module's lists safely, the copy that
// catches changed records, the child process that turns a crash or a hang
// into a result, and the values and files the stress checks feed.
#include <gtest/gtest.h>

#include <cmath>
#include <csignal>
#include <thread>

#include "bench/host/module_library.h"
#include "bench/validate/child.h"
#include "bench/validate/records.h"
#include "bench/validate/session.h"
#include "bench/validate/values.h"
#include "bench/validate/world_inputs.h"

namespace bench::validate {
namespace {

const std::filesystem::path kModules = GAUGE_MODULE_DIR;

// An image that is exactly the given object, as if it were a whole module.
template <class T>
ModuleImage ImageOf(T& object) {
  const auto begin = reinterpret_cast<uintptr_t>(&object);
  return ModuleImage({{begin, begin + sizeof(T), true, false}});
}

TEST(ReadTree, StopsWhereTheChildListStopsNamingElements) {
  struct {
    StaticElement root{};
    IconElement icon{};
    ElementHeader* children[3] = {};
  } module;
  module.root.header.kind = kStaticElement;
  module.root.header.children = module.children;
  module.icon.header.kind = kIconElement;
  const ModuleImage image = ImageOf(module);

  module.children[0] = &module.icon.header;
  EXPECT_EQ(ReadTree(image, &module.root).elements.size(), 2u);

  // The null entry missing: the list runs into an entry that names nothing.
  module.children[1] = reinterpret_cast<ElementHeader*>(uintptr_t{0x40000006});
  Tree tree = ReadTree(image, &module.root);
  EXPECT_NE(tree.error.find("entry 2 of the root's child list (0x40000006) does not name a record"),
            std::string::npos)
      << tree.error;

  // Every entry names an element: the list runs off the end of the module.
  module.children[1] = module.children[2] = &module.icon.header;
  tree = ReadTree(image, &module.root);
  EXPECT_NE(tree.error.find("runs out of the module's data after 3 entries"), std::string::npos)
      << tree.error;

  module.children[1] = &module.root.header;
  module.root.header.kind = 9;
  EXPECT_NE(ReadTree(image, &module.root).error.find("not a StaticElement"), std::string::npos);
}

TEST(ReadMouseList, ReadsNothingPastTheFirstRecordOutOfShape) {
  struct {
    MouseRect records[5] = {};
  } module;
  const ModuleImage image = ImageOf(module);
  const int32_t kinds[][5] = {{1, 2, 2, 3, 0}, {1, 2, 5, 3, 0}, {1, 3, 2, 0, 0},
                              {2, 3, 0, 0, 0}, {1, 2, 2, 2, 2}};
  const char* errors[] = {
      "",
      "the mouse list is not closed: its 1 click areas are followed by a record of kind 5",
      "the mouse list is not ended: its end-of-parent record is followed by a record of kind 2",
      "the mouse list starts with a record of kind 2, not a parent record (kind 1)",
      "the mouse list runs out of the module's data after 5 records",
  };
  const size_t read[] = {5, 3, 3, 1, 5};
  for (size_t c = 0; c < 5; ++c) {
    for (size_t i = 0; i < 5; ++i) module.records[i].kind = kinds[c][i];
    const MouseList list = ReadMouseList(image, module.records);
    EXPECT_EQ(list.error.substr(0, std::string(errors[c]).size()), errors[c]) << c;
    EXPECT_EQ(list.records.size(), read[c]) << c;
  }
}

TEST(Snapshot, LetsImageHiddenChangeAndNamesAnyOtherField) {
  IconElement icon{};
  icon.header.kind = kIconElement;
  icon.header.imageFlags = 0x40000006;
  std::vector<uint8_t> mask(sizeof icon, 0xff);
  mask[offsetof(ElementHeader, imageFlags) + 3] = 0xbf;
  Snapshot snapshot;
  snapshot.Add(&icon, sizeof icon, mask, [](size_t offset, const uint8_t* before, const uint8_t* now) {
    const FieldInfo field = ElementField(kIconElement, offset);
    return field.name + " " + FieldValue(field, before) + " -> " + FieldValue(field, now);
  });
  icon.header.imageFlags &= ~ImageHidden;
  EXPECT_FALSE(snapshot.FirstChange());
  icon.header.imageFlags |= 1;
  EXPECT_EQ(snapshot.FirstChange(), "imageFlags 0x40000006 -> 0x7");
  icon.header.imageFlags = 0x40000006;
  icon.source.pointer = &icon;
  EXPECT_EQ(snapshot.FirstChange().value_or("").substr(0, 17), "source.pointer 0x");
  icon.source.pointer = nullptr;
  icon.imageCount = -3;
  EXPECT_EQ(snapshot.FirstChange(), "imageCount 0 -> -3");
}

// Checks that misbehave on purpose, for the child process.
void Crashes(CheckEnv& env) {
  env.report->Step("step 7: the crash");
  std::raise(SIGSEGV);
}
void Hangs(CheckEnv& env) {
  env.report->Step("step 3: the hang");
  std::this_thread::sleep_for(std::chrono::seconds(30));
}
void Fails(CheckEnv& env) {
  env.report->Step("step 1");
  env.report->Fail("first fault");
  env.report->Fail("second fault");
}

Outcome RunTestCheck(void (*run)(CheckEnv&), int timeoutSeconds = 20) {
  const Check check{"test.check", kLevelLoad, "a test", run};
  return RunInChild({&check, "", "test", 1, 1, false, timeoutSeconds}, [](std::string_view) {});
}

TEST(Child, ACrashIsAResultWithItsLastStep) {
  const Outcome outcome = RunTestCheck(&Crashes);
  EXPECT_FALSE(outcome.done);
  EXPECT_EQ(outcome.lastStep, "step 7: the crash");
  // Killed by the signal, or ended by a sanitizer that caught it first.
  EXPECT_TRUE(outcome.ending.starts_with("crashed (signal 11") ||
              outcome.ending.starts_with("ended with exit status"))
      << outcome.ending;
}

TEST(Child, AHangIsEndedAfterTheTimeout) {
  const Outcome outcome = RunTestCheck(&Hangs, 1);
  EXPECT_EQ(outcome.ending, "did not finish within 1 s");
  EXPECT_EQ(outcome.lastStep, "step 3: the hang");
}

TEST(Child, FailuresComeBackInOrder) {
  const Outcome outcome = RunTestCheck(&Fails);
  EXPECT_TRUE(outcome.done);
  EXPECT_TRUE(outcome.ending.empty()) << outcome.ending;
  EXPECT_EQ(outcome.failures, (std::vector<std::string>{"first fault", "second fault"}));
}

TEST(Values, TokenValuesReachEveryKindOfAwkwardNumber) {
  Random random(42);
  bool nan = false, infinite = false, negativeZero = false, subnormal = false, huge = false;
  for (int i = 0; i < 20000; ++i) {
    const double v = TokenValue(random);
    nan |= std::isnan(v);
    infinite |= std::isinf(v);
    negativeZero |= v == 0.0 && std::signbit(v);
    subnormal |= std::fpclassify(v) == FP_SUBNORMAL;
    huge |= std::isfinite(v) && std::fabs(v) > 4294967296.0;
  }
  EXPECT_TRUE(nan && infinite && negativeZero && subnormal && huge);
}

TEST(World, TheDimmerCarriesTheNameOfItsSoundFile) {
  std::string why;
  auto library = ModuleLibrary::Open(kModules / ModuleLibrary::FileName("dimmer"), why);
  ASSERT_NE(library, nullptr) << why;
  EXPECT_EQ(SoundFileNames(ModuleImage::Of(*library)), std::vector<std::string>{"click.wav"});
  library = ModuleLibrary::Open(kModules / ModuleLibrary::FileName("levelset"), why);
  ASSERT_NE(library, nullptr) << why;
  EXPECT_TRUE(SoundFileNames(ModuleImage::Of(*library)).empty());
}

TEST(World, GoodWaveFilesAreRiffWave) {
  Random random(7);
  for (int i = 0; i < 50; ++i) {
    const WaveFile file = MakeGoodWaveFile(random);
    ASSERT_GE(file.bytes.size(), 44u);
    EXPECT_EQ(std::string(file.bytes.begin(), file.bytes.begin() + 4), "RIFF");
    EXPECT_EQ(std::string(file.bytes.begin() + 8, file.bytes.begin() + 16), "WAVEfmt ");
    const uint32_t riffSize = file.bytes[4] | file.bytes[5] << 8 | file.bytes[6] << 16 |
                              static_cast<uint32_t>(file.bytes[7]) << 24;
    EXPECT_EQ(riffSize + 8, file.bytes.size());
  }
}

}  // namespace
}  // namespace bench::validate
