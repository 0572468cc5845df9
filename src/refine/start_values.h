#pragma once
// Starting values of the refined fit in closed form: one plane homography per image, then the
// focal length and the distance from how the images' scale changes with the listed steps, and the
// target's pose from the first usable image.
#include "refine/series_data.h"

#include <array>
#include <string>
#include <vector>

namespace kavo {

using Homography = std::array<double, 9>; // row-major, scene (X, Y, 1) → image (x, y, 1)

// The homography of one image from all its points (normalised direct linear transform), refitted
// twice without the points far off the previous fit. false when the points cannot give one.
bool fitHomography(const std::vector<Observation>& points, Homography& h,
                   std::vector<char>* inlier = nullptr);

struct StartValues {
  bool ok = false;
  std::string problem; // why there are none, in the warnings' words
  CameraParameters camera;
  TargetPose pose;
  bool movingAway = true;
  std::vector<char> imageUsable; // per image: a homography exists
  std::vector<std::vector<char>> inliers;
};

// principal: the principal point assumed for the start, in the fit's image frame.
StartValues closedFormStart(const SeriesData& data, const double principal[2], double imageSize);

} // namespace kavo
