#include "bench/host/host.h"

#include <algorithm>
#include <cstdio>
#include <cstring>

#include "bench/host/float_state.h"

namespace bench {

Host* Host::active_ = nullptr;

// Marks the gauge whose code is running, so that the table's routines know
// who called them; calls nest (update -> ElementListUpdate -> callback). The
// module is entered with the x87 unit as the host chose to leave it.
class Host::CallScope {
 public:
  CallScope(Host& host, Gauge& gauge) : host_(host), saved_(host.current_) {
    host.current_ = &gauge;
  }
  ~CallScope() { host_.current_ = saved_; }
  CallScope(const CallScope&) = delete;
  CallScope& operator=(const CallScope&) = delete;

 private:
  Host& host_;
  Gauge* saved_;
  ModuleFloatState floatState_;
};

namespace {

std::string Hex(uintptr_t value) {
  char text[32];
  std::snprintf(text, sizeof text, "0x%llx", static_cast<unsigned long long>(value));
  return text;
}

bool KnownKind(int32_t kind) {
  return kind == kStaticElement || kind == kNeedleElement || kind == kIconElement ||
         kind == kMovingElement;
}

size_t RecordSize(int32_t kind) {
  switch (kind) {
    case kStaticElement: return sizeof(StaticElement);
    case kNeedleElement: return sizeof(NeedleElement);
    case kIconElement: return sizeof(IconElement);
    case kMovingElement: return sizeof(MovingElement);
    default: return 0;
  }
}

// Whether `bytes` at `address` lie inside the module, so the host may read
// them; a loader that tells nothing about the module lets everything pass.
bool Holds(const Gauge& gauge, const void* address, size_t bytes) {
  return gauge.image.empty() || gauge.image.HoldsData(address, bytes);
}

// One source: the token's variable first (token 0 reads none), then the
// callback, whose result is the element's value; without one, the source's.
double EvaluateSource(const Host& host, ModuleVar& source, ElementCallback callback) {
  if (source.token != 0) source.value = host.Token(source.token);
  if (callback != nullptr) {
    ModuleFloatState floatState;  // a callback is a call into the module too
    return callback(&source);
  }
  return source.value;
}

}  // namespace

// The operations of the host table. Each finds the calling gauge through the
// active host; none allocates or formats unless something is observed.
struct HostCalls {
  static Host& H() { return *Host::active_; }

  static void Note(const char* operation) {
    Host& host = H();
    if (host.observer_ != nullptr && host.current_ != nullptr) {
      host.observer_->HostCall(*host.current_, operation);
    }
  }

  static Gauge* Caller(StaticElement* root, const char* operation) {
    Host& host = H();
    Gauge* gauge = host.GaugeOfRoot(root);
    if (gauge == nullptr && host.current_ != nullptr) {
      host.Fault(*host.current_, std::string(operation) + " was given " + Hex(reinterpret_cast<uintptr_t>(root)) +
                                     ", which is not the gauge's root element");
    }
    return gauge;
  }

  static uint32_t GAUGE_CALL ElementListQuery(StaticElement* root) {
    Note("ElementListQuery");
    Caller(root, "ElementListQuery");
    return 0;
  }
  static void GAUGE_CALL ElementListInstall(StaticElement* root, uint32_t installValue) {
    Note("ElementListInstall");
    if (Gauge* gauge = Caller(root, "ElementListInstall")) {
      gauge->root->imageRecord = &gauge->imageRecord;
      gauge->installValue = installValue;
    }
  }
  static void GAUGE_CALL ElementListInitialize(StaticElement* root) {
    Note("ElementListInitialize");
    Caller(root, "ElementListInitialize");
  }
  static void GAUGE_CALL ElementListUpdate(StaticElement* root) {
    Note("ElementListUpdate");
    if (Gauge* gauge = Caller(root, "ElementListUpdate")) H().EvaluateTree(*gauge);
  }
  static void GAUGE_CALL ElementListGenerate(StaticElement* root, uint32_t generateValue) {
    Note("ElementListGenerate");
    if (Gauge* gauge = Caller(root, "ElementListGenerate")) gauge->generateValue = generateValue;
  }
  static void GAUGE_CALL ElementListDraw(StaticElement* root) { Note("ElementListDraw"); Caller(root, "ElementListDraw"); }
  static void GAUGE_CALL ElementListKill(StaticElement* root) { Note("ElementListKill"); Caller(root, "ElementListKill"); }

  static void GAUGE_CALL MouseListInstall(MouseRect* list, GaugeHeader* header, void* placement) {
    Note("MouseListInstall");
    Host& host = H();
    Gauge* gauge = host.current_;
    if (gauge == nullptr) return;
    if (header != gauge->header) {
      host.Fault(*gauge, "MouseListInstall was given a header that is not the gauge's");
    }
    if (placement != static_cast<void*>(reinterpret_cast<char*>(&gauge->imageRecord) + 4)) {
      host.Fault(*gauge, "MouseListInstall was not given the root's image-record address plus 4");
    }
    gauge->mouseList = nullptr;
    gauge->areas.clear();
    gauge->mouseRegistered = false;
    if (list == nullptr) {
      host.Fault(*gauge, "MouseListInstall was given no mouse list");
      return;
    }
    if (!Holds(*gauge, list, sizeof(MouseRect)) || list[0].kind != kMouseParent) {
      host.Fault(*gauge, "the mouse list does not start with a parent record");
      return;
    }
    std::vector<const MouseRect*> areas;
    size_t i = 1;
    auto readable = [&](size_t n) { return Holds(*gauge, &list[n], sizeof(MouseRect)); };
    for (; i < Host::kMaxListLength && readable(i) && list[i].kind == kMouseArea; ++i) {
      if (list[i].handler == nullptr) {
        host.Fault(*gauge, "click area " + std::to_string(i) + " has no handler");
        return;
      }
      areas.push_back(&list[i]);
    }
    if (i + 1 >= Host::kMaxListLength || !readable(i) || list[i].kind != kMouseEndParent ||
        !readable(i + 1) || list[i + 1].kind != kMouseEnd) {
      host.Fault(*gauge, "the mouse list is not closed by an end-of-parent and an end record "
                         "within " + std::to_string(Host::kMaxListLength) + " records");
      return;
    }
    gauge->mouseList = list;
    gauge->areas = std::move(areas);
  }
  static void GAUGE_CALL MouseListRegister(MouseRect* list, GaugeHeader*) {
    Note("MouseListRegister");
    Host& host = H();
    if (Gauge* gauge = host.current_) {
      if (list != nullptr && list == gauge->mouseList) {
        gauge->mouseRegistered = true;
      } else {
        host.Fault(*gauge, "MouseListRegister was given a list that was not installed");
      }
    }
  }
  static void GAUGE_CALL MouseListUnregister(MouseRect* list, GaugeHeader*) {
    Note("MouseListUnregister");
    Host& host = H();
    if (Gauge* gauge = host.current_) {
      if (list == gauge->mouseList) gauge->mouseRegistered = false;
    }
  }

  static void GAUGE_CALL SendKeyEvent(uint32_t eventId, int32_t value) {
    Note("SendKeyEvent");
    Host& host = H();
    if (host.observer_ != nullptr && host.current_ != nullptr) {
      host.observer_->KeyEvent(*host.current_, eventId, value);
    }
  }

  static void GAUGE_CALL RegisterNamedVar(void* storage, int32_t typeCode, const char* name) {
    Note("RegisterNamedVar");
    Host& host = H();
    Gauge* gauge = host.current_;
    if (gauge == nullptr) return;
    if (name == nullptr || storage == nullptr) {
      host.Fault(*gauge, "RegisterNamedVar was given no name or no storage");
      return;
    }
    if (host.FindVar(name) != nullptr) {
      if (host.observer_ != nullptr) host.observer_->Register(*gauge, name);
      host.Fault(*gauge, std::string("registers \"") + name + "\", which is already registered");
      return;
    }
    auto var = std::make_unique<NamedVar>();
    var->name = name;
    var->storage = storage;
    var->typeCode = typeCode;
    var->owner = gauge;
    host.vars_.push_back(std::move(var));
    if (host.observer_ != nullptr) host.observer_->Register(*gauge, name);
  }

  static void GAUGE_CALL BindNamedVar(ModuleVar* variable, const char* name) {
    Note("BindNamedVar");
    Host& host = H();
    Gauge* gauge = host.current_;
    if (gauge == nullptr) return;
    if (variable == nullptr || name == nullptr) {
      host.Fault(*gauge, "BindNamedVar was given no variable or no name");
      return;
    }
    NamedVar* var = host.FindVar(name);
    if (var != nullptr) {
      variable->pointer = var->storage;
      host.bindings_.push_back({variable, gauge, name});
    }
    if (host.observer_ != nullptr) host.observer_->Bind(*gauge, name, var != nullptr);
  }

  static void GAUGE_CALL LookUpVar(ModuleVar* variable) {
    Note("LookUpVar");
    Host& host = H();
    if (variable == nullptr) {
      if (host.current_ != nullptr) host.Fault(*host.current_, "LookUpVar was given no variable");
      return;
    }
    variable->value = host.Token(variable->token);
    if (host.observer_ != nullptr && host.current_ != nullptr) {
      host.observer_->LookUp(*host.current_, variable->token);
    }
  }

  static void GAUGE_CALL UnregisterNamedVar(const char* name) {
    Note("UnregisterNamedVar");
    Host& host = H();
    Gauge* gauge = host.current_;
    if (name == nullptr) {
      if (gauge != nullptr) host.Fault(*gauge, "UnregisterNamedVar was given no name");
      return;
    }
    if (host.observer_ != nullptr && gauge != nullptr) host.observer_->Unregister(*gauge, name);
    host.UnregisterName(name);
  }
};

Host::Host() {
  active_ = this;
  table_.ElementListQuery = &HostCalls::ElementListQuery;
  table_.ElementListInstall = &HostCalls::ElementListInstall;
  table_.ElementListInitialize = &HostCalls::ElementListInitialize;
  table_.ElementListUpdate = &HostCalls::ElementListUpdate;
  table_.ElementListGenerate = &HostCalls::ElementListGenerate;
  table_.ElementListDraw = &HostCalls::ElementListDraw;
  table_.ElementListKill = &HostCalls::ElementListKill;
  table_.MouseListInstall = &HostCalls::MouseListInstall;
  table_.MouseListRegister = &HostCalls::MouseListRegister;
  table_.MouseListUnregister = &HostCalls::MouseListUnregister;
  table_.SendKeyEvent = &HostCalls::SendKeyEvent;
  table_.RegisterNamedVar = &HostCalls::RegisterNamedVar;
  table_.BindNamedVar = &HostCalls::BindNamedVar;
  table_.LookUpVar = &HostCalls::LookUpVar;
  table_.UnregisterNamedVar = &HostCalls::UnregisterNamedVar;
}

Host::~Host() {
  observer_ = nullptr;
  // Kill what is still installed, then unload, in reverse load order, as a
  // host closing its panel would: a gauge gives back what it holds at kill.
  for (auto it = gauges_.rbegin(); it != gauges_.rend(); ++it) {
    if ((*it)->state != GaugeState::kLoaded) Kill(**it);
  }
  while (!gauges_.empty()) Unload(*gauges_.back());
  if (active_ == this) active_ = nullptr;
}

Gauge& Host::Load(const std::string& name, const std::filesystem::path& file) {
  auto gauge = std::make_unique<Gauge>();
  gauge->name = name;
  const std::string what = "module " + name + " (" + file.string() + ")";
  std::string why;
  gauge->library = ModuleLibrary::Open(file, why);
  if (gauge->library == nullptr) throw ModuleError(what + " cannot be loaded: " + why);

  // Every address the module gives is checked against where it lies before
  // the host follows it: a broken module is an error, not a crash.
  gauge->image = ModuleImage::Of(*gauge->library);
  const Gauge& g = *gauge;
  gauge->linkage = static_cast<LinkageRecord*>(gauge->library->Symbol("Linkage"));
  if (gauge->linkage == nullptr) throw ModuleError(what + " lacks the export Linkage");
  if (!Holds(g, gauge->linkage, sizeof(LinkageRecord))) {
    throw ModuleError(what + ": Linkage does not lie in the module's data");
  }
  auto* imports = static_cast<ImportEntry*>(gauge->library->Symbol("ImportTable"));
  if (imports == nullptr) throw ModuleError(what + " lacks the export ImportTable");
  for (size_t i = 0; i < 64 && Holds(g, &imports[i], sizeof(ImportEntry)) && imports[i].id != 0;
       ++i) {
    if (imports[i].id == kHostTableImportId) {
      gauge->hostSlot = &imports[i];
      break;
    }
  }
  if (gauge->hostSlot == nullptr) {
    throw ModuleError(what + ": its ImportTable has no entry with id 0x0F");
  }
  const LinkageRecord& linkage = *gauge->linkage;
  if (linkage.moduleId != kLinkageModuleId) {
    throw ModuleError(what + ": Linkage has module id " + std::to_string(linkage.moduleId) +
                      ", not 0x13");
  }
  gauge->header = linkage.gauges[0];
  if (gauge->header == nullptr) throw ModuleError(what + ": Linkage names no gauge header");
  if (!Holds(g, gauge->header, sizeof(GaugeHeader))) {
    throw ModuleError(what + ": the gauge header that Linkage names does not lie in the module");
  }
  const GaugeHeader& header = *gauge->header;
  if (header.version != kGaugeHeaderVersion) {
    throw ModuleError(what + ": the gauge header has version " + std::to_string(header.version) +
                      ", not 610");
  }
  if (header.query == nullptr || header.install == nullptr || header.initialize == nullptr ||
      header.update == nullptr || header.generate == nullptr || header.draw == nullptr ||
      header.kill == nullptr) {
    throw ModuleError(what + ": the gauge header lacks one of its seven routines");
  }
  if (!g.image.empty()) {
    for (const void* routine :
         {reinterpret_cast<const void*>(header.query), reinterpret_cast<const void*>(header.install),
          reinterpret_cast<const void*>(header.initialize),
          reinterpret_cast<const void*>(header.update), reinterpret_cast<const void*>(header.generate),
          reinterpret_cast<const void*>(header.draw), reinterpret_cast<const void*>(header.kill)}) {
      if (!g.image.HoldsCode(routine)) {
        throw ModuleError(what + ": a routine of the gauge header is not in the module's code");
      }
    }
  }
  if (header.elementList == nullptr || !Holds(g, header.elementList, sizeof(StaticElement*)) ||
      *header.elementList == nullptr) {
    throw ModuleError(what + ": the gauge header names no root element");
  }
  if (!Holds(g, *header.elementList, sizeof(StaticElement))) {
    throw ModuleError(what + ": the root element does not lie in the module's data");
  }
  gauge->root = *header.elementList;
  ReadTree(*gauge);

  gauge->hostSlot->address = &table_;
  if (linkage.moduleInit != nullptr) {
    CallScope scope(*this, *gauge);
    linkage.moduleInit();
  }
  gauges_.push_back(std::move(gauge));
  return *gauges_.back();
}

void Host::ReadTree(Gauge& gauge) {
  const std::string what = "module " + gauge.name;
  if (gauge.root->header.kind != kStaticElement) {
    throw ModuleError(what + ": the root element is of kind " +
                      std::to_string(gauge.root->header.kind) + ", not a static element");
  }
  gauge.elements.push_back(&gauge.root->header);
  if (ElementHeader** children = gauge.root->header.children) {
    size_t i = 0;
    for (; i < kMaxListLength; ++i) {
      if (!Holds(gauge, &children[i], sizeof(ElementHeader*))) {
        throw ModuleError(what + ": the root's child list runs out of the module's data after " +
                          std::to_string(i) + " entries without a null entry");
      }
      ElementHeader* child = children[i];
      if (child == nullptr) break;
      if (!Holds(gauge, child, sizeof(ElementHeader))) {
        throw ModuleError(what + ": the root's child list is not ended by a null entry: entry " +
                          std::to_string(i + 1) + " (" + Hex(reinterpret_cast<uintptr_t>(child)) +
                          ") is not the address of an element in the module");
      }
      if (!KnownKind(child->kind)) {
        throw ModuleError(what + ": element " + std::to_string(i + 1) + " is of unknown kind " +
                          std::to_string(child->kind));
      }
      if (!Holds(gauge, child, RecordSize(child->kind))) {
        throw ModuleError(what + ": element " + std::to_string(i + 1) +
                          " runs past the end of the module's data");
      }
      gauge.elements.push_back(child);
    }
    if (i == kMaxListLength) {
      throw ModuleError(what + ": the root's child list is not ended within " +
                        std::to_string(kMaxListLength) + " entries");
    }
  }
  gauge.values.assign(gauge.elements.size(), ElementValue{});
}

void Host::Unload(Gauge& gauge) {
  if (gauge.linkage->moduleDeinit != nullptr) {
    CallScope scope(*this, gauge);
    gauge.linkage->moduleDeinit();
  }
  // The module's data goes with it: forget what it bound, and every name
  // whose storage it held, so that nobody writes into it afterwards.
  std::erase_if(bindings_, [&](const Binding& b) { return b.binder == &gauge; });
  std::vector<std::string> owned;
  for (const auto& var : vars_) {
    if (var->owner == &gauge) owned.push_back(var->name);
  }
  for (const std::string& name : owned) UnregisterName(name);
  std::erase_if(gauges_, [&](const std::unique_ptr<Gauge>& g) { return g.get() == &gauge; });
}

void Host::Install(Gauge& gauge, uint32_t value) {
  gauge.state = GaugeState::kInstalled;
  CallScope scope(*this, gauge);
  gauge.header->install(value);
}

void Host::Initialize(Gauge& gauge) {
  gauge.state = GaugeState::kInitialized;
  CallScope scope(*this, gauge);
  gauge.header->initialize();
}

void Host::Update(Gauge& gauge) {
  CallScope scope(*this, gauge);
  gauge.header->update();
}

void Host::Generate(Gauge& gauge, uint32_t value) {
  CallScope scope(*this, gauge);
  gauge.header->generate(value);
}

void Host::Draw(Gauge& gauge) {
  CallScope scope(*this, gauge);
  gauge.header->draw();
}

void Host::Kill(Gauge& gauge) {
  {
    CallScope scope(*this, gauge);
    gauge.header->kill();
  }
  gauge.state = GaugeState::kLoaded;
  gauge.mouseRegistered = false;
}

uint32_t Host::Query(Gauge& gauge) {
  CallScope scope(*this, gauge);
  return gauge.header->query();
}

bool Host::Click(Gauge& gauge, int32_t x, int32_t y) {
  if (!gauge.mouseRegistered) return false;
  for (size_t i = 0; i < gauge.areas.size(); ++i) {
    const MouseRect& area = *gauge.areas[i];
    const int64_t left = area.x, top = area.y;
    if (left <= x && x < left + area.width && top <= y && y < top + area.height) {
      CallArea(gauge, i + 1);
      return true;
    }
  }
  return false;
}

void Host::CallArea(Gauge& gauge, size_t n) {
  if (!gauge.mouseRegistered || n == 0 || n > gauge.areas.size()) return;
  const MouseRect& area = *gauge.areas[n - 1];
  struct {
    int32_t x, y;
  } point = {area.x, area.y};
  CallScope scope(*this, gauge);
  int32_t result = area.handler(&point, area.mouseFlags);
  if (result != 0) {
    Fault(gauge, "the handler of click area " + std::to_string(n) + " returned " +
                     std::to_string(result) + ", not 0");
  }
}

Gauge* Host::Find(const std::string& name) {
  for (auto& gauge : gauges_) {
    if (gauge->name == name) return gauge.get();
  }
  return nullptr;
}

void Host::SetToken(int32_t token, double value) {
  if (token >= 0 && static_cast<size_t>(token) < lowTokens_.size()) {
    lowTokens_[static_cast<size_t>(token)] = value;
  } else {
    highTokens_[token] = value;
  }
}

double Host::Token(int32_t token) const {
  if (token >= 0 && static_cast<size_t>(token) < lowTokens_.size()) {
    return lowTokens_[static_cast<size_t>(token)];
  }
  auto it = highTokens_.find(token);
  return it == highTokens_.end() ? 0.0 : it->second;
}

NamedVar* Host::FindVar(const std::string& name) {
  for (auto& var : vars_) {
    if (var->name == name) return var.get();
  }
  return nullptr;
}

bool Host::RegisterExternal(const std::string& name) {
  if (FindVar(name) != nullptr) return false;
  auto var = std::make_unique<NamedVar>();
  var->name = name;
  var->typeCode = kNamedVarInt32;
  var->externalCell = std::make_unique<int32_t>(0x55555555);
  var->storage = var->externalCell.get();
  vars_.push_back(std::move(var));
  return true;
}

void Host::ReportPlay(uint32_t bytes) {
  if (observer_ != nullptr && current_ != nullptr) observer_->Play(*current_, bytes);
}

void Host::UnregisterName(const std::string& name) {
  // Binders of the name lose its address, so that none writes into storage
  // whose owner has gone.
  for (const Binding& binding : bindings_) {
    if (binding.name == name) binding.variable->pointer = nullptr;
  }
  std::erase_if(bindings_, [&](const Binding& b) { return b.name == name; });
  std::erase_if(vars_, [&](const std::unique_ptr<NamedVar>& v) { return v->name == name; });
}

void Host::Fault(Gauge& gauge, const std::string& what) {
  if (observer_ != nullptr) observer_->Fault(gauge, what);
}

Gauge* Host::GaugeOfRoot(StaticElement* root) {
  if (current_ != nullptr && current_->root == root) return current_;
  for (auto& gauge : gauges_) {
    if (gauge->root == root) return gauge.get();
  }
  return nullptr;
}

void Host::EvaluateTree(Gauge& gauge) {
  for (size_t i = 0; i < gauge.elements.size(); ++i) {
    ElementHeader* element = gauge.elements[i];
    ElementValue& slot = gauge.values[i];
    switch (element->kind) {
      case kIconElement: {
        auto* icon = reinterpret_cast<IconElement*>(element);
        slot.value[0] = EvaluateSource(*this, icon->source, icon->callback);
        slot.evaluated = true;
        break;
      }
      case kNeedleElement: {
        auto* needle = reinterpret_cast<NeedleElement*>(element);
        slot.value[0] = EvaluateSource(*this, needle->source, needle->callback);
        slot.evaluated = true;
        break;
      }
      case kMovingElement: {
        auto* moving = reinterpret_cast<MovingElement*>(element);
        slot.value[0] = EvaluateSource(*this, moving->xSource, moving->xCallback);
        slot.value[1] = EvaluateSource(*this, moving->ySource, moving->yCallback);
        slot.evaluated = true;
        break;
      }
      default:
        break;  // a static element has no value
    }
  }
}

}  // namespace bench
