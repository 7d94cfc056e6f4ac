#include "bench/script/script.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <limits>

namespace bench {

namespace {

constexpr std::string_view kGaugeNames[] = {"guidepanel", "levelset", "radalt", "dimmer"};

bool IsBlank(char c) { return c == ' ' || c == '\t' || c == '\r'; }

[[noreturn]] void Fail(int line, const std::string& what) { throw ScriptError(line, what); }

struct Reader {
  const std::vector<Word>& words;
  int line;
  std::string_view command;

  void Count(size_t least, size_t most) const {
    const size_t args = words.size() - 1;
    if (args < least || args > most) {
      std::string want = least == most ? std::to_string(least)
                                       : std::to_string(least) + " to " + std::to_string(most);
      Fail(line, std::string(command) + " takes " + want + " argument" +
                     (most == 1 ? "" : "s") + ", not " + std::to_string(args));
    }
  }
  const Word& At(size_t i) const { return words[i]; }
  std::string Bare(size_t i, std::string_view what) const {
    if (words[i].quoted) Fail(line, std::string(what) + " must be a bare word, not a string");
    return words[i].text;
  }
  std::string Gauge(size_t i) const {
    std::string name = Bare(i, "a gauge name");
    if (!IsGaugeName(name)) {
      Fail(line, "unknown gauge '" + name + "' (guidepanel, levelset, radalt or dimmer)");
    }
    return name;
  }
  int32_t Int(size_t i, std::string_view what) const {
    int32_t value = 0;
    if (words[i].quoted || !ParseInt32(words[i].text, value)) {
      Fail(line, std::string(what) + " '" + words[i].raw +
                     "' is not an integer that fits 32 bits");
    }
    return value;
  }
  double Real(size_t i, std::string_view what) const {
    double value = 0.0;
    if (words[i].quoted || !ParseReal(words[i].text, value)) {
      Fail(line, std::string(what) + " '" + words[i].raw + "' is not a real number");
    }
    return value;
  }
  std::string Rest(size_t from) const {
    std::string joined;
    for (size_t i = from; i < words.size(); ++i) {
      if (i > from) joined += ' ';
      joined += words[i].raw;
    }
    return joined;
  }
};

Command Parse(const std::vector<Word>& words, int line) {
  Command c;
  c.line = line;
  c.echo = ">";
  for (const Word& w : words) c.echo += " " + w.raw;
  const std::string& verb = words[0].text;
  if (words[0].quoted) Fail(line, "a command cannot be a string");
  Reader r{words, line, verb};

  auto single_gauge = [&](Op op) {
    r.Count(1, 1);
    c.op = op;
    c.gauges.push_back(r.Gauge(1));
  };

  if (verb == "panel") {
    if (words.size() < 2) Fail(line, "panel names at least one gauge");
    c.op = Op::kPanel;
    for (size_t i = 1; i < words.size(); ++i) {
      std::string g = r.Gauge(i);
      if (std::find(c.gauges.begin(), c.gauges.end(), g) != c.gauges.end()) {
        Fail(line, "panel names " + g + " twice");
      }
      c.gauges.push_back(g);
    }
  } else if (verb == "load") {
    single_gauge(Op::kLoad);
  } else if (verb == "install") {
    single_gauge(Op::kInstall);
  } else if (verb == "init") {
    single_gauge(Op::kInit);
  } else if (verb == "update") {
    single_gauge(Op::kUpdate);
  } else if (verb == "kill") {
    single_gauge(Op::kKill);
  } else if (verb == "unload") {
    single_gauge(Op::kUnload);
  } else if (verb == "frame") {
    r.Count(0, 1);
    c.op = Op::kFrame;
    c.numbers[0] = words.size() == 2 ? r.Int(1, "the frame count") : 1;
    if (c.numbers[0] < 0) Fail(line, "the frame count cannot be negative");
  } else if (verb == "click") {
    r.Count(3, 3);
    c.op = Op::kClick;
    c.gauges.push_back(r.Gauge(1));
    c.numbers[0] = r.Int(2, "x");
    c.numbers[1] = r.Int(3, "y");
  } else if (verb == "area") {
    r.Count(2, 2);
    c.op = Op::kArea;
    c.gauges.push_back(r.Gauge(1));
    c.numbers[0] = r.Int(2, "the area number");
    if (c.numbers[0] < 1) Fail(line, "click areas are numbered from 1");
  } else if (verb == "token") {
    r.Count(2, 2);
    c.op = Op::kToken;
    c.numbers[0] = r.Int(1, "the token number");
    c.real = r.Real(2, "the token value");
  } else if (verb == "extvar") {
    r.Count(1, 1);
    c.op = Op::kExtvar;
    c.name = r.Bare(1, "a variable name");
  } else if (verb == "poke") {
    r.Count(2, 2);
    c.op = Op::kPoke;
    c.name = r.Bare(1, "a variable name");
    c.numbers[0] = r.Int(2, "the value");
  } else if (verb == "window") {
    r.Count(1, 1);
    c.op = Op::kWindow;
    std::string state = r.Bare(1, "the window state");
    if (state != "on" && state != "off") Fail(line, "window takes on or off, not " + state);
    c.flag = state == "on";
  } else if (verb == "registry") {
    r.Count(2, 2);
    c.op = Op::kRegistry;
    c.name = r.At(1).text;
    if (!r.At(2).quoted) {
      if (r.At(2).text != "-") {
        Fail(line, "registry takes a string value in double quotes, or - to delete it");
      }
      c.flag = true;
    } else {
      c.text = r.At(2).text;
    }
  } else if (verb == "soundfile") {
    r.Count(2, 2);
    c.op = Op::kSoundfile;
    c.name = r.At(1).text;
    c.text = r.At(2).text;
    if (c.name.empty() || c.name.find_first_of("/\\") != std::string::npos ||
        c.name == "." || c.name == "..") {
      Fail(line, "soundfile takes a plain file name, not '" + r.At(1).raw + "'");
    }
  } else if (verb == "expect" || verb == "expect-no") {
    if (words.size() < 2) Fail(line, verb + " needs the trace line to look for");
    c.op = verb == "expect" ? Op::kExpect : Op::kExpectNo;
    c.text = r.Rest(1);
  } else if (verb == "check") {
    if (words.size() < 2) Fail(line, "check takes hidden, shown or var");
    const std::string what = r.Bare(1, "what to check");
    if (what == "hidden" || what == "shown") {
      if (words.size() != 4) Fail(line, "check " + what + " takes a gauge and an element number");
      c.op = what == "hidden" ? Op::kCheckHidden : Op::kCheckShown;
      c.gauges.push_back(r.Gauge(2));
      c.numbers[0] = r.Int(3, "the element number");
    } else if (what == "var") {
      if (words.size() != 4) Fail(line, "check var takes a variable name and a value");
      c.op = Op::kCheckVar;
      c.name = r.Bare(2, "a variable name");
      c.text = r.At(3).raw;
    } else {
      Fail(line, "check takes hidden, shown or var, not " + what);
    }
  } else {
    Fail(line, "unknown command '" + verb + "'");
  }
  return c;
}

}  // namespace

bool IsGaugeName(std::string_view name) {
  return std::find(std::begin(kGaugeNames), std::end(kGaugeNames), name) !=
         std::end(kGaugeNames);
}

std::vector<Word> SplitWords(std::string_view line, int lineNumber) {
  std::vector<Word> words;
  size_t i = 0;
  while (i < line.size()) {
    if (IsBlank(line[i])) {
      ++i;
      continue;
    }
    if (line[i] == '#') break;
    Word word;
    const size_t start = i;
    if (line[i] == '"') {
      word.quoted = true;
      ++i;
      bool closed = false;
      while (i < line.size()) {
        const char c = line[i];
        if (c == '\\' && i + 1 < line.size() && (line[i + 1] == '\\' || line[i + 1] == '"')) {
          word.text += line[i + 1];
          i += 2;
        } else if (c == '"') {
          closed = true;
          ++i;
          break;
        } else {
          word.text += c;
          ++i;
        }
      }
      if (!closed) Fail(lineNumber, "unterminated string");
      if (i < line.size() && !IsBlank(line[i]) && line[i] != '#') {
        Fail(lineNumber, "a string must be a whole word");
      }
    } else {
      while (i < line.size() && !IsBlank(line[i]) && line[i] != '#') {
        if (line[i] == '"') Fail(lineNumber, "a string must be a whole word");
        ++i;
      }
      word.text = std::string(line.substr(start, i - start));
    }
    word.raw = std::string(line.substr(start, i - start));
    words.push_back(std::move(word));
  }
  return words;
}

std::vector<Command> ParseScript(std::string_view text) {
  std::vector<Command> commands;
  int lineNumber = 0;
  size_t pos = 0;
  while (pos <= text.size()) {
    size_t end = text.find('\n', pos);
    if (end == std::string_view::npos) end = text.size();
    std::string_view line = text.substr(pos, end - pos);
    ++lineNumber;
    pos = end + 1;
    std::vector<Word> words = SplitWords(line, lineNumber);
    if (words.empty()) {
      if (end == text.size()) break;
      continue;
    }
    Command command = Parse(words, lineNumber);
    if ((command.op == Op::kExpect || command.op == Op::kExpectNo)) {
      // An expect looks at the last command that is not a check.
      bool found = std::any_of(commands.begin(), commands.end(),
                               [](const Command& c) { return !c.IsCheck(); });
      if (!found) Fail(lineNumber, "expect has no command before it to look at");
    }
    commands.push_back(std::move(command));
    if (end == text.size()) break;
  }
  return commands;
}

bool ParseInt32(std::string_view word, int32_t& out) {
  bool negative = false;
  if (!word.empty() && (word[0] == '+' || word[0] == '-')) {
    negative = word[0] == '-';
    word.remove_prefix(1);
  }
  int base = 10;
  if (word.size() > 2 && word[0] == '0' && (word[1] == 'x' || word[1] == 'X')) {
    base = 16;
    word.remove_prefix(2);
  }
  if (word.empty()) return false;
  uint64_t magnitude = 0;
  auto [end, error] = std::from_chars(word.data(), word.data() + word.size(), magnitude, base);
  if (error != std::errc() || end != word.data() + word.size()) return false;
  const int64_t value = negative ? -static_cast<int64_t>(magnitude) : static_cast<int64_t>(magnitude);
  if (magnitude > (uint64_t{1} << 32) || value < std::numeric_limits<int32_t>::min() ||
      value > std::numeric_limits<int32_t>::max()) {
    return false;
  }
  out = static_cast<int32_t>(value);
  return true;
}

bool ParseReal(std::string_view word, double& out) {
  constexpr double kInf = std::numeric_limits<double>::infinity();
  if (word == "nan") {
    out = std::numeric_limits<double>::quiet_NaN();
    return true;
  }
  if (word == "inf" || word == "+inf") {
    out = kInf;
    return true;
  }
  if (word == "-inf") {
    out = -kInf;
    return true;
  }
  bool negative = false;
  if (!word.empty() && (word[0] == '+' || word[0] == '-')) {
    negative = word[0] == '-';
    word.remove_prefix(1);
  }
  auto format = std::chars_format::general;
  if (word.size() > 2 && word[0] == '0' && (word[1] == 'x' || word[1] == 'X')) {
    format = std::chars_format::hex;
    word.remove_prefix(2);
  }
  // Only digits or a point may start the number: no second sign, no words.
  if (word.empty() || !(std::isxdigit(static_cast<unsigned char>(word[0])) || word[0] == '.') ||
      (format == std::chars_format::general && !std::isdigit(static_cast<unsigned char>(word[0])) &&
       word[0] != '.')) {
    return false;
  }
  double value = 0.0;
  auto [end, error] = std::from_chars(word.data(), word.data() + word.size(), value, format);
  if (error != std::errc() || end != word.data() + word.size()) return false;
  out = negative ? -value : value;
  return true;
}

}  // namespace bench
