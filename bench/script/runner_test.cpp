// Whole runs: trace rules, exit statuses and errors.
#include "bench/script/runner.h"

#include <gtest/gtest.h>

#include <limits>
#include <sstream>

namespace bench {
namespace {

struct RunResult {
  int status;
  std::string trace;
  std::string messages;
};

RunResult RunText(const std::string& script) {
  World world;
  Host host;
  std::ostringstream trace, messages;
  RunOptions options{GAUGE_MODULE_DIR, ".", "test.bench"};
  Runner runner(host, world, trace, messages, options);
  int status = runner.Run(script);
  return {status, trace.str(), messages.str()};
}

TEST(TraceNumbers, PrintLikePercent17gOnEveryPlatform) {
  EXPECT_EQ(FormatReal(304.8), "304.80000000000001");
  EXPECT_EQ(FormatReal(1.0), "1");
  EXPECT_EQ(FormatReal(-0.0), "-0");
  EXPECT_EQ(FormatReal(1e300), "1.0000000000000001e+300");
  EXPECT_EQ(FormatReal(1e-5), "1.0000000000000001e-05");
  EXPECT_EQ(FormatReal(12340.0), "12340");
  EXPECT_EQ(FormatReal(std::numeric_limits<double>::quiet_NaN()), "nan");
  EXPECT_EQ(FormatReal(-std::numeric_limits<double>::quiet_NaN()), "nan");
  EXPECT_EQ(FormatReal(std::numeric_limits<double>::infinity()), "inf");
  EXPECT_EQ(FormatReal(-std::numeric_limits<double>::infinity()), "-inf");
}

TEST(Runner, PrintsEchoCallsAndNetChangesInOrder) {
  RunResult r = RunText(
      "extvar Alt_Sel   # stands in for the mode panel\n"
      "panel levelset\n"
      "click levelset 61 4\n"
      "frame\n"
      "frame 2\n"
      "poke Alt_Sel -5\n");
  EXPECT_EQ(r.status, 0) << r.messages;
  EXPECT_EQ(r.trace,
            "> extvar Alt_Sel\n"
            "> panel levelset\n"
            "bind levelset Alt_Sel found\n"
            "> click levelset 61 4\n"
            "> frame\n"
            "var Alt_Sel 0x00002710\n"
            "value levelset 1 x 1\n"
            "value levelset 1 y 1\n"
            "value levelset 2 x 1\n"
            "value levelset 2 y 0\n"
            "value levelset 3 x 1\n"
            "value levelset 3 y 0\n"
            "value levelset 4 x 1\n"
            "value levelset 4 y 0\n"
            "value levelset 5 x 1\n"
            "value levelset 5 y 0\n"
            "> frame 2\n"
            "> poke Alt_Sel -5\n"
            "var Alt_Sel 0xfffffffb\n");
}

TEST(Runner, ExpectAndCheckFailuresGiveStatusOneAndTheRunGoesOn) {
  RunResult r = RunText(
      "panel levelset\n"
      "expect bind levelset Alt_Sel found\n"
      "expect-no bind levelset Alt_Sel missing\n"
      "check hidden levelset 1\n"
      "check var Alt_Sel 0\n"
      "frame\n");
  EXPECT_EQ(r.status, 1);
  EXPECT_NE(r.messages.find("test.bench:2: check failed"), std::string::npos) << r.messages;
  EXPECT_NE(r.messages.find("test.bench:3: check failed"), std::string::npos) << r.messages;
  EXPECT_NE(r.messages.find("test.bench:4: check failed"), std::string::npos) << r.messages;
  EXPECT_NE(r.messages.find("test.bench:5: check failed"), std::string::npos) << r.messages;
  EXPECT_NE(r.trace.find("> frame\n"), std::string::npos);  // the run went on
}

TEST(Runner, LifecycleErrorsStopAtTheirLineAfterEarlierLinesRan) {
  struct Case {
    const char* script;
    const char* says;
  } cases[] = {
      {"load levelset\nupdate levelset\n", "test.bench:2: levelset is not initialized"},
      {"load levelset\ninit levelset\n", "test.bench:2: levelset is not installed"},
      {"panel levelset\ninit levelset\n", "already initialized"},
      {"load levelset\nload levelset\n", "already loaded"},
      {"panel levelset\nunload levelset\n", "still installed"},
      {"load levelset\ninstall levelset\nclick levelset 61 4\n", "not yet initialized"},
      {"panel levelset\narea levelset 11\n", "has no click area 11"},
      {"click levelset 1 1\n", "levelset is not loaded"},
      {"poke Alt_Sel 1\n", "nobody has registered Alt_Sel"},
      {"extvar x\nextvar x\n", "test.bench:2: x is already registered"},
      {"frame\ncheck shown levelset 0\n", "levelset is not loaded"},
      {"panel levelset\ncheck shown levelset 6\n", "has no element 6"},
      {"frame\nfly\n", "test.bench:2: unknown command"},
  };
  for (const Case& c : cases) {
    RunResult r = RunText(c.script);
    EXPECT_EQ(r.status, 2) << c.script;
    EXPECT_NE(r.messages.find(c.says), std::string::npos) << c.script << " said: " << r.messages;
  }
  // A syntax error stops the run before its first command.
  EXPECT_EQ(RunText("frame\nfly\n").trace, "");
  // A state error stops at its line: the lines before it printed their trace.
  EXPECT_EQ(RunText("load levelset\nupdate levelset\n").trace, "> load levelset\n");
}

TEST(Runner, ClicksOnAKilledGaugeDoNothingAndKillKeepsTheWheels) {
  RunResult r = RunText(
      "extvar Alt_Sel\n"
      "panel levelset\n"
      "area levelset 5\n"
      "kill levelset\n"
      "click levelset 124 4\n"
      "area levelset 5\n"
      "install levelset\n"
      "init levelset\n"
      "frame\n"
      "check var Alt_Sel 0x00000064\n");
  EXPECT_EQ(r.status, 0) << r.messages << r.trace;
}

TEST(Runner, ABadModuleIsNamedWithWhatIsWrong) {
  World world;
  Host host;
  std::ostringstream trace, messages;
  Runner runner(host, world, trace, messages, {"/nonexistent", ".", "x.bench"});
  EXPECT_EQ(runner.Run("load levelset\n"), 2);
  EXPECT_NE(messages.str().find("x.bench:1: module levelset"), std::string::npos)
      << messages.str();
}

}  // namespace
}  // namespace bench
