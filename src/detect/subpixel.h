#pragma once
#include <opencv2/core.hpp>

#include <vector>

namespace kavo::detect {

// The distance from every point to its nearest neighbour, in pixels.
std::vector<double> nearestDistances(const std::vector<cv::Point2d>& points);

// Moves every circle centre to the centre of the circle's outline at the level half way between the
// circle's and the ground's, in the full photo, looking inside a disc of twice the circle's radius
// (radii: about, in pixels) that stays within half the way to the nearest centre. Returns every
// circle's area in pixels (0 where it could not be measured).
std::vector<double> refineCircleCentres(const cv::Mat& grey, std::vector<cv::Point2d>& centres,
                                        const std::vector<double>& radii, bool darkCircles);

// A tilted circle is seen as an ellipse whose centre is not the image of the circle's centre. Fits
// the plane's projective map from the grid places (in pitches) to the centres, takes the circles'
// radius from their areas, and moves every centre by the difference between the image of the
// circle's centre and the centre of its ellipse.
void correctEllipseCentres(std::vector<cv::Point2d>& centres, const std::vector<cv::Point2d>& places,
                           const std::vector<double>& areas);

} // namespace kavo::detect
