#include "bench/render/pictures.h"

#include <cmath>
#include <cstdio>

namespace bench {

Pictures::Pictures(const Host& host, PictureOptions options)
    : host_(host), options_(std::move(options)) {
  if (!(options_.scale > 0.0 && options_.scale <= 16.0)) {
    throw RenderError("the scale must be above 0 and at most 16");
  }
  if (!options_.panel.empty()) layout_ = ReadPanelLayout(options_.panel);
}

Image Pictures::Take(bool whileRunning) {
  Image picture;
  if (!options_.gauge.empty()) {
    const Gauge* gauge = nullptr;
    for (const auto& loaded : host_.gauges()) {
      if (loaded->name == options_.gauge) gauge = loaded.get();
    }
    if (gauge == nullptr) {
      if (!whileRunning) throw RenderError("the script has not loaded " + options_.gauge);
      picture = Image(1, 1);
    } else {
      picture = renderer_.Render(*gauge);
      if (options_.background) {
        Image behind(picture.width(), picture.height(), *options_.background);
        behind.Over(picture, 0, 0);
        picture = behind;
      }
    }
  } else if (layout_) {
    picture = RenderPanel(host_, renderer_, *layout_, whileRunning);
  } else {
    if (host_.gauges().empty() && !whileRunning) {
      throw RenderError("the script has loaded no gauge to take a picture of");
    }
    picture = RenderPanel(host_, renderer_, DefaultLayout(host_), whileRunning);
  }
  if (options_.scale != 1.0) {
    const int width = std::max(1, static_cast<int>(std::lround(picture.width() * options_.scale)));
    const int height = std::max(1, static_cast<int>(std::lround(picture.height() * options_.scale)));
    picture = Resize(picture, width, height);
  }
  return picture;
}

void Pictures::Write(const std::filesystem::path& file, bool whileRunning) {
  WritePng(Take(whileRunning), file);
}

void Pictures::WriteFrame(const std::filesystem::path& folder) {
  ++frames_;
  char name[32];
  std::snprintf(name, sizeof name, "frame-%05d.png", frames_);
  Write(folder / name, true);
}

}  // namespace bench
