// Renders the example photo series of examples/photos with the tests' own photo renderer: a 9 × 7
// chessboard of 20 mm squares photographed by a 1000-pixel camera from 300 mm, then 25 mm further
// after every photo. truth.json holds the true focal length and the arguments detect needs.
// Usage: kavo_render_example_photos FOLDER
#include "photo_renderer.h"

#include <filesystem>
#include <fstream>
#include <iostream>

int main(int argc, char** argv) {
  if (argc != 2) {
    std::cerr << "usage: kavo_render_example_photos FOLDER\n";
    return 2;
  }
  const std::string folder = std::string(argv[1]) + "/";
  std::filesystem::create_directories(folder);
  kavo::test::PhotoScene first;
  first.target = {kavo::detect::TargetKind::Chessboard, 9, 7, 20.0};
  first.width = 800;
  first.height = 600;
  first.focal = 1000.0;
  first.distance = 300.0;
  first.noiseLevels = 1.5;
  first.seed = 2026;
  constexpr int kPhotos = 6;
  constexpr double kStep = 25.0;
  const kavo::test::RenderedSeries series = kavo::test::renderSeries(folder, first, kPhotos, kStep);
  std::ofstream truth(folder + "truth.json");
  truth
      << "{\n"
      << "  \"focal\": " << first.focal << ",\n"
      << "  \"width\": " << first.width << ",\n"
      << "  \"height\": " << first.height << ",\n"
      << "  \"firstDistance\": " << first.distance << ",\n"
      << "  \"detectArguments\": [\"--pattern\", \"chessboard\", \"--size\", \"9x7\", \"--square\", \"20\", "
         "\"--step\", \""
      << kStep << "\"],\n"
      << "  \"photos\": [";
  for (std::size_t k = 0; k < series.photos.size(); ++k) {
    truth << (k == 0 ? "" : ", ") << '"' << std::filesystem::path(series.photos[k]).filename().string()
          << '"';
  }
  truth << "]\n}\n";
  return truth.good() ? 0 : 1;
}
