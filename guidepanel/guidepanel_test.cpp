// The panel loaded in the bench's host: whatever state the modes are in, a
// press never crashes and changes no field of any record but the ImageHidden
// bit of an icon; the sequencer keeps to the same rule, and the panel never
// writes the named variables it owns.
#include <gtest/gtest.h>

#include <array>
#include <cmath>
#include <cstring>
#include <functional>
#include <limits>
#include <random>
#include <string>
#include <vector>

#include "bench/host/host.h"

namespace {

using bench::Gauge;
using bench::Host;
using bench::ModuleLibrary;

const std::filesystem::path kModules = GAUGE_MODULE_DIR;

// Click areas, in mouse-list order.
enum Button : size_t { kAltSel = 1, kAlt, kNav, kHdg, kAppr, kVs, kIas, kRev, kGa };
constexpr size_t kButtonCount = 9;
const char* const kButtonNames[] = {"", "ALTSL", "ALT", "NAV", "HDG", "APPR",
                                    "VS", "IAS", "REV", "GA"};

constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();
constexpr double kInf = std::numeric_limits<double>::infinity();

size_t RecordSize(const ElementHeader& element) {
  switch (element.kind) {
    case kStaticElement: return sizeof(StaticElement);
    case kIconElement: return sizeof(IconElement);
    case kNeedleElement: return sizeof(NeedleElement);
    case kMovingElement: return sizeof(MovingElement);
    default: return sizeof(ElementHeader);
  }
}

// Every byte of the panel's records, with each element's ImageHidden bit
// masked out.
struct RecordImage {
  std::vector<std::vector<unsigned char>> elements;
  std::vector<unsigned char> mouseList;
  std::vector<std::array<int32_t, 2>> failures;  // system, action

  bool operator==(const RecordImage&) const = default;
};

class Panel {
 public:
  Panel() { Load(); }

  void Load() {
    gauge_ = &host_.Load("guidepanel", kModules / ModuleLibrary::FileName("guidepanel"));
    host_.Install(*gauge_, 0);
    host_.Initialize(*gauge_);
    for (const char* name : {"DHeight_Call", "Master_On", "Alt_Sel"}) {
      cells_.push_back(static_cast<int32_t*>(host_.FindVar(name)->storage));
    }
  }

  // A fresh module: static state as at load.
  void Reload() {
    host_.Kill(*gauge_);
    host_.Unload(*gauge_);
    cells_.clear();
    Load();
  }

  void Press(size_t button) { host_.CallArea(*gauge_, button); }
  void Update() { host_.Update(*gauge_); }
  void Token(int32_t token, double value) { host_.SetToken(token, value); }
  void DHeightCall(int32_t value) { *cells_[0] = value; }
  void MasterOn(int32_t value) { *cells_[1] = value; }
  void AltSel(int32_t value) { *cells_[2] = value; }
  std::array<int32_t, 3> Cells() const { return {*cells_[0], *cells_[1], *cells_[2]}; }
  bool Hidden(size_t element) const { return gauge_->hidden(element); }

  RecordImage Image() const {
    RecordImage image;
    for (const ElementHeader* element : gauge_->elements) {
      std::vector<unsigned char> bytes(RecordSize(*element));
      std::memcpy(bytes.data(), element, bytes.size());
      uint32_t flags = element->imageFlags & ~ImageHidden;
      std::memcpy(bytes.data() + offsetof(ElementHeader, imageFlags), &flags, sizeof flags);
      image.elements.push_back(std::move(bytes));
      if (element->failures != nullptr) {
        for (const FailureRecord* f = element->failures;; ++f) {
          image.failures.push_back({f->system, f->action});
          if (f->system == 0 && f->action == 0) break;
        }
      }
    }
    const MouseRect* list = gauge_->mouseList;
    size_t count = 1;
    while (list[count - 1].kind != kMouseEnd) ++count;
    image.mouseList.resize(count * sizeof(MouseRect));
    std::memcpy(image.mouseList.data(), list, image.mouseList.size());
    return image;
  }

  Gauge& gauge() { return *gauge_; }

 private:
  Host host_;
  Gauge* gauge_ = nullptr;
  std::vector<int32_t*> cells_;
};

// Presses `button` and then runs an update, checking after each that only
// ImageHidden bits changed and the named cells are as they were.
void PressAndUpdateKeepsRecords(Panel& panel, size_t button, const std::string& where) {
  const RecordImage before = panel.Image();
  const auto cells = panel.Cells();
  panel.Press(button);
  EXPECT_TRUE(panel.Image() == before) << where << ": press " << kButtonNames[button];
  EXPECT_EQ(panel.Cells(), cells) << where << ": press " << kButtonNames[button];
  panel.Update();
  EXPECT_TRUE(panel.Image() == before) << where << ": update after " << kButtonNames[button];
  EXPECT_EQ(panel.Cells(), cells) << where << ": update after " << kButtonNames[button];
}

TEST(GuidepanelRecords, FaceAndControlsAsLoaded) {
  Panel panel;
  Gauge& gauge = panel.gauge();
  ASSERT_EQ(gauge.elements.size(), 25u);
  EXPECT_STREQ(gauge.header->name, "KRW Varnell TRX82 Flight Director Panel");
  EXPECT_EQ(gauge.header->defaultSize, 57);
  EXPECT_EQ(gauge.root->header.imageFlags, 0x1u);
  EXPECT_EQ(gauge.elements[1]->imageFlags, 0x5u);
  const FailureRecord* shared = gauge.elements[3]->failures;
  ASSERT_NE(shared, nullptr);
  EXPECT_EQ(shared[0].system, 1);
  EXPECT_EQ(shared[0].action, 2);
  EXPECT_EQ(shared[1].system, 0);
  EXPECT_EQ(shared[1].action, 0);
  int withFailures = 0;
  for (size_t i = 2; i < gauge.elements.size(); ++i) {
    const auto& icon = *reinterpret_cast<const IconElement*>(gauge.elements[i]);
    EXPECT_EQ(icon.header.kind, kIconElement) << i;
    EXPECT_EQ(icon.header.imageFlags, 0x40000006u) << i;
    EXPECT_EQ(icon.imageCount, 1) << i;
    EXPECT_EQ(icon.callback, nullptr) << i;
    EXPECT_EQ(icon.source.token, i == 12 ? 120 : 0) << i;
    if (icon.header.failures != nullptr) {
      EXPECT_EQ(icon.header.failures, shared) << i;
      ++withFailures;
    }
  }
  EXPECT_EQ(withFailures, 15);

  ASSERT_EQ(gauge.areas.size(), kButtonCount);
  const std::array<std::array<int32_t, 4>, kButtonCount> boxes = {{
      {100, 79, 34, 21}, {56, 79, 34, 21}, {100, 54, 34, 21}, {56, 54, 34, 21},
      {142, 54, 34, 21}, {142, 81, 34, 21}, {184, 81, 34, 21}, {184, 54, 34, 21},
      {226, 54, 34, 21}}};
  for (size_t i = 0; i < kButtonCount; ++i) {
    const MouseRect& area = *gauge.areas[i];
    EXPECT_EQ((std::array<int32_t, 4>{area.x, area.y, area.width, area.height}), boxes[i]) << i;
    EXPECT_EQ(area.cursor, 5) << i;
    EXPECT_EQ(area.mouseFlags, 0x20000000u) << i;
  }
}

// States the panel can be brought to, each from a fresh module. The
// autopilot reads engaged (token 103 at 1) unless a state says otherwise.
struct ModeState {
  const char* name;
  std::function<void(Panel&)> reach;
};

const std::vector<ModeState>& ModeStates() {
  static const std::vector<ModeState> states = {
      {"fresh, no update yet", [](Panel&) {}},
      {"master off, latched", [](Panel& p) { p.Update(); }},
      {"master off, every mode marked",
       [](Panel& p) {
         p.Update();
         for (size_t b = 1; b <= kButtonCount; ++b) p.Press(b);
       }},
      {"master on, nothing selected",
       [](Panel& p) {
         p.MasterOn(1);
         p.Update();
       }},
      {"master on, one mode selected: HDG", [](Panel& p) { p.MasterOn(1); p.Update(); p.Press(kHdg); }},
      {"master on, NAV armed",
       [](Panel& p) {
         p.MasterOn(1);
         p.Token(40, 100.0);
         p.Update();
         p.Press(kNav);
         p.Update();
       }},
      {"master on, NAV captured",
       [](Panel& p) {
         p.MasterOn(1);
         p.Update();
         p.Press(kNav);
         p.Update();
       }},
      {"master on, approach armed",
       [](Panel& p) {
         p.MasterOn(1);
         p.Token(40, 100.0);
         p.Token(41, -10.0);
         p.Update();
         p.Press(kAppr);
         p.Update();
       }},
      {"master on, localizer captured",
       [](Panel& p) {
         p.MasterOn(1);
         p.Token(41, -10.0);
         p.Update();
         p.Press(kAppr);
         p.Update();
       }},
      {"master on, glide slope captured with VS, IAS and NAV",
       [](Panel& p) {
         p.MasterOn(1);
         p.Update();
         p.Press(kVs);
         p.Press(kIas);
         p.Press(kAppr);
         p.Update();
         p.Token(40, 100.0);
         p.Press(kNav);
         p.Update();
       }},
      {"master on, REV", [](Panel& p) { p.MasterOn(1); p.Update(); p.Press(kRev); }},
      {"master on, GA", [](Panel& p) { p.MasterOn(1); p.Update(); p.Press(kGa); }},
      {"master on, ALT and IAS",
       [](Panel& p) {
         p.MasterOn(1);
         p.Update();
         p.Press(kAlt);
         p.Press(kIas);
       }},
      {"master on, ALTSL and VS, ALT ARM lit",
       [](Panel& p) {
         p.MasterOn(1);
         p.AltSel(5000);
         p.Update();
         p.Press(kAltSel);
         p.Press(kVs);
         p.Update();
       }},
      {"decision height with approach and IAS",
       [](Panel& p) {
         p.MasterOn(1);
         p.Token(40, 100.0);
         p.Update();
         p.Press(kAppr);
         p.Press(kIas);
         p.DHeightCall(1);
         p.Update();
       }},
      {"restore repeating with every mode marked",
       [](Panel& p) {
         p.Update();
         for (size_t b = 1; b <= kButtonCount; ++b) p.Press(b);
         p.MasterOn(1);
         p.Token(103, 0.0);
         p.Update();
       }},
      {"master back on, DIS still latched",
       [](Panel& p) {
         p.Update();
         p.MasterOn(1);
         p.Update();
       }},
      {"readings not numbers",
       [](Panel& p) {
         p.MasterOn(1);
         p.AltSel(INT32_MAX);
         for (int32_t t : {73, 65, 61, 40, 41, 44, 103}) p.Token(t, kNaN);
         p.Update();
         p.Press(kAltSel);
         p.Press(kNav);
         p.Update();
       }},
  };
  return states;
}

TEST(GuidepanelButtons, EveryButtonInEveryStateChangesOnlyImageHiddenBits) {
  Panel panel;
  for (const ModeState& state : ModeStates()) {
    for (size_t button = 1; button <= kButtonCount; ++button) {
      panel.Reload();
      panel.Token(103, 1.0);
      panel.Token(40, 0.0);
      panel.Token(41, 0.0);
      panel.Token(44, 0.0);
      panel.Token(73, 0.0);
      state.reach(panel);
      PressAndUpdateKeepsRecords(panel, button, state.name);
      // Twice: the release, or the selection after a refusal or release.
      PressAndUpdateKeepsRecords(panel, button, state.name);
    }
  }
}

// A long random walk of presses, updates, master and alert changes and odd
// readings over one loaded panel; replayable from its seed.
TEST(GuidepanelButtons, RandomWalkChangesOnlyImageHiddenBits) {
  const std::array<double, 12> readings = {0.0,   -4.9, -5.0, 29.9,  30.0, 59.9,
                                           -60.0, 1.0,  100.0, kNaN, kInf, -1e300};
  const std::array<int32_t, 7> tokens = {73, 65, 61, 40, 41, 44, 103};
  const std::array<int32_t, 6> altitudes = {0, 500, 50, INT32_MAX, INT32_MIN, -100};
  for (uint32_t seed : {1u, 2u, 3u, 4u}) {
    std::mt19937 random(seed);
    Panel panel;
    const RecordImage loaded = panel.Image();
    int32_t master = 0, alert = 0, selected = 0;
    for (int step = 0; step < 5000; ++step) {
      const std::string where = "seed " + std::to_string(seed) + " step " + std::to_string(step);
      const uint32_t action = random() % 16;
      if (action < 9) {
        panel.Press(action + 1);
      } else if (action < 12) {
        panel.Update();
      } else if (action == 12) {
        const std::array<int32_t, 4> masters = {1, 1, 0, 2};  // 2: neither on nor off
        master = masters[random() % masters.size()];
        panel.MasterOn(master);
      } else if (action == 13) {
        alert = static_cast<int32_t>(random() % 2);
        panel.DHeightCall(alert);
      } else if (action == 14) {
        selected = altitudes[random() % altitudes.size()];
        panel.AltSel(selected);
      } else {
        panel.Token(tokens[random() % tokens.size()], readings[random() % readings.size()]);
      }
      ASSERT_TRUE(panel.Image() == loaded) << where;
      ASSERT_EQ(panel.Cells(), (std::array<int32_t, 3>{alert, master, selected})) << where;
      ASSERT_FALSE(panel.Hidden(1)) << where;
    }
  }
}

}  // namespace
