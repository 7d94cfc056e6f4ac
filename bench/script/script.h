// Bench scripts: one command a line, read whole before anything runs.
#pragma once

#include <cstdint>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

namespace bench {

// A word of a script line: as written, and (for a string) its text.
struct Word {
  std::string raw;   // as written, quotes and escapes kept
  std::string text;  // a string's characters; a bare word's own text
  bool quoted = false;
};

enum class Op {
  kPanel, kLoad, kInstall, kInit, kUpdate, kFrame, kClick, kArea, kKill, kUnload,
  kToken, kExtvar, kPoke, kWindow, kRegistry, kSoundfile,
  kExpect, kExpectNo, kCheckHidden, kCheckShown, kCheckVar,
};

struct Command {
  int line = 0;
  Op op = Op::kFrame;
  std::string echo;                 // "> " and the words joined by single spaces
  std::vector<std::string> gauges;  // the gauge(s) named
  int32_t numbers[2] = {0, 0};      // frame N; click X Y; area N; token T; poke V; check I
  double real = 0.0;                // token V
  std::string name;                 // extvar, poke, registry, soundfile, check var
  std::string text;                 // registry TEXT, soundfile PATH, check var V, expect LINE
  bool flag = false;                // window on; registry NAME - (delete)

  bool IsCheck() const {
    return op == Op::kExpect || op == Op::kExpectNo || op == Op::kCheckHidden ||
           op == Op::kCheckShown || op == Op::kCheckVar;
  }
};

// A script that cannot be run, and the line that says why.
class ScriptError : public std::runtime_error {
 public:
  ScriptError(int line, const std::string& what) : std::runtime_error(what), line_(line) {}
  int line() const { return line_; }

 private:
  int line_;
};

// Splits one line into words; `#` outside a string starts a comment.
std::vector<Word> SplitWords(std::string_view line, int lineNumber);

// Reads a whole script; throws ScriptError at the first bad line.
std::vector<Command> ParseScript(std::string_view text);

// The number forms of scripts, shared with the command line.
bool ParseInt32(std::string_view word, int32_t& out);
bool ParseReal(std::string_view word, double& out);

// Gauge names the bench knows.
bool IsGaugeName(std::string_view name);

}  // namespace bench
