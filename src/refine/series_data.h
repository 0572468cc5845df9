#pragma once
// The measurements of a series as the refined fit uses them.
#include "refine/refine_types.h"

#include <string>
#include <vector>

namespace kavo {

struct Observation {
  int point = 0; // from 0, the line of the coordinate files
  double sceneX = 0.0;
  double sceneY = 0.0;
  double x = 0.0; // corrected image coordinates
  double y = 0.0;
  // For the centres of circles: how far the centre of the circle's image lies from the image of its
  // centre, as the model predicts it (see circle_centres.h); the fit compares x − correctionX.
  double correctionX = 0.0;
  double correctionY = 0.0;
};

struct ImageObservations {
  int image = 0; // from 0
  std::vector<Observation> points;
};

struct SeriesData {
  std::vector<ImageObservations> images; // every image of the list, in order
  std::vector<double> steps;             // listed step after each image but the last
  std::vector<double> cumulative;        // listed steps from the first image up to each image
  std::vector<std::string> problems;     // images left out, in the warnings' words
};

// Pairs every image point with its scene point by line, leaves out points whose coordinates are
// not finite, and adds up the listed steps.
SeriesData collectSeries(const RefineInput& input);

} // namespace kavo
