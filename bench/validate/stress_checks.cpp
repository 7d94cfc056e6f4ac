// The stress checks: long runs of clicks, frames, host values and lifecycle
// orders, every call held to the contract. Every choice comes from the
// check's seed, and every step is named, so that a failure can be replayed.
#include <limits>
#include <sstream>

#include "bench/validate/check.h"
#include "bench/validate/records.h"
#include "bench/validate/session.h"
#include "bench/validate/world_inputs.h"

namespace bench::validate {

namespace {

struct Point {
  int32_t x, y;
};

constexpr int32_t kMin = std::numeric_limits<int32_t>::min();
constexpr int32_t kMax = std::numeric_limits<int32_t>::max();

int32_t Clamp(int64_t value) {
  return static_cast<int32_t>(std::min<int64_t>(std::max<int64_t>(value, kMin), kMax));
}

// The points that matter around an area: its corners and middle, and the
// pixels just outside each edge.
std::vector<Point> PointsAround(const MouseRect& area) {
  const int64_t left = area.x, top = area.y;
  const int64_t right = left + area.width - 1, bottom = top + area.height - 1;
  const int64_t midX = left + area.width / 2, midY = top + area.height / 2;
  std::vector<Point> points;
  for (int64_t x : {left, midX, right}) {
    for (int64_t y : {top, midY, bottom}) points.push_back({Clamp(x), Clamp(y)});
  }
  for (Point p : {Point{Clamp(left - 1), Clamp(midY)}, Point{Clamp(right + 1), Clamp(midY)},
                  Point{Clamp(midX), Clamp(top - 1)}, Point{Clamp(midX), Clamp(bottom + 1)},
                  Point{Clamp(left - 1), Clamp(top - 1)}, Point{Clamp(right + 1), Clamp(bottom + 1)}}) {
    points.push_back(p);
  }
  return points;
}

Point InsideOf(Random& random, const MouseRect& area) {
  return {Clamp(area.x + Between(random, 0, std::max(area.width, 1) - 1)),
          Clamp(area.y + Between(random, 0, std::max(area.height, 1) - 1))};
}

// Anywhere: near the face, or far off it, to the ends of the range.
Point Anywhere(Random& random) {
  if (Chance(random, 0.8)) {
    return {static_cast<int32_t>(Between(random, -20, 400)),
            static_cast<int32_t>(Between(random, -20, 400))};
  }
  const int32_t extremes[] = {kMin, kMin + 1, -1, 0, kMax - 1, kMax};
  return {extremes[Between(random, 0, 5)], extremes[Between(random, 0, 5)]};
}

std::string PointText(Point p) {
  return "(" + std::to_string(p.x) + ", " + std::to_string(p.y) + ")";
}

// A click at a point, named with the area it falls in.
void ClickAt(Session& s, const std::string& step, Point p) {
  std::string where = "outside every area";
  if (Gauge* gauge = s.gauge()) {
    for (size_t i = 0; i < gauge->areas.size(); ++i) {
      const MouseRect& area = *gauge->areas[i];
      if (area.x <= p.x && int64_t{p.x} < int64_t{area.x} + area.width && area.y <= p.y &&
          int64_t{p.y} < int64_t{area.y} + area.height) {
        where = "in " + DescribeArea(area, i + 1);
        break;
      }
    }
  }
  s.Step(step + ": click " + PointText(p) + " " + where);
  s.Click(p.x, p.y);
}

// Token values and named-variable values for a frame, named in the step.
std::string NewValues(Session& s, bool variablesToo) {
  s.RandomizeTokens();
  if (variablesToo) s.RandomizeVariables();
  std::ostringstream text;
  const char* separator = " with ";
  for (int32_t token : s.tokens()) {
    text << separator << "token " << token << " = " << FormatDouble(s.host().Token(token));
    separator = ", ";
  }
  if (variablesToo) {
    for (const auto& var : s.host().vars()) {
      if (var->owner != nullptr && var->owner == s.gauge()) {
        text << separator << var->name << " = " << var->Read();
        separator = ", ";
      }
    }
  }
  return text.str();
}

void RunFrame(Session& s, const std::string& step, const std::string& values = "") {
  s.Step(step + ": frame" + values);
  s.Frame();
}

// Load, install and initialize once to learn the names the gauge binds,
// then start again with them registered or not, as the seed says.
bool Start(Session& s) {
  s.Step("load");
  if (!s.Load()) return false;
  // A world with everything in it; stress.lifecycle changes it as it goes.
  SetUpWorld(s.world(), SoundFileNames(s.image()), s.random());
  s.Step("install");
  s.Install(PassValue(s.random()));
  s.Step("initialize");
  s.Initialize();
  if (!s.boundNames().empty()) {
    s.Step("kill");
    s.Kill();
    if (Chance(s.random(), 0.7)) s.ProvideBoundNames();
    s.Step("install again");
    s.Install(PassValue(s.random()));
    s.Step("initialize again");
    s.Initialize();
  }
  return !s.failed();
}

void Finish(Session& s) {
  s.Step("kill");
  s.Kill();
  s.Step("unload");
  s.Unload();
}

}  // namespace

void CheckStressClicks(CheckEnv& env) {
  Session s(env);
  if (!Start(s)) return;
  int step = 0;
  auto name = [&] { return "step " + std::to_string(++step); };
  const std::vector<const MouseRect*> areas = s.gauge()->areas;
  for (size_t n = 0; n < areas.size() && !s.failed(); ++n) {
    for (Point p : PointsAround(*areas[n])) {
      if (s.failed()) break;
      ClickAt(s, name(), p);
      if (Chance(s.random(), 0.3)) RunFrame(s, name());
    }
  }
  const Point extremes[] = {{kMin, kMin}, {kMax, kMax}, {kMin, kMax}, {kMax, kMin},
                            {-1, -1},     {0, 0},       {-1, 0},      {0, -1}};
  for (Point p : extremes) {
    if (s.failed()) break;
    ClickAt(s, name(), p);
  }
  for (int i = 0; i < env.steps && !s.failed(); ++i) {
    if (!areas.empty() && Chance(s.random(), 0.6)) {
      const MouseRect& area = *areas[static_cast<size_t>(Between(s.random(), 0, static_cast<int64_t>(areas.size()) - 1))];
      ClickAt(s, name(), InsideOf(s.random(), area));
    } else {
      ClickAt(s, name(), Anywhere(s.random()));
    }
    if (Chance(s.random(), 0.25)) RunFrame(s, name());
  }
  Finish(s);
}

void CheckStressValues(CheckEnv& env) {
  Session s(env);
  if (!Start(s)) return;
  const std::vector<const MouseRect*> areas = s.gauge()->areas;
  for (int i = 1; i <= env.steps && !s.failed(); ++i) {
    const std::string name = "step " + std::to_string(i);
    const int64_t pick = Between(s.random(), 0, 99);
    if (pick < 50) {
      RunFrame(s, name, NewValues(s, Chance(s.random(), 0.5)));
    } else if (pick < 75 && !areas.empty()) {
      const size_t n = static_cast<size_t>(Between(s.random(), 1, static_cast<int64_t>(areas.size())));
      s.Step(name + ": click on " + DescribeArea(*areas[n - 1], n) + NewValues(s, Chance(s.random(), 0.3)));
      s.CallArea(n);
    } else if (pick < 95) {
      ClickAt(s, name, Anywhere(s.random()));
    } else {
      s.Step(name + ": query");
      s.Query();
    }
  }
  Finish(s);
}

void CheckStressLifecycle(CheckEnv& env) {
  Session s(env);
  if (!Start(s)) return;
  const std::vector<std::string> soundNames = SoundFileNames(s.image());
  for (int i = 1; i <= env.steps && !s.failed(); ++i) {
    const std::string name = "step " + std::to_string(i);
    if (Chance(s.random(), 0.08)) {
      s.Step(name + ": " + ChangeWorld(s.world(), soundNames, s.random()));
      continue;
    }
    const int64_t pick = Between(s.random(), 0, 99);
    if (!s.loaded()) {
      s.Step(name + ": load");
      s.Load();
      continue;
    }
    switch (s.state()) {
      case GaugeState::kLoaded:
        if (pick < 70) {
          if (Chance(s.random(), 0.5)) s.ProvideBoundNames();
          s.Step(name + ": install");
          s.Install(PassValue(s.random()));
        } else if (pick < 85) {
          s.Step(name + ": unload");
          s.Unload();
        } else if (pick < 95) {
          s.Step(name + ": module init and deinit");
          s.ModuleInit();
          s.ModuleDeinit();
        } else {
          s.Step(name + ": query");
          s.Query();
        }
        break;
      case GaugeState::kInstalled:
        if (pick < 75) {
          s.Step(name + ": initialize" + NewValues(s, false));
          s.Initialize();
        } else if (pick < 95) {
          s.Step(name + ": kill without initialize");
          s.Kill();
        } else {
          s.Step(name + ": query");
          s.Query();
        }
        break;
      case GaugeState::kInitialized:
        if (pick < 40) {
          RunFrame(s, name, NewValues(s, Chance(s.random(), 0.3)));
        } else if (pick < 75) {
          Point p = Anywhere(s.random());
          const auto& areas = s.gauge()->areas;
          if (!areas.empty() && Chance(s.random(), 0.7)) {
            p = InsideOf(s.random(), *areas[static_cast<size_t>(Between(s.random(), 0, static_cast<int64_t>(areas.size()) - 1))]);
          }
          ClickAt(s, name, p);
        } else if (pick < 85) {
          s.Step(name + ": kill");
          s.Kill();
        } else if (pick < 92 && !s.boundNames().empty()) {
          // The gauge that registers a bound name leaves the panel, or comes back.
          const auto& names = s.boundNames();
          const std::string& bound = names[static_cast<size_t>(Between(s.random(), 0, static_cast<int64_t>(names.size()) - 1))];
          s.Step(name + ": the name \"" + bound + "\" goes away");
          s.WithdrawBoundName(bound);
        } else {
          s.Step(name + ": query");
          s.Query();
        }
        break;
    }
  }
  Finish(s);
}

}  // namespace bench::validate
