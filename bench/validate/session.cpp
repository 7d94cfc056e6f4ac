#include "bench/validate/session.h"

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <utility>

#include "bench/validate/records.h"

#if !defined(_WIN32)
#include "platform/host_world.h"
#endif

namespace bench::validate {

const char* PhaseName(Phase phase) {
  switch (phase) {
    case Phase::kNone: return "the module";
    case Phase::kModuleInit: return "module init";
    case Phase::kModuleDeinit: return "module deinit";
    case Phase::kQuery: return "query";
    case Phase::kInstall: return "install";
    case Phase::kInitialize: return "initialize";
    case Phase::kUpdate: return "update";
    case Phase::kGenerate: return "generate";
    case Phase::kDraw: return "draw";
    case Phase::kKill: return "kill";
    case Phase::kHandler: return "a click area's handler";
    case Phase::kCallback: return "an element callback";
  }
  return "the module";
}

const char* OpName(Op op) {
  switch (op) {
    case Op::kElementListQuery: return "ElementListQuery";
    case Op::kElementListInstall: return "ElementListInstall";
    case Op::kElementListInitialize: return "ElementListInitialize";
    case Op::kElementListUpdate: return "ElementListUpdate";
    case Op::kElementListGenerate: return "ElementListGenerate";
    case Op::kElementListDraw: return "ElementListDraw";
    case Op::kElementListKill: return "ElementListKill";
    case Op::kMouseListInstall: return "MouseListInstall";
    case Op::kMouseListRegister: return "MouseListRegister";
    case Op::kMouseListUnregister: return "MouseListUnregister";
    case Op::kSendKeyEvent: return "SendKeyEvent";
    case Op::kRegisterNamedVar: return "RegisterNamedVar";
    case Op::kBindNamedVar: return "BindNamedVar";
    case Op::kLookUpVar: return "LookUpVar";
    case Op::kUnregisterNamedVar: return "UnregisterNamedVar";
  }
  return "?";
}

namespace {

// The generic step that a routine makes itself, once.
std::optional<Op> GenericStep(Phase phase) {
  switch (phase) {
    case Phase::kQuery: return Op::kElementListQuery;
    case Phase::kInitialize: return Op::kElementListInitialize;
    case Phase::kUpdate: return Op::kElementListUpdate;
    case Phase::kGenerate: return Op::kElementListGenerate;
    case Phase::kDraw: return Op::kElementListDraw;
    default: return std::nullopt;
  }
}

// Whether code running at `phase` may call `op`; otherwise, why not.
const char* Forbidden(Phase phase, Op op) {
  switch (op) {
    case Op::kElementListQuery:
      return phase == Phase::kQuery ? nullptr : "only the query routine asks the host";
    case Op::kElementListInstall:
    case Op::kMouseListInstall:
    case Op::kMouseListRegister:
      return phase == Phase::kInstall ? nullptr : "only install hands the host its lists";
    case Op::kElementListInitialize:
      return phase == Phase::kInitialize ? nullptr : "only initialize makes that call";
    case Op::kElementListUpdate:
      return phase == Phase::kUpdate ? nullptr
                                     : "only update evaluates the elements (callbacks never do)";
    case Op::kElementListGenerate:
      return phase == Phase::kGenerate ? nullptr : "only generate makes that call";
    case Op::kElementListDraw:
      return phase == Phase::kDraw ? nullptr : "only draw makes that call";
    case Op::kElementListKill:
    case Op::kMouseListUnregister:
      return phase == Phase::kKill ? nullptr : "only kill takes the lists back";
    case Op::kSendKeyEvent:
      return phase == Phase::kUpdate || phase == Phase::kHandler
                 ? nullptr
                 : "key events are sent only from updates and click handlers";
    case Op::kRegisterNamedVar:
      return phase == Phase::kInstall ? nullptr : "names are registered only at install";
    case Op::kUnregisterNamedVar:
      return phase == Phase::kKill ? nullptr : "names are unregistered only at kill";
    case Op::kBindNamedVar:
      return phase == Phase::kInitialize ? nullptr : "names are bound only at initialize";
    case Op::kLookUpVar:
      return phase == Phase::kInitialize || phase == Phase::kUpdate ||
                     phase == Phase::kHandler || phase == Phase::kCallback
                 ? nullptr
                 : "host variables are read only at initialize, in updates, handlers and "
                   "callbacks";
  }
  return "it is not an operation of the host";
}

std::string Quote(const std::string& text) { return "\"" + text + "\""; }

std::vector<uint8_t> FullMask(size_t size) { return std::vector<uint8_t>(size, 0xff); }

void Ignore(std::vector<uint8_t>& mask, size_t offset, size_t size) {
  std::fill(mask.begin() + static_cast<std::ptrdiff_t>(offset),
            mask.begin() + static_cast<std::ptrdiff_t>(offset + size), uint8_t{0});
}

Snapshot::Describe DescribeField(std::string what, FieldInfo (*field)(size_t)) {
  return [what = std::move(what), field](size_t offset, const uint8_t* before,
                                         const uint8_t* now) {
    const FieldInfo info = field(offset);
    return "the field " + info.name + " of " + what + " from " + FieldValue(info, before) +
           " to " + FieldValue(info, now);
  };
}

}  // namespace

// ---------------------------------------------------------------------------

void Snapshot::Add(const void* address, size_t size, std::vector<uint8_t> mask,
                   Describe describe) {
  Region region;
  region.address = static_cast<const uint8_t*>(address);
  region.saved.assign(region.address, region.address + size);
  region.mask = std::move(mask);
  region.describe = std::move(describe);
  regions_.push_back(std::move(region));
}

std::optional<std::string> Snapshot::FirstChange() const {
  for (const Region& region : regions_) {
    for (size_t i = 0; i < region.saved.size(); ++i) {
      if (((region.address[i] ^ region.saved[i]) & region.mask[i]) != 0) {
        return region.describe(i, region.saved.data(), region.address);
      }
    }
  }
  return std::nullopt;
}

// ---------------------------------------------------------------------------
// The operation table the module sees: each operation is checked, traced and
// passed on to the bench host.

struct Interposer {
  static inline Session* session = nullptr;
  static inline HostTable table{};

  static Session& S() { return *session; }
  static const HostTable& Real() { return session->host_->table(); }

  static void Trace(const std::string& line) {
    if (S().env_.trace) S().Trace(std::string(PhaseName(S().phase_)) + ": " + line);
  }

  static uint32_t GAUGE_CALL ElementListQuery(StaticElement* root) {
    S().Allowed(Op::kElementListQuery);
    Trace("ElementListQuery(root) answers " + Hex(S().queryAnswer_));
    Real().ElementListQuery(root);
    return S().queryAnswer_;
  }

  static void GAUGE_CALL ElementListInstall(StaticElement* root, uint32_t value) {
    Session& s = S();
    s.Allowed(Op::kElementListInstall);
    Trace("ElementListInstall(root, " + Hex(value) + ")");
    if (value != s.passValue_) {
      s.Fail("install passed " + Hex(value) + " on to ElementListInstall, not the value " +
             Hex(s.passValue_) + " that the host gave it");
    }
    Real().ElementListInstall(root, value);
  }

  static void GAUGE_CALL ElementListInitialize(StaticElement* root) {
    S().Allowed(Op::kElementListInitialize);
    Trace("ElementListInitialize(root)");
    Real().ElementListInitialize(root);
  }

  static void GAUGE_CALL ElementListUpdate(StaticElement* root) {
    Session& s = S();
    s.Allowed(Op::kElementListUpdate);
    Trace("ElementListUpdate(root)");
    // The host calls the element callbacks from here.
    const Phase saved = s.phase_;
    s.phase_ = Phase::kCallback;
    Real().ElementListUpdate(root);
    s.phase_ = saved;
  }

  static void GAUGE_CALL ElementListGenerate(StaticElement* root, uint32_t value) {
    Session& s = S();
    s.Allowed(Op::kElementListGenerate);
    Trace("ElementListGenerate(root, " + Hex(value) + ")");
    if (value != s.passValue_) {
      s.Fail("generate passed " + Hex(value) + " on to ElementListGenerate, not the value " +
             Hex(s.passValue_) + " that the host gave it");
    }
    Real().ElementListGenerate(root, value);
  }

  static void GAUGE_CALL ElementListDraw(StaticElement* root) {
    S().Allowed(Op::kElementListDraw);
    Trace("ElementListDraw(root)");
    Real().ElementListDraw(root);
  }

  static void GAUGE_CALL ElementListKill(StaticElement* root) {
    S().Allowed(Op::kElementListKill);
    Trace("ElementListKill(root)");
    Real().ElementListKill(root);
  }

  static void GAUGE_CALL MouseListInstall(MouseRect* list, GaugeHeader* header, void* placement) {
    Session& s = S();
    s.Allowed(Op::kMouseListInstall);
    Trace("MouseListInstall(" + Address(list) + ", header, " + Address(placement) + ")");
    if (header != s.gauge_->header) {
      s.Fail("MouseListInstall was given " + Address(header) +
             ", not the address of the gauge header");
    }
    // Read the list safely before the host walks it.
    MouseList records = ReadMouseList(s.image_, list);
    if (!records.error.empty()) {
      s.Fail("MouseListInstall was given a broken mouse list: " + records.error);
      return;
    }
    if (s.mouseList_ != nullptr && s.mouseList_ != list) {
      s.Fail("MouseListInstall was given the mouse list at " + Address(list) +
             ", not the one of the previous install at " + Address(s.mouseList_));
    }
    s.mouseList_ = list;
    Real().MouseListInstall(list, header, placement);
  }

  static void GAUGE_CALL MouseListRegister(MouseRect* list, GaugeHeader* header) {
    Session& s = S();
    s.Allowed(Op::kMouseListRegister);
    Trace("MouseListRegister(" + Address(list) + ", header)");
    if (list != s.mouseList_ || header != s.gauge_->header) {
      s.Fail("MouseListRegister was not given the mouse list and header of MouseListInstall");
    }
    Real().MouseListRegister(list, header);
  }

  static void GAUGE_CALL MouseListUnregister(MouseRect* list, GaugeHeader* header) {
    Session& s = S();
    s.Allowed(Op::kMouseListUnregister);
    Trace("MouseListUnregister(" + Address(list) + ", header)");
    if (list != s.mouseList_ || header != s.gauge_->header) {
      s.Fail("MouseListUnregister was not given the mouse list and header of MouseListInstall");
    }
    Real().MouseListUnregister(list, header);
  }

  static void GAUGE_CALL SendKeyEvent(uint32_t eventId, int32_t value) {
    S().Allowed(Op::kSendKeyEvent);
    Trace("SendKeyEvent(" + Hex(eventId) + ", " + std::to_string(value) + ")");
    Real().SendKeyEvent(eventId, value);
  }

  static void GAUGE_CALL RegisterNamedVar(void* storage, int32_t typeCode, const char* name) {
    Session& s = S();
    s.Allowed(Op::kRegisterNamedVar);
    const std::optional<std::string> text = s.ModuleString(name);
    if (!text) {
      s.Fail("RegisterNamedVar was given a name at " + Address(name) +
             " that is not a zero-terminated string in the module");
      return;
    }
    Trace("RegisterNamedVar(" + Address(storage) + ", " + std::to_string(typeCode) + ", " +
          Quote(*text) + ")");
    if (typeCode != kNamedVarInt32) {
      s.Fail("registers " + Quote(*text) + " with type code " + std::to_string(typeCode) +
             ", not 19 (32-bit integer storage)");
    }
    if (!s.image_.HoldsWritable(storage, sizeof(int32_t))) {
      s.Fail("registers " + Quote(*text) + " with storage at " + Address(storage) +
             ", which is not 4 bytes of the module's static data");
      return;
    }
    Real().RegisterNamedVar(storage, typeCode, name);
    const NamedVar* var = s.host_->FindVar(*text);
    if (var != nullptr && var->owner == s.gauge_) s.registered_.insert(*text);
  }

  static void GAUGE_CALL BindNamedVar(ModuleVar* variable, const char* name) {
    Session& s = S();
    s.Allowed(Op::kBindNamedVar);
    const std::optional<std::string> text = s.ModuleString(name);
    if (!text) {
      s.Fail("BindNamedVar was given a name at " + Address(name) +
             " that is not a zero-terminated string in the module");
      return;
    }
    Trace("BindNamedVar(" + Address(variable) + ", " + Quote(*text) + ")");
    if (!s.image_.HoldsWritable(variable, sizeof(ModuleVar))) {
      s.Fail("binds " + Quote(*text) + " into a ModuleVar at " + Address(variable) +
             ", which does not lie in the module's static data");
      return;
    }
    if (variable->token != 0) {
      s.Fail("binds " + Quote(*text) + " into a ModuleVar with token " +
             std::to_string(variable->token) + "; a bound ModuleVar names no token");
    }
    if (!s.boundThisInit_.insert(*text).second) {
      s.Fail("binds " + Quote(*text) + " twice in one initialize");
    }
    if (std::find(s.boundNames_.begin(), s.boundNames_.end(), *text) == s.boundNames_.end()) {
      s.boundNames_.push_back(*text);
    }
    Real().BindNamedVar(variable, name);
  }

  static void GAUGE_CALL LookUpVar(ModuleVar* variable) {
    Session& s = S();
    s.Allowed(Op::kLookUpVar);
    if (!s.image_.HoldsWritable(variable, sizeof(ModuleVar))) {
      s.Fail("LookUpVar was given a ModuleVar at " + Address(variable) +
             ", which does not lie in the module's static data");
      return;
    }
    Trace("LookUpVar(token " + std::to_string(variable->token) + ")");
    if (variable->token == 0) {
      s.Fail("LookUpVar was given a ModuleVar with token 0, which names no host variable");
    }
    s.tokens_.insert(variable->token);
    Real().LookUpVar(variable);
  }

  static void GAUGE_CALL UnregisterNamedVar(const char* name) {
    Session& s = S();
    s.Allowed(Op::kUnregisterNamedVar);
    const std::optional<std::string> text = s.ModuleString(name);
    if (!text) {
      s.Fail("UnregisterNamedVar was given a name at " + Address(name) +
             " that is not a zero-terminated string in the module");
      return;
    }
    Trace("UnregisterNamedVar(" + Quote(*text) + ")");
    if (s.registered_.erase(*text) == 0) {
      s.Fail("unregisters " + Quote(*text) + ", which this gauge has not registered");
      return;
    }
    Real().UnregisterNamedVar(name);
  }

  // The slots that no module calls. A call cannot return safely (the slot
  // does not say how many arguments it takes), so the check ends here.
  template <size_t Offset>
  static void GAUGE_CALL Trap() {
    Session& s = S();
    s.Fail(std::string(PhaseName(s.phase_)) + " called the host table's slot at offset " +
           Hex(Offset) + ", which no module may call");
    s.env_.report->Step("done");
    std::_Exit(0);
  }

  template <size_t... I>
  static void FillLowTraps(std::index_sequence<I...>) {
    ((table.neverCalled00[I] = reinterpret_cast<void*>(&Trap<I * 4>)), ...);
  }

  static void Fill() {
    table = HostTable{};
    FillLowTraps(std::make_index_sequence<24>());
    table.neverCalled78 = reinterpret_cast<void*>(&Trap<0x78>);
    table.neverCalled8c = reinterpret_cast<void*>(&Trap<0x8c>);
    table.neverCalled98 = reinterpret_cast<void*>(&Trap<0x98>);
    table.ElementListQuery = &ElementListQuery;
    table.ElementListInstall = &ElementListInstall;
    table.ElementListInitialize = &ElementListInitialize;
    table.ElementListUpdate = &ElementListUpdate;
    table.ElementListGenerate = &ElementListGenerate;
    table.ElementListDraw = &ElementListDraw;
    table.ElementListKill = &ElementListKill;
    table.MouseListInstall = &MouseListInstall;
    table.MouseListRegister = &MouseListRegister;
    table.MouseListUnregister = &MouseListUnregister;
    table.SendKeyEvent = &SendKeyEvent;
    table.RegisterNamedVar = &RegisterNamedVar;
    table.BindNamedVar = &BindNamedVar;
    table.LookUpVar = &LookUpVar;
    table.UnregisterNamedVar = &UnregisterNamedVar;
  }
};

// ---------------------------------------------------------------------------

Session::Session(CheckEnv& env)
    : env_(env), random_(env.seed), world_(std::make_unique<World>()),
      host_(std::make_unique<Host>()) {
  host_->set_observer(this);
  Interposer::session = this;
  Interposer::Fill();
}

Session::~Session() {
  // The host kills and unloads what is left; the module reaches the host
  // directly from here on.
  if (gauge_ != nullptr) gauge_->hostSlot->address = const_cast<HostTable*>(&host_->table());
  host_->set_observer(nullptr);
  host_.reset();
  Interposer::session = nullptr;
}

void Session::Step(std::string text) {
  step_ = std::move(text);
  env_.report->Step(step_);
}

void Session::Fail(const std::string& what) {
  if (failed_) return;
  failed_ = true;
  env_.report->Fail(step_.empty() ? what : step_ + ": " + what);
}

void Session::Trace(const std::string& line) {
  if (env_.trace) env_.report->Trace(line);
}

std::optional<std::string> Session::ModuleString(const char* text) const {
  const std::optional<size_t> length = image_.StringLength(text, 255);
  if (!length) return std::nullopt;
  return std::string(text, *length);
}

bool Session::Allowed(Op op) {
  if (phase_ != Phase::kCallback) calls_.push_back(op);
  if (const char* why = Forbidden(phase_, op)) {
    Fail(std::string(PhaseName(phase_)) + " called " + OpName(op) + ", which it may not: " +
         why);
    return false;
  }
  return true;
}

void Session::Play(const Gauge&, uint32_t bytes) {
  Trace(std::string(PhaseName(phase_)) + ": a sound of " + std::to_string(bytes) +
        " bytes started playing");
}

void Session::Fault(const Gauge&, const std::string& what) { Fail(what); }

bool Session::Load() {
  if (failed_) return false;
  try {
    gauge_ = &host_->Load(env_.gauge, env_.moduleFile);
  } catch (const ModuleError& error) {
    Fail(error.what());
    return false;
  }
  image_ = ModuleImage::Of(*gauge_->library);
  if (image_.empty()) {
    Fail("the loader tells nothing about where the module lies in memory");
    return false;
  }
  gauge_->hostSlot->address = &Interposer::table;
  mouseList_ = nullptr;
  registered_.clear();
  for (ElementHeader* element : gauge_->elements) {
    for (const Source& source : SourcesOf(*element)) {
      if (source.variable->token != 0) tokens_.insert(source.variable->token);
    }
  }
  TakeSnapshot();
  return !failed_;
}

void Session::TakeSnapshot() {
  snapshot_.Clear();
  mouseSnapshot_.Clear();
  Gauge& g = *gauge_;

  snapshot_.Add(g.linkage, sizeof(LinkageRecord), FullMask(sizeof(LinkageRecord)),
                DescribeField("Linkage", &LinkageField));
  // The ImportTable up to its end entry; the host fills the address of 0x0F.
  auto* imports = reinterpret_cast<ImportEntry*>(g.library->Symbol("ImportTable"));
  for (size_t i = 0; i < 64 && image_.HoldsData(&imports[i], sizeof(ImportEntry)); ++i) {
    std::vector<uint8_t> mask = FullMask(sizeof(ImportEntry));
    if (&imports[i] == g.hostSlot) Ignore(mask, offsetof(ImportEntry, address), sizeof(void*));
    snapshot_.Add(&imports[i], sizeof(ImportEntry), std::move(mask),
                  [i](size_t offset, const uint8_t*, const uint8_t*) {
                    return std::string("the ") +
                           (offset < offsetof(ImportEntry, address) ? "id" : "address") +
                           " of ImportTable entry " + std::to_string(i);
                  });
    if (imports[i].id == 0) break;
  }
  snapshot_.Add(g.header, sizeof(GaugeHeader), FullMask(sizeof(GaugeHeader)),
                DescribeField("the gauge header", &GaugeHeaderField));
  snapshot_.Add(g.header->elementList, sizeof(StaticElement*), FullMask(sizeof(StaticElement*)),
                [](size_t, const uint8_t*, const uint8_t*) {
                  return std::string("the gauge header's element-list cell");
                });

  std::set<const FailureRecord*> failureLists;
  for (size_t index = 0; index < g.elements.size(); ++index) {
    ElementHeader* element = g.elements[index];
    const int32_t kind = element->kind;
    const size_t size = ElementRecordSize(kind);
    std::vector<uint8_t> mask = FullMask(size);
    // Gauge code may set and clear ImageHidden, bit 30 of the image flags.
    mask[offsetof(ElementHeader, imageFlags) + 3] = 0xbf;
    if (index == 0) Ignore(mask, offsetof(StaticElement, imageRecord), sizeof(void*));
    for (const Source& source : SourcesOf(*element)) {
      // Each evaluation refreshes the value, and a callback may overwrite it.
      const size_t at = static_cast<size_t>(reinterpret_cast<uint8_t*>(source.variable) -
                                            reinterpret_cast<uint8_t*>(element));
      Ignore(mask, at + offsetof(ModuleVar, value), sizeof(double));
    }
    const std::string what = DescribeElement(*element, index);
    snapshot_.Add(element, size, std::move(mask),
                  [what, kind](size_t offset, const uint8_t* before, const uint8_t* now) {
                    const FieldInfo info = ElementField(kind, offset);
                    std::string text = "the field " + info.name + " of " + what + " from " +
                                       FieldValue(info, before) + " to " + FieldValue(info, now);
                    if (info.name == "imageFlags") text += " (only bit 30, ImageHidden, may change)";
                    return text;
                  });
    if (element->failures != nullptr) failureLists.insert(element->failures);
    if (kind == kNeedleElement) {
      auto* needle = reinterpret_cast<NeedleElement*>(element);
      const size_t bytes = static_cast<size_t>(std::max(needle->tableCount, 0)) * sizeof(NeedlePoint);
      if (needle->table != nullptr && bytes > 0 && image_.HoldsData(needle->table, bytes)) {
        snapshot_.Add(needle->table, bytes, FullMask(bytes),
                      [what](size_t offset, const uint8_t*, const uint8_t*) {
                        return "entry " + std::to_string(offset / sizeof(NeedlePoint) + 1) +
                               " of the needle table of " + what;
                      });
      }
    }
  }
  if (ElementHeader** children = g.root->header.children) {
    const size_t bytes = g.elements.size() * sizeof(ElementHeader*);  // the entries and the null
    snapshot_.Add(children, bytes, FullMask(bytes), [](size_t offset, const uint8_t*, const uint8_t*) {
      return "entry " + std::to_string(offset / sizeof(ElementHeader*) + 1) +
             " of the root's child list";
    });
  }
  for (const FailureRecord* list : failureLists) {
    size_t n = 0;
    while (n < 64 && image_.HoldsData(&list[n], sizeof(FailureRecord)) &&
           !(list[n].system == 0 && list[n].action == 0)) {
      ++n;
    }
    if (n < 64 && image_.HoldsData(&list[n], sizeof(FailureRecord))) ++n;  // the end record
    const size_t bytes = n * sizeof(FailureRecord);
    if (bytes == 0) continue;
    snapshot_.Add(list, bytes, FullMask(bytes), [list](size_t offset, const uint8_t*, const uint8_t*) {
      return "record " + std::to_string(offset / sizeof(FailureRecord) + 1) +
             " of the failure list at " + Address(list);
    });
  }
}

void Session::SnapshotMouseList() {
  mouseSnapshot_.Clear();
  if (mouseList_ == nullptr) return;
  MouseList list = ReadMouseList(image_, mouseList_);
  for (size_t i = 0; i < list.records.size(); ++i) {
    std::string what = i == 0 ? "the mouse list's parent record"
                              : "mouse record " + std::to_string(i) + " (" +
                                    (list.records[i]->kind == kMouseArea
                                         ? DescribeArea(*list.records[i], i)
                                         : "kind " + std::to_string(list.records[i]->kind)) +
                                    ")";
    mouseSnapshot_.Add(list.records[i], sizeof(MouseRect), FullMask(sizeof(MouseRect)),
                       DescribeField(what, &MouseField));
  }
}

void Session::Run(Phase phase, const std::function<void()>& call) {
  if (failed_ || gauge_ == nullptr) return;
  phase_ = phase;
  calls_.clear();
  call();
  phase_ = Phase::kNone;
  if (failed_) return;
  CheckRoutine(phase);
  if (!failed_) CheckRecords(phase);
}

void Session::CheckRoutine(Phase phase) {
  auto count = [&](Op op) { return std::count(calls_.begin(), calls_.end(), op); };
  auto once = [&](Op op) {
    const auto n = count(op);
    if (n != 1) {
      Fail(std::string(PhaseName(phase)) + " called " + OpName(op) + " " + std::to_string(n) +
           " times; its generic step calls it exactly once");
    }
    return n == 1;
  };
  auto position = [&](Op op) { return std::find(calls_.begin(), calls_.end(), op) - calls_.begin(); };

  if (std::optional<Op> step = GenericStep(phase)) {
    once(*step);
    return;
  }
  switch (phase) {
    case Phase::kInstall:
      if (once(Op::kElementListInstall) && once(Op::kMouseListInstall) &&
          once(Op::kMouseListRegister)) {
        if (!(position(Op::kElementListInstall) < position(Op::kMouseListInstall) &&
              position(Op::kMouseListInstall) < position(Op::kMouseListRegister))) {
          Fail("install must call ElementListInstall, then MouseListInstall, then "
               "MouseListRegister, in this order");
        } else if (!gauge_->mouseRegistered) {
          Fail("install left the mouse list unregistered");
        }
      }
      if (!failed_) SnapshotMouseList();
      break;
    case Phase::kKill:
      if (once(Op::kElementListKill) && once(Op::kMouseListUnregister) && !registered_.empty()) {
        std::string names;
        for (const std::string& name : registered_) names += (names.empty() ? "" : ", ") + Quote(name);
        Fail("kill left " + names +
             " registered; a gauge unregisters at kill every name it registered at install");
      }
      break;
    case Phase::kInitialize:
    default:
      break;
  }
}

void Session::CheckRecords(Phase phase) {
  if (std::optional<std::string> change = snapshot_.FirstChange()) {
    Fail(std::string(PhaseName(phase)) + " changed " + *change);
    return;
  }
  if (std::optional<std::string> change = mouseSnapshot_.FirstChange()) {
    Fail(std::string(PhaseName(phase)) + " changed " + *change +
         "; no gauge code may change a mouse record");
  }
}

void Session::Unload() {
  if (failed_ || gauge_ == nullptr) return;
  if (gauge_->state != GaugeState::kLoaded) Kill();
  if (failed_) return;
  phase_ = Phase::kModuleDeinit;
  calls_.clear();
  host_->Unload(*gauge_);
  phase_ = Phase::kNone;
#if !defined(_WIN32)
  // Once unloaded a module can hold nothing: every file, registry key, sound
  // device and buffer it opened must have gone back.
  const platform::Census left = platform::TakeCensus();
  if (left.openFiles != 0 || left.openKeys != 0 || left.devices != 0 || left.buffers != 0) {
    Fail("after kill and unload the module still holds " + std::to_string(left.openFiles) +
         " open files, " + std::to_string(left.openKeys) + " open registry keys, " +
         std::to_string(left.devices) + " sound devices and " + std::to_string(left.buffers) +
         " sound buffers");
  }
#endif
  gauge_ = nullptr;
  image_ = ModuleImage();
  snapshot_.Clear();
  mouseSnapshot_.Clear();
  mouseList_ = nullptr;
  registered_.clear();
}

void Session::ModuleInit() {
  Run(Phase::kModuleInit, [&] { gauge_->linkage->moduleInit(); });
  if (!failed_ && !calls_.empty()) Fail("module init called the host");
}

void Session::ModuleDeinit() {
  Run(Phase::kModuleDeinit, [&] { gauge_->linkage->moduleDeinit(); });
  if (!failed_ && !calls_.empty()) Fail("module deinit called the host");
}

void Session::Install(uint32_t value) {
  if (gauge_ == nullptr || gauge_->state != GaugeState::kLoaded) return;
  passValue_ = value;
  Run(Phase::kInstall, [&] { host_->Install(*gauge_, value); });
  if (!failed_ && gauge_->root->imageRecord != &gauge_->imageRecord) {
    Fail("after install the root's image-record field does not hold the host's address");
  }
}

void Session::Initialize() {
  if (gauge_ == nullptr || gauge_->state != GaugeState::kInstalled) return;
  boundThisInit_.clear();
  Run(Phase::kInitialize, [&] { host_->Initialize(*gauge_); });
}

void Session::Update() {
  if (gauge_ == nullptr || gauge_->state != GaugeState::kInitialized) return;
  Run(Phase::kUpdate, [&] { host_->Update(*gauge_); });
}

void Session::Generate(uint32_t value) {
  if (gauge_ == nullptr || gauge_->state != GaugeState::kInitialized) return;
  passValue_ = value;
  Run(Phase::kGenerate, [&] { host_->Generate(*gauge_, value); });
}

void Session::Draw() {
  if (gauge_ == nullptr || gauge_->state != GaugeState::kInitialized) return;
  Run(Phase::kDraw, [&] { host_->Draw(*gauge_); });
}

void Session::Frame() {
  world_->PassFrame();  // the host's clock: sounds play on and end
  Update();
  Generate(PassValue(random_));
  Draw();
}

void Session::Kill() {
  if (gauge_ == nullptr || gauge_->state == GaugeState::kLoaded) return;
  Run(Phase::kKill, [&] { host_->Kill(*gauge_); });
}

void Session::Query() {
  if (gauge_ == nullptr) return;
  queryAnswer_ = static_cast<uint32_t>(random_());
  uint32_t result = 0;
  Run(Phase::kQuery, [&] { result = host_->Query(*gauge_); });
  if (!failed_ && result != queryAnswer_) {
    Fail("query returned " + Hex(result) + ", not the host's answer " + Hex(queryAnswer_));
  }
}

bool Session::Click(int32_t x, int32_t y) {
  bool took = false;
  if (gauge_ == nullptr || gauge_->state != GaugeState::kInitialized) return false;
  Run(Phase::kHandler, [&] { took = host_->Click(*gauge_, x, y); });
  return took;
}

void Session::CallArea(size_t n) {
  if (gauge_ == nullptr || gauge_->state != GaugeState::kInitialized) return;
  Run(Phase::kHandler, [&] { host_->CallArea(*gauge_, n); });
}

void Session::ProvideBoundNames() {
  for (const std::string& name : boundNames_) {
    if (host_->FindVar(name) == nullptr) host_->RegisterExternal(name);
  }
}

void Session::WithdrawBoundName(const std::string& name) {
  const NamedVar* var = host_->FindVar(name);
  if (var != nullptr && var->owner == nullptr) host_->table().UnregisterNamedVar(name.c_str());
}

void Session::RandomizeTokens() {
  for (int32_t token : tokens_) host_->SetToken(token, TokenValue(random_));
}

void Session::RandomizeVariables() {
  for (const auto& var : host_->vars()) {
    if (var->owner == gauge_ && gauge_ != nullptr) {
      *static_cast<int32_t*>(var->storage) = VariableValue(random_);
    }
  }
}

}  // namespace bench::validate
