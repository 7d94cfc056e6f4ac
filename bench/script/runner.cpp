#include "bench/script/runner.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstdio>
#include <cstring>

namespace bench {

namespace {

class RunError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

std::string HexEvent(uint32_t value) {
  char text[16];
  std::snprintf(text, sizeof text, "0x%x", value);
  return text;
}

// "$HOSTDIR" inside a string stands for the host folder's name.
std::string ExpandHostDir(const std::string& text, const World& world) {
  std::string out;
  const std::string_view key = "$HOSTDIR";
  size_t pos = 0;
  while (true) {
    size_t at = text.find(key, pos);
    if (at == std::string::npos) break;
    out += text.substr(pos, at - pos);
    out += world.HostDirText();
    pos = at + key.size();
  }
  out += text.substr(pos);
  return out;
}

bool SameBits(double a, double b) { return std::memcmp(&a, &b, sizeof a) == 0; }

}  // namespace

std::string FormatReal(double value) {
  if (std::isnan(value)) return "nan";
  if (std::isinf(value)) return value > 0 ? "inf" : "-inf";
  char text[64];
  auto [end, error] = std::to_chars(text, text + sizeof text, value,
                                    std::chars_format::general, 17);
  (void)error;
  return std::string(text, end);
}

std::string FormatVar(const NamedVar& var) {
  const int32_t value = var.Read();
  if (var.externalCell != nullptr) {
    char text[16];
    std::snprintf(text, sizeof text, "0x%08x", static_cast<uint32_t>(value));
    return text;
  }
  return std::to_string(value);
}

Runner::Runner(Host& host, World& world, std::ostream& trace, std::ostream& messages,
               RunOptions options)
    : host_(host), world_(world), trace_(trace), messages_(messages),
      options_(std::move(options)) {
  host_.set_observer(this);
}

int Runner::Run(std::string_view scriptText) {
  std::vector<Command> commands;
  try {
    commands = ParseScript(scriptText);
  } catch (const ScriptError& error) {
    messages_ << options_.scriptName << ":" << error.line() << ": " << error.what() << "\n";
    return kScriptError;
  }
  return Run(commands);
}

int Runner::Run(const std::vector<Command>& commands) {
  status_ = kPassed;
  for (const Command& command : commands) {
    command_ = &command;
    lines_.clear();
    fault_.clear();
    lines_.push_back(command.echo);
    try {
      if (command.IsCheck()) {
        Check(command);
      } else {
        Execute(command);
      }
    } catch (const RunError& error) {
      messages_ << options_.scriptName << ":" << command.line << ": " << error.what() << "\n";
      trace_.flush();
      return kScriptError;
    } catch (const ModuleError& error) {
      messages_ << options_.scriptName << ":" << command.line << ": " << error.what() << "\n";
      trace_.flush();
      return kScriptError;
    } catch (const std::runtime_error& error) {
      messages_ << options_.scriptName << ":" << command.line << ": " << error.what() << "\n";
      trace_.flush();
      return kScriptError;
    }
    AppendChanges();
    for (const std::string& line : lines_) trace_ << line << '\n';
    if (!command.IsCheck()) lastLines_ = lines_;
    if (!fault_.empty()) {
      messages_ << options_.scriptName << ":" << command.line << ": " << fault_ << "\n";
      trace_.flush();
      return kScriptError;
    }
    if (afterCommand) afterCommand(command);
  }
  trace_.flush();
  command_ = nullptr;
  return status_;
}

void Runner::Error(const std::string& what) { throw RunError(what); }

Gauge& Runner::Loaded(const Command&, const std::string& name) {
  Gauge* gauge = host_.Find(name);
  if (gauge == nullptr) Error(name + " is not loaded");
  return *gauge;
}

void Runner::NewBaseline(Gauge& gauge) {
  Baseline& b = baselines_[&gauge];
  b.hidden.resize(gauge.elements.size());
  for (size_t i = 0; i < gauge.elements.size(); ++i) b.hidden[i] = gauge.hidden(i);
  b.printed.assign(gauge.elements.size(), ElementValue{});
}

void Runner::RegisterVarBaseline(const std::string& name) {
  if (NamedVar* var = host_.FindVar(name)) varBaselines_[name] = var->Read();
}

void Runner::Execute(const Command& c) {
  auto require = [&](Gauge& gauge, bool ok, const char* what) {
    if (!ok) Error(gauge.name + " " + what);
  };
  auto load = [&](const std::string& name) {
    if (host_.Find(name) != nullptr) Error(name + " is already loaded");
    const auto file = options_.modulesDir / ModuleLibrary::FileName(name);
    Gauge& gauge = host_.Load(name, file);
    NewBaseline(gauge);
  };
  auto install = [&](Gauge& gauge) {
    require(gauge, gauge.state == GaugeState::kLoaded, "is already installed");
    host_.Install(gauge, 0);
  };
  auto init = [&](Gauge& gauge) {
    require(gauge, gauge.state != GaugeState::kLoaded, "is not installed");
    require(gauge, gauge.state != GaugeState::kInitialized,
            "is already initialized since its install");
    host_.Initialize(gauge);
  };
  // Clicks reach a gauge once it is initialized; before install or after
  // kill there is nothing to click.
  auto clickable = [&](Gauge& gauge) {
    if (gauge.state == GaugeState::kInstalled) {
      Error(gauge.name + " is installed but not yet initialized");
    }
    return gauge.state == GaugeState::kInitialized;
  };

  switch (c.op) {
    case Op::kPanel:
      for (const std::string& name : c.gauges) {
        if (host_.Find(name) != nullptr) Error(name + " is already loaded");
      }
      for (const std::string& name : c.gauges) load(name);
      for (const std::string& name : c.gauges) install(*host_.Find(name));
      for (const std::string& name : c.gauges) init(*host_.Find(name));
      break;
    case Op::kLoad:
      load(c.gauges[0]);
      break;
    case Op::kInstall:
      install(Loaded(c, c.gauges[0]));
      break;
    case Op::kInit:
      init(Loaded(c, c.gauges[0]));
      break;
    case Op::kUpdate: {
      Gauge& gauge = Loaded(c, c.gauges[0]);
      require(gauge, gauge.state == GaugeState::kInitialized, "is not initialized");
      host_.Update(gauge);
      break;
    }
    case Op::kFrame:
      for (int32_t n = 0; n < c.numbers[0]; ++n) {
        std::vector<Gauge*> running;
        for (const auto& gauge : host_.gauges()) {
          if (gauge->state == GaugeState::kInitialized) running.push_back(gauge.get());
        }
        for (Gauge* gauge : running) host_.Update(*gauge);
        for (Gauge* gauge : running) {
          host_.Generate(*gauge, 0);
          host_.Draw(*gauge);
        }
        world_.PassFrame();  // the host's clock, which sounds play against
        if (afterFrame) afterFrame();
      }
      break;
    case Op::kClick: {
      Gauge& gauge = Loaded(c, c.gauges[0]);
      if (clickable(gauge)) host_.Click(gauge, c.numbers[0], c.numbers[1]);
      break;
    }
    case Op::kArea: {
      Gauge& gauge = Loaded(c, c.gauges[0]);
      if (clickable(gauge) && gauge.mouseRegistered) {
        if (static_cast<size_t>(c.numbers[0]) > gauge.areas.size()) {
          Error(gauge.name + " has no click area " + std::to_string(c.numbers[0]) + " (it has " +
                std::to_string(gauge.areas.size()) + ")");
        }
        host_.CallArea(gauge, static_cast<size_t>(c.numbers[0]));
      }
      break;
    }
    case Op::kKill: {
      Gauge& gauge = Loaded(c, c.gauges[0]);
      require(gauge, gauge.state != GaugeState::kLoaded, "is not installed");
      host_.Kill(gauge);
      break;
    }
    case Op::kUnload: {
      Gauge& gauge = Loaded(c, c.gauges[0]);
      require(gauge, gauge.state == GaugeState::kLoaded, "is still installed; kill it first");
      baselines_.erase(&gauge);
      host_.Unload(gauge);
      break;
    }
    case Op::kToken:
      host_.SetToken(c.numbers[0], c.real);
      break;
    case Op::kExtvar:
      if (!host_.RegisterExternal(c.name)) Error(c.name + " is already registered");
      RegisterVarBaseline(c.name);
      break;
    case Op::kPoke: {
      NamedVar* var = host_.FindVar(c.name);
      if (var == nullptr) Error("nobody has registered " + c.name);
      *static_cast<int32_t*>(var->storage) = c.numbers[0];
      break;
    }
    case Op::kWindow:
      world_.set_window(c.flag);
      break;
    case Op::kRegistry:
      if (c.flag) {
        world_.DeleteRegistryValue(c.name);
      } else {
        world_.SetRegistryValue(c.name, ExpandHostDir(c.text, world_));
      }
      break;
    case Op::kSoundfile:
      world_.AddSoundFile(c.name, options_.scriptDir / ExpandHostDir(c.text, world_));
      break;
    default:
      break;
  }
}

void Runner::Check(const Command& c) {
  switch (c.op) {
    case Op::kExpect:
    case Op::kExpectNo: {
      const bool present = std::find(lastLines_.begin(), lastLines_.end(), c.text) != lastLines_.end();
      if (c.op == Op::kExpect && !present) {
        CheckFailed(c, "expected the trace line \"" + c.text + "\"");
      } else if (c.op == Op::kExpectNo && present) {
        CheckFailed(c, "did not expect the trace line \"" + c.text + "\"");
      }
      break;
    }
    case Op::kCheckHidden:
    case Op::kCheckShown: {
      Gauge& gauge = Loaded(c, c.gauges[0]);
      if (c.numbers[0] < 0 || static_cast<size_t>(c.numbers[0]) >= gauge.elements.size()) {
        Error(gauge.name + " has no element " + std::to_string(c.numbers[0]));
      }
      const bool hidden = gauge.hidden(static_cast<size_t>(c.numbers[0]));
      const bool wantHidden = c.op == Op::kCheckHidden;
      if (hidden != wantHidden) {
        CheckFailed(c, "element " + std::to_string(c.numbers[0]) + " of " + gauge.name + " is " +
                           (hidden ? "hidden" : "shown"));
      }
      break;
    }
    case Op::kCheckVar: {
      NamedVar* var = host_.FindVar(c.name);
      if (var == nullptr) {
        CheckFailed(c, c.name + " is not registered");
      } else if (FormatVar(*var) != c.text) {
        CheckFailed(c, c.name + " reads " + FormatVar(*var) + ", not " + c.text);
      }
      break;
    }
    default:
      break;
  }
}

void Runner::CheckFailed(const Command& c, const std::string& what) {
  messages_ << options_.scriptName << ":" << c.line << ": check failed: " << what << "\n";
  status_ = kCheckFailed;
}

void Runner::AppendChanges() {
  // Shown and hidden elements, by gauge in load order, then element.
  for (const auto& gauge : host_.gauges()) {
    Baseline& b = baselines_[gauge.get()];
    for (size_t i = 0; i < gauge->elements.size(); ++i) {
      const bool hidden = gauge->hidden(i);
      if (hidden != b.hidden[i]) {
        lines_.push_back((hidden ? "hide " : "show ") + gauge->name + " " + std::to_string(i));
        b.hidden[i] = hidden;
      }
    }
  }
  // Named variables, by name byte by byte.
  std::vector<const NamedVar*> vars;
  for (const auto& var : host_.vars()) vars.push_back(var.get());
  std::sort(vars.begin(), vars.end(),
            [](const NamedVar* a, const NamedVar* b) { return a->name < b->name; });
  std::unordered_map<std::string, int32_t> current;
  for (const NamedVar* var : vars) {
    const int32_t value = var->Read();
    auto it = varBaselines_.find(var->name);
    if (it != varBaselines_.end() && it->second != value) {
      lines_.push_back("var " + var->name + " " + FormatVar(*var));
    }
    current[var->name] = value;
  }
  varBaselines_ = std::move(current);
  // Element values, by gauge in load order, then element, x before y.
  for (const auto& gauge : host_.gauges()) {
    Baseline& b = baselines_[gauge.get()];
    for (size_t i = 0; i < gauge->elements.size(); ++i) {
      const ElementValue& now = gauge->values[i];
      if (!now.evaluated) continue;
      ElementValue& printed = b.printed[i];
      const bool moving = gauge->elements[i]->kind == kMovingElement;
      const std::string prefix = "value " + gauge->name + " " + std::to_string(i) + " ";
      for (int axis = 0; axis < (moving ? 2 : 1); ++axis) {
        if (printed.evaluated && SameBits(printed.value[axis], now.value[axis])) continue;
        lines_.push_back(prefix + (moving ? (axis == 0 ? "x " : "y ") : "") +
                         FormatReal(now.value[axis]));
      }
      printed = now;
    }
  }
}

void Runner::KeyEvent(const Gauge& gauge, uint32_t eventId, int32_t value) {
  lines_.push_back("key " + gauge.name + " " + HexEvent(eventId) + " " + std::to_string(value));
}

void Runner::LookUp(const Gauge& gauge, int32_t token) {
  lines_.push_back("lookup " + gauge.name + " " + std::to_string(token));
}

void Runner::Register(const Gauge& gauge, const char* name) {
  lines_.push_back("register " + gauge.name + " " + name);
  // A new variable's baseline is its value at registration.
  if (!varBaselines_.contains(name)) RegisterVarBaseline(name);
}

void Runner::Unregister(const Gauge& gauge, const char* name) {
  lines_.push_back("unregister " + gauge.name + " " + name);
}

void Runner::Bind(const Gauge& gauge, const char* name, bool found) {
  lines_.push_back("bind " + gauge.name + " " + name + (found ? " found" : " missing"));
}

void Runner::Play(const Gauge& gauge, uint32_t bytes) {
  lines_.push_back("play " + gauge.name + " " + std::to_string(bytes));
}

void Runner::Fault(const Gauge& gauge, const std::string& what) {
  if (fault_.empty()) fault_ = "module " + gauge.name + ": " + what;
}

}  // namespace bench
