// One module under validation, inside a check's child process.
//
// The session loads the module into a bench host and then puts its own
// operation table between the module and the host: every operation the
// module calls is checked (is it allowed where it is called, are its
// arguments right) before it goes on to the host. After every call into the
// module (routine, handler, and the callbacks inside an update) the session
// checks what the module must leave alone: no element, list, table or mouse
// record changes but for bit 30 of the image flags, the root's image-record
// field and the sources' values; the routine made its generic host calls.
// The first fault ends the session's work; it is reported with the step.
#pragma once

#include <functional>
#include <memory>
#include <optional>
#include <set>
#include <string>
#include <vector>

#include "bench/host/host.h"
#include "bench/host/module_image.h"
#include "bench/validate/check.h"
#include "bench/validate/values.h"
#include "bench/world/world.h"

namespace bench::validate {

// Where the module's code is running when it calls the host.
enum class Phase {
  kNone,
  kModuleInit,
  kModuleDeinit,
  kQuery,
  kInstall,
  kInitialize,
  kUpdate,
  kGenerate,
  kDraw,
  kKill,
  kHandler,
  kCallback,
};
const char* PhaseName(Phase phase);

// The operations of the host table a module may call.
enum class Op {
  kElementListQuery,
  kElementListInstall,
  kElementListInitialize,
  kElementListUpdate,
  kElementListGenerate,
  kElementListDraw,
  kElementListKill,
  kMouseListInstall,
  kMouseListRegister,
  kMouseListUnregister,
  kSendKeyEvent,
  kRegisterNamedVar,
  kBindNamedVar,
  kLookUpVar,
  kUnregisterNamedVar,
};
const char* OpName(Op op);

// Copies of memory regions that the module must not change, compared byte
// by byte under a mask.
class Snapshot {
 public:
  // Describes a change: the region's offset, the saved bytes, the bytes now.
  using Describe = std::function<std::string(size_t, const uint8_t*, const uint8_t*)>;

  void Add(const void* address, size_t size, std::vector<uint8_t> mask, Describe describe);
  void Clear() { regions_.clear(); }
  // The first change since the copy was taken, described.
  std::optional<std::string> FirstChange() const;

 private:
  struct Region {
    const uint8_t* address;
    std::vector<uint8_t> saved;
    std::vector<uint8_t> mask;
    Describe describe;
  };
  std::vector<Region> regions_;
};

class Session : public HostObserver {
 public:
  explicit Session(CheckEnv& env);
  ~Session() override;
  Session(const Session&) = delete;
  Session& operator=(const Session&) = delete;

  CheckEnv& env() { return env_; }
  Random& random() { return random_; }
  Host& host() { return *host_; }
  World& world() { return *world_; }
  Gauge* gauge() { return gauge_; }
  const ModuleImage& image() const { return image_; }

  // Names what the check does next, for messages and crash reports.
  void Step(std::string text);
  // Reports a fault of the module at the current step; the session stops.
  void Fail(const std::string& what);
  bool failed() const { return failed_; }

  // Calls into the module, each checked once it returns. Each does nothing
  // once the session has failed. Load reports a module the host refuses.
  bool Load();
  void Unload();
  void ModuleInit();
  void ModuleDeinit();
  void Install(uint32_t value);
  void Initialize();
  void Update();
  void Generate(uint32_t value);
  void Draw();
  void Frame();  // update, generate with a random value, draw
  void Kill();
  void Query();
  // A click at a face pixel; whether an area took it.
  bool Click(int32_t x, int32_t y);
  void CallArea(size_t n);

  bool loaded() const { return gauge_ != nullptr; }
  GaugeState state() const { return gauge_ != nullptr ? gauge_->state : GaugeState::kLoaded; }

  // What the module made known through its calls.
  MouseRect* mouseList() const { return mouseList_; }
  const std::vector<std::string>& boundNames() const { return boundNames_; }
  const std::set<std::string>& registeredNames() const { return registered_; }
  const std::set<int32_t>& tokens() const { return tokens_; }

  // Another gauge registers (or withdraws) the names the module binds.
  void ProvideBoundNames();
  void WithdrawBoundName(const std::string& name);
  // Random host token values for every token the module reads, and random
  // values in the named variables it registered (as their binders would write).
  void RandomizeTokens();
  void RandomizeVariables();

  // HostObserver
  void KeyEvent(const Gauge&, uint32_t, int32_t) override {}
  void LookUp(const Gauge&, int32_t) override {}
  void Register(const Gauge&, const char*) override {}
  void Unregister(const Gauge&, const char*) override {}
  void Bind(const Gauge&, const char*, bool) override {}
  void Play(const Gauge& gauge, uint32_t bytes) override;
  void Fault(const Gauge& gauge, const std::string& what) override;

 private:
  friend struct Interposer;

  // Runs a call into the module under the contract.
  void Run(Phase phase, const std::function<void()>& call);
  void CheckRoutine(Phase phase);
  void CheckRecords(Phase phase);
  void TakeSnapshot();
  void SnapshotMouseList();
  void Trace(const std::string& line);
  // The checks on an operation as the module calls it; false ends the call.
  bool Allowed(Op op);
  std::optional<std::string> ModuleString(const char* text) const;

  CheckEnv& env_;
  Random random_;
  std::unique_ptr<World> world_;
  std::unique_ptr<Host> host_;
  Gauge* gauge_ = nullptr;
  ModuleImage image_;
  Snapshot snapshot_;
  Snapshot mouseSnapshot_;
  std::string step_;
  bool failed_ = false;

  Phase phase_ = Phase::kNone;
  std::vector<Op> calls_;  // of the running routine, callbacks' calls aside
  uint32_t passValue_ = 0;    // the install or generate value given
  uint32_t queryAnswer_ = 0;  // what the host answers the query

  MouseRect* mouseList_ = nullptr;
  std::vector<std::string> boundNames_;
  std::set<std::string> boundThisInit_;
  std::set<std::string> registered_;
  std::set<int32_t> tokens_;
};

}  // namespace bench::validate
