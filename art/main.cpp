// gauge_artgen: draws one gauge's bitmaps at build time.
//
//   gauge_artgen GAUGE --fonts DIR --out DIR
//   gauge_artgen --list
//
// Writes every bitmap of GAUGE as DIR/<number>.bmp, with bitmaps.blob (what
// the native module carries) and bitmaps.rc (the Windows resources).
#include <exception>
#include <iostream>
#include <string>

#include "art/bitmap_set.h"

int main(int argc, char** argv) {
  std::string gauge, fonts, out;
  for (int i = 1; i < argc; ++i) {
    const std::string arg = argv[i];
    if (arg == "--list") {
      for (const std::string& name : art::GaugeArtNames()) std::cout << name << "\n";
      return 0;
    }
    if ((arg == "--fonts" || arg == "--out") && i + 1 < argc) {
      (arg == "--fonts" ? fonts : out) = argv[++i];
    } else if (!arg.starts_with("-") && gauge.empty()) {
      gauge = arg;
    } else {
      std::cerr << "gauge_artgen: unexpected argument " << arg << "\n";
      return 2;
    }
  }
  if (gauge.empty() || fonts.empty() || out.empty()) {
    std::cerr << "usage: gauge_artgen GAUGE --fonts DIR --out DIR | gauge_artgen --list\n";
    return 2;
  }
  const art::DrawGauge draw = art::FindGaugeArt(gauge);
  if (draw == nullptr) {
    std::cerr << "gauge_artgen: no drawing code for the gauge " << gauge << "\n";
    return 2;
  }
  try {
    const art::Fonts loaded(fonts);
    art::BitmapSet bitmaps(gauge);
    draw(bitmaps, loaded);
    bitmaps.Write(out);
  } catch (const std::exception& error) {
    std::cerr << "gauge_artgen: " << gauge << ": " << error.what() << "\n";
    return 1;
  }
  return 0;
}
