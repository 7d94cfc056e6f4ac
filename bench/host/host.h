// The bench's host: plays the simulator's part of the gauge interface.
//
// It loads modules, hands each the one `HostTable`, calls the gauge routines,
// keeps the table of named variables and the host's token variables, and
// evaluates element trees in `ElementListUpdate`. Everything a module does
// through the table is reported to an observer (the trace); without an
// observer the calls do no formatting, lookup by name or allocation.
//
// All calls run on one thread, one at a time, as in the simulator.
#pragma once

#include <array>
#include <cstdint>
#include <filesystem>
#include <memory>
#include <stdexcept>
#include <string>
#include <unordered_map>
#include <vector>

#include "bench/host/module_image.h"
#include "bench/host/module_library.h"
#include "frame/host_table.h"

namespace bench {

// A module that cannot be used, with what is wrong; names the gauge.
class ModuleError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

enum class GaugeState {
  kLoaded,       // loaded; not installed (never, or killed since)
  kInstalled,    // installed, not yet initialized since that install
  kInitialized,  // initialized since the last install
};

// What the host took for an element at its last evaluation.
struct ElementValue {
  double value[2] = {0.0, 0.0};  // one value, or x and y of a moving element
  bool evaluated = false;
};

// The record behind the root's image-record field, one per gauge.
struct ImageRecord {
  uint32_t magic = 0x474d4952;  // "RIMG"
  uint32_t placement[15] = {};  // MouseListInstall receives this address
};

struct Gauge {
  std::string name;
  std::unique_ptr<ModuleLibrary> library;
  ModuleImage image;  // where the module lies: its addresses are checked against it
  LinkageRecord* linkage = nullptr;
  ImportEntry* hostSlot = nullptr;  // the module's `ImportTable` entry 0x0F
  GaugeHeader* header = nullptr;
  StaticElement* root = nullptr;
  std::vector<ElementHeader*> elements;  // 0 the root, then its children in order
  std::vector<ElementValue> values;      // parallel to elements
  GaugeState state = GaugeState::kLoaded;
  MouseRect* mouseList = nullptr;        // as installed
  std::vector<const MouseRect*> areas;   // its click areas, in list order
  bool mouseRegistered = false;
  ImageRecord imageRecord;
  // What reached the host's element-list install and generate operations.
  uint32_t installValue = 0;
  uint32_t generateValue = 0;

  bool hidden(size_t element) const {
    return (elements[element]->imageFlags & ImageHidden) != 0;
  }
};

// A name in the host's table of named variables.
struct NamedVar {
  std::string name;
  void* storage = nullptr;
  int32_t typeCode = 0;
  Gauge* owner = nullptr;  // null for a variable of a gauge outside the panel
  std::unique_ptr<int32_t> externalCell;  // storage of such a variable

  int32_t Read() const { return *static_cast<const int32_t*>(storage); }
};

// What the modules do through the host, in call order.
class HostObserver {
 public:
  virtual ~HostObserver() = default;
  virtual void KeyEvent(const Gauge& gauge, uint32_t eventId, int32_t value) = 0;
  virtual void LookUp(const Gauge& gauge, int32_t token) = 0;
  virtual void Register(const Gauge& gauge, const char* name) = 0;
  virtual void Unregister(const Gauge& gauge, const char* name) = 0;
  virtual void Bind(const Gauge& gauge, const char* name, bool found) = 0;
  virtual void Play(const Gauge& gauge, uint32_t bytes) = 0;
  // A module broke the host's contract in a way the host could detect.
  virtual void Fault(const Gauge& gauge, const std::string& what) = 0;
  // Every operation of the table, by name, as it is entered.
  virtual void HostCall(const Gauge& /*gauge*/, const char* /*operation*/) {}
};

class Host {
 public:
  // The longest element child list or mouse list the host will walk.
  static constexpr size_t kMaxListLength = 4096;

  Host();
  ~Host();
  Host(const Host&) = delete;
  Host& operator=(const Host&) = delete;

  void set_observer(HostObserver* observer) { observer_ = observer; }

  // Module lifecycle. Load finds the records and stores the host table; it
  // throws ModuleError when the module cannot be used.
  Gauge& Load(const std::string& name, const std::filesystem::path& file);
  void Unload(Gauge& gauge);
  void Install(Gauge& gauge, uint32_t value);
  void Initialize(Gauge& gauge);
  void Update(Gauge& gauge);
  void Generate(Gauge& gauge, uint32_t value);
  void Draw(Gauge& gauge);
  void Kill(Gauge& gauge);
  uint32_t Query(Gauge& gauge);

  // Calls the handler of the first click area holding face pixel (x, y);
  // false when no area holds it or the list is not registered.
  bool Click(Gauge& gauge, int32_t x, int32_t y);
  // Calls the handler of the n-th click area (1 is the first).
  void CallArea(Gauge& gauge, size_t n);

  Gauge* Find(const std::string& name);
  // Loaded gauges, in load order.
  const std::vector<std::unique_ptr<Gauge>>& gauges() const { return gauges_; }

  // Host token variables; every token reads 0.0 until set.
  void SetToken(int32_t token, double value);
  double Token(int32_t token) const;

  // Named variables.
  NamedVar* FindVar(const std::string& name);
  const std::vector<std::unique_ptr<NamedVar>>& vars() const { return vars_; }
  // A variable of a gauge outside the panel, with a cell of 0x55555555.
  // False when the name is taken.
  bool RegisterExternal(const std::string& name);

  // Reported by the sound layer when a buffer starts playing for the gauge
  // whose routine is running.
  void ReportPlay(uint32_t bytes);

  // The gauge whose routine, handler or callback is running, or null.
  Gauge* current() const { return current_; }
  const HostTable& table() const { return table_; }

  // The one host of this process, for the table's routines.
  static Host* Active() { return active_; }

 private:
  struct Binding {
    ModuleVar* variable;
    Gauge* binder;
    std::string name;
  };
  class CallScope;
  friend struct HostCalls;

  void ReadTree(Gauge& gauge);
  void EvaluateTree(Gauge& gauge);
  void UnregisterName(const std::string& name);
  void Fault(Gauge& gauge, const std::string& what);
  Gauge* GaugeOfRoot(StaticElement* root);

  HostTable table_{};
  HostObserver* observer_ = nullptr;
  Gauge* current_ = nullptr;
  std::vector<std::unique_ptr<Gauge>> gauges_;
  std::vector<std::unique_ptr<NamedVar>> vars_;
  std::vector<Binding> bindings_;
  std::array<double, 1024> lowTokens_{};
  std::unordered_map<int32_t, double> highTokens_;

  static Host* active_;
};

}  // namespace bench
