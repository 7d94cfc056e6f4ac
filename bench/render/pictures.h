// The pictures a bench run takes: of one gauge, of a panel layout, or of
// every loaded gauge side by side; at the end of a script (`shot`) or after
// every frame (`run --frames DIR`).
#pragma once

#include <filesystem>
#include <optional>
#include <string>

#include "bench/host/host.h"
#include "bench/render/image.h"
#include "bench/render/panel.h"
#include "bench/render/renderer.h"

namespace bench {

struct PictureOptions {
  std::string gauge;               // one gauge, at its natural size; or
  std::filesystem::path panel;     // a panel layout file; or neither: every gauge
  double scale = 1.0;              // the whole picture scaled by this factor
  std::optional<Rgba> background;  // behind one gauge's picture (else transparent)
};

class Pictures {
 public:
  // Reads the panel layout at once, so that a bad layout stops the run
  // before the script starts; throws RenderError.
  Pictures(const Host& host, PictureOptions options);

  // The picture now. `whileRunning`: gauges the script has not loaded yet
  // are left out instead of being an error.
  Image Take(bool whileRunning);
  // Writes the picture now to `file`.
  void Write(const std::filesystem::path& file, bool whileRunning);
  // Writes the picture of the next frame into `folder` as frame-NNNNN.png.
  void WriteFrame(const std::filesystem::path& folder);

 private:
  const Host& host_;
  PictureOptions options_;
  std::optional<PanelLayout> layout_;
  Renderer renderer_;
  int frames_ = 0;
};

}  // namespace bench
