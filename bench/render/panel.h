// Panels: several gauges on one picture, placed by a panel layout file.
//
// A layout file is written the way panel builders write a window of the
// simulator's panel configuration, one gauge a line:
//
//   [Window00]
//   size_mm=400,300                       ; the picture's size in pixels
//   background_color=40,44,48             ; the panel's colour (default 46,50,54)
//   gauge00=levelset!KRW TRX82 Altitude Preselector, 10, 120, 105
//   gauge01=radalt, 130, 10, 151, 151     ; module[!gauge name], x, y[, width[, height]]
//
// A gauge takes its natural size without a width, and keeps its shape with a
// width alone. The gauge name after "!" must be the module's gauge's own.
// Blank lines, "//" and ";" comments and [section] lines are allowed; other
// keys of the configuration (file=, position=, ...) are ignored. Without
// size_mm the picture is as large as its gauges need, with the same margin
// right and below as left and above. Any other line is an error naming the
// file and the line.
#pragma once

#include <filesystem>
#include <optional>
#include <string>
#include <vector>

#include "bench/host/host.h"
#include "bench/render/image.h"
#include "bench/render/renderer.h"

namespace bench {

struct PanelGauge {
  int line = 0;
  std::string module;     // the gauge's module: guidepanel, levelset, ...
  std::string gaugeName;  // the name after "!", or empty
  int x = 0, y = 0;
  int width = 0, height = 0;  // 0: natural size, or the shape kept
};

struct PanelLayout {
  std::string file;  // for messages
  int width = 0, height = 0;  // 0: as large as the gauges need
  Rgba background{46, 50, 54, 255};
  std::vector<PanelGauge> gauges;
  bool sideBySide = false;  // gauges left to right 10 pixels apart; x ignored
};

// Throws RenderError "FILE:LINE: what is wrong".
PanelLayout ParsePanelLayout(const std::string& text, const std::string& file);
PanelLayout ReadPanelLayout(const std::filesystem::path& file);

// Every loaded gauge in load order, side by side, at its natural size.
PanelLayout DefaultLayout(const Host& host);

// The panel's picture. A layout line naming a gauge the host has not loaded
// is an error, unless `skipMissing` (frames of a script that loads later).
Image RenderPanel(const Host& host, Renderer& renderer, const PanelLayout& layout,
                  bool skipMissing);

}  // namespace bench
