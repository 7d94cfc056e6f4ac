#include "bench/script/script.h"

#include <gtest/gtest.h>

#include <cmath>

namespace bench {
namespace {

TEST(ScriptWords, StringsKeepTheirRawFormAndCommentsEndTheLine) {
  auto words = SplitWords(R"(registry path "C:\FS\" \"q\\" # note "x")", 1);
  ASSERT_EQ(words.size(), 3u);
  EXPECT_EQ(words[2].raw, R"("C:\FS\" \"q\\")");
  EXPECT_EQ(words[2].text, R"(C:\FS" "q\)");
  EXPECT_TRUE(words[2].quoted);

  words = SplitWords(R"(registry x "a # b")", 1);
  ASSERT_EQ(words.size(), 3u);
  EXPECT_EQ(words[2].text, "a # b");
  EXPECT_EQ(SplitWords("\tframe\t 3#comment", 1).size(), 2u);
  EXPECT_EQ(SplitWords(R"(registry x "")", 1)[2].text, "");
}

TEST(ScriptNumbers, IntegersAreDecimalOrHexAndFit32Bits) {
  struct Case {
    const char* word;
    bool ok;
    int32_t value;
  } cases[] = {
      {"0", true, 0},          {"-5", true, -5},          {"+7", true, 7},
      {"0x10", true, 16},      {"-0x10", true, -16},      {"2147483647", true, INT32_MAX},
      {"-2147483648", true, INT32_MIN}, {"0x7fffffff", true, INT32_MAX},
      {"2147483648", false, 0}, {"0xffffffff", false, 0}, {"1.0", false, 0},
      {"", false, 0},          {"0x", false, 0},          {"12a", false, 0},
      {"--1", false, 0},       {"99999999999999999999", false, 0},
  };
  for (const Case& c : cases) {
    int32_t value = 0;
    EXPECT_EQ(ParseInt32(c.word, value), c.ok) << c.word;
    if (c.ok) {
      EXPECT_EQ(value, c.value) << c.word;
    }
  }
}

TEST(ScriptNumbers, RealsTakeTheCFormsAndTheThreeWords) {
  struct Case {
    const char* word;
    bool ok;
    double value;
  } cases[] = {
      {"304.8", true, 304.8}, {"-5", true, -5.0},   {"1e300", true, 1e300},
      {".5", true, 0.5},      {"+2", true, 2.0},    {"0x1.8p1", true, 3.0},
      {"-0x10", true, -16.0}, {"inf", true, INFINITY}, {"+inf", true, INFINITY},
      {"-inf", true, -INFINITY}, {"infinity", false, 0}, {"NaN", false, 0},
      {"-nan", false, 0},     {"1e999", false, 0},  {"abc", false, 0},
      {"1.0.0", false, 0},    {"", false, 0},       {"+-1", false, 0},
  };
  for (const Case& c : cases) {
    double value = 0;
    EXPECT_EQ(ParseReal(c.word, value), c.ok) << c.word;
    if (c.ok) {
      EXPECT_EQ(value, c.value) << c.word;
    }
  }
  double value = 0;
  ASSERT_TRUE(ParseReal("nan", value));
  EXPECT_TRUE(std::isnan(value));
}

TEST(ScriptParse, CommandsCarryTheirArgumentsAndEcho) {
  auto commands = ParseScript(
      "panel guidepanel levelset  # the panel\n"
      "\n"
      "token 73 304.8\n"
      "click levelset 61 4\n"
      "expect   key guidepanel 0x1 0\n"
      "registry path \"$HOSTDIR\"\n"
      "registry PlayerName -\n"
      "frame\n");
  ASSERT_EQ(commands.size(), 7u);
  EXPECT_EQ(commands[0].echo, "> panel guidepanel levelset");
  EXPECT_EQ(commands[0].gauges.size(), 2u);
  EXPECT_EQ(commands[1].numbers[0], 73);
  EXPECT_EQ(commands[1].real, 304.8);
  EXPECT_EQ(commands[1].line, 3);
  EXPECT_EQ(commands[3].text, "key guidepanel 0x1 0");
  EXPECT_EQ(commands[4].echo, "> registry path \"$HOSTDIR\"");
  EXPECT_TRUE(commands[5].flag);
  EXPECT_EQ(commands[6].numbers[0], 1);
}

TEST(ScriptParse, SyntaxErrorsNameTheirLine) {
  struct Case {
    const char* script;
    int line;
    const char* says;
  } cases[] = {
      {"frame\nfly levelset\n", 2, "unknown command"},
      {"load nosuchgauge\n", 1, "unknown gauge"},
      {"frame\n\nclick levelset 1\n", 3, "takes 3 arguments"},
      {"token 73 abc\n", 1, "not a real number"},
      {"area levelset 0\n", 1, "numbered from 1"},
      {"registry path \"open\n", 1, "unterminated string"},
      {"registry path x\"y\"\n", 1, "whole word"},
      {"expect key levelset 0x1 0\n", 1, "no command before it"},
      {"check shown levelset 1\nexpect > frame\n", 2, "no command before it"},
      {"panel levelset levelset\n", 1, "twice"},
      {"frame -1\n", 1, "negative"},
      {"window maybe\n", 1, "on or off"},
      {"poke \"Alt_Sel\" 3\n", 1, "bare word"},
      {"soundfile ../x.wav x.wav\n", 1, "plain file name"},
      {"check var Alt_Sel\n", 1, "check var takes"},
  };
  for (const Case& c : cases) {
    try {
      ParseScript(c.script);
      ADD_FAILURE() << "no error for: " << c.script;
    } catch (const ScriptError& error) {
      EXPECT_EQ(error.line(), c.line) << c.script;
      EXPECT_NE(std::string(error.what()).find(c.says), std::string::npos)
          << c.script << " said: " << error.what();
    }
  }
}

}  // namespace
}  // namespace bench
