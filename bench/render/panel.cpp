#include "bench/render/panel.h"

#include <algorithm>
#include <cctype>
#include <charconv>
#include <cmath>
#include <fstream>
#include <sstream>

namespace bench {

namespace {

std::string Trim(std::string_view s) {
  size_t b = 0, e = s.size();
  while (b < e && std::isspace(static_cast<unsigned char>(s[b]))) ++b;
  while (e > b && std::isspace(static_cast<unsigned char>(s[e - 1]))) --e;
  return std::string(s.substr(b, e - b));
}

std::string Lower(std::string s) {
  for (char& c : s) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  return s;
}

std::vector<std::string> SplitCommas(const std::string& s) {
  std::vector<std::string> fields;
  std::stringstream in(s);
  std::string field;
  while (std::getline(in, field, ',')) fields.push_back(Trim(field));
  if (!s.empty() && s.back() == ',') fields.emplace_back();
  return fields;
}

// A whole decimal number; false for anything else.
bool ParseInt(const std::string& s, int& out) {
  if (s.empty()) return false;
  const char* end = s.data() + s.size();
  const auto result = std::from_chars(s.data() + (s[0] == '+' ? 1 : 0), end, out);
  return result.ec == std::errc() && result.ptr == end;
}

// Cuts a comment (";" or "//") from a line.
std::string Uncomment(const std::string& line) {
  size_t cut = line.find(';');
  const size_t slashes = line.find("//");
  if (slashes != std::string::npos) cut = std::min(cut, slashes);
  return cut == std::string::npos ? line : line.substr(0, cut);
}

}  // namespace

PanelLayout ParsePanelLayout(const std::string& text, const std::string& file) {
  PanelLayout layout;
  layout.file = file;
  std::stringstream in(text);
  std::string raw;
  int number = 0;
  while (std::getline(in, raw)) {
    ++number;
    const std::string where = file + ":" + std::to_string(number) + ": ";
    const std::string line = Trim(Uncomment(raw));
    if (line.empty() || (line.front() == '[' && line.back() == ']')) continue;
    const size_t equals = line.find('=');
    if (equals == std::string::npos) {
      throw RenderError(where + "expected KEY=VALUE, such as gauge00=levelset, 10, 20");
    }
    const std::string key = Lower(Trim(line.substr(0, equals)));
    const std::string value = Trim(line.substr(equals + 1));
    const std::vector<std::string> fields = SplitCommas(value);
    auto number_at = [&](size_t i, const char* what, int minimum) {
      int n = 0;
      if (i >= fields.size() || !ParseInt(fields[i], n)) {
        throw RenderError(where + key + ": " + what + " must be a whole number" +
                          (i < fields.size() ? ", not \"" + fields[i] + "\"" : ""));
      }
      if (n < minimum) {
        throw RenderError(where + key + ": " + what + " must be at least " +
                          std::to_string(minimum) + ", not " + fields[i]);
      }
      return n;
    };
    if (key == "size_mm") {
      if (fields.size() != 2) throw RenderError(where + "size_mm takes a width and a height");
      layout.width = number_at(0, "the width", 1);
      layout.height = number_at(1, "the height", 1);
    } else if (key == "background_color") {
      if (fields.size() != 3) throw RenderError(where + "background_color takes red, green, blue");
      const int r = number_at(0, "red", 0), g = number_at(1, "green", 0), b = number_at(2, "blue", 0);
      if (r > 255 || g > 255 || b > 255) {
        throw RenderError(where + "background_color: each part must be 0 to 255");
      }
      layout.background = {static_cast<uint8_t>(r), static_cast<uint8_t>(g),
                           static_cast<uint8_t>(b), 255};
    } else if (key.starts_with("gauge") && key.size() > 5 &&
               std::all_of(key.begin() + 5, key.end(), [](char c) { return std::isdigit(static_cast<unsigned char>(c)); })) {
      if (fields.size() < 3 || fields.size() > 5) {
        throw RenderError(where + key + ": expected MODULE[!GAUGE], X, Y[, WIDTH[, HEIGHT]]");
      }
      PanelGauge gauge;
      gauge.line = number;
      const size_t bang = fields[0].find('!');
      gauge.module = Trim(fields[0].substr(0, bang));
      if (bang != std::string::npos) gauge.gaugeName = Trim(fields[0].substr(bang + 1));
      if (gauge.module.empty()) throw RenderError(where + key + ": names no module");
      gauge.x = number_at(1, "x", -100000);
      gauge.y = number_at(2, "y", -100000);
      if (fields.size() > 3) gauge.width = number_at(3, "the width", 1);
      if (fields.size() > 4) gauge.height = number_at(4, "the height", 1);
      layout.gauges.push_back(gauge);
    }
    // Any other key of a panel configuration is the simulator's, not ours.
  }
  return layout;
}

PanelLayout ReadPanelLayout(const std::filesystem::path& file) {
  std::ifstream in(file, std::ios::binary);
  if (!in) throw RenderError("cannot read the panel layout " + file.string());
  std::stringstream text;
  text << in.rdbuf();
  PanelLayout layout = ParsePanelLayout(text.str(), file.string());
  if (layout.gauges.empty()) throw RenderError(file.string() + ": the layout places no gauge");
  return layout;
}

PanelLayout DefaultLayout(const Host& host) {
  PanelLayout layout;
  layout.file = "(every loaded gauge)";
  layout.sideBySide = true;
  for (const auto& gauge : host.gauges()) {
    PanelGauge placed;
    placed.module = gauge->name;
    placed.y = 10;
    layout.gauges.push_back(placed);
  }
  return layout;
}

Image RenderPanel(const Host& host, Renderer& renderer, const PanelLayout& layout,
                  bool skipMissing) {
  struct Placed {
    Image picture;
    int x, y;
  };
  std::vector<Placed> placed;
  int nextX = 10;
  for (const PanelGauge& entry : layout.gauges) {
    const std::string where = layout.file + ":" + std::to_string(entry.line) + ": ";
    const Gauge* gauge = nullptr;
    for (const auto& loaded : host.gauges()) {
      if (loaded->name == entry.module) gauge = loaded.get();
    }
    if (gauge == nullptr) {
      if (skipMissing) continue;
      throw RenderError(where + "the script has not loaded the module " + entry.module);
    }
    if (!entry.gaugeName.empty() && entry.gaugeName != gauge->header->name) {
      throw RenderError(where + "the module " + entry.module + " holds no gauge named \"" +
                        entry.gaugeName + "\"; its gauge is \"" + gauge->header->name + "\"");
    }
    Image picture = renderer.Render(*gauge);
    int width = entry.width, height = entry.height;
    if (width == 0) {
      width = picture.width();
      height = picture.height();
    } else if (height == 0) {
      height = std::max(1, static_cast<int>(std::lround(static_cast<double>(width) *
                                                        picture.height() / picture.width())));
    }
    const int x = layout.sideBySide ? nextX : entry.x;
    nextX += width + 10;
    placed.push_back({Resize(picture, width, height), x, entry.y});
  }
  int width = layout.width, height = layout.height;
  if (width == 0 || height == 0) {
    int minX = 0, minY = 0, maxX = 1, maxY = 1;
    if (!placed.empty()) {
      minX = minY = 1 << 30;
      for (const Placed& p : placed) {
        minX = std::min(minX, p.x);
        minY = std::min(minY, p.y);
        maxX = std::max(maxX, p.x + p.picture.width());
        maxY = std::max(maxY, p.y + p.picture.height());
      }
    }
    if (width == 0) width = maxX + std::max(0, minX);
    if (height == 0) height = maxY + std::max(0, minY);
  }
  Image panel(width, height, layout.background);
  for (const Placed& p : placed) panel.Over(p.picture, p.x, p.y);
  return panel;
}

}  // namespace bench
