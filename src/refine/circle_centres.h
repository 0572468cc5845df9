#pragma once
// Circles in place of corners: a circle finder gives the centre of the circle's outline as the
// photo shows it, and the detector has already moved it by the perspective shift of its ellipse
// (detect/subpixel.h). Under radial distortion the outline is drawn unevenly, so what is left is a
// shift of the found centre from the image of the circle's centre that grows with k1 and with the
// square of the circle's size in the image (about 3·k1·(r/z)² of the point's distance from the
// principal point). The fit compares the model with the points less that shift.
#include "refine/camera_model.h"

#include <array>

namespace kavo {

// How far, in the fit's image frame, the found centre of the circle of radius r about the target
// point (x, y) lies from the image of that point, in the image whose camera has moved `shift` along
// the rail: the centroid of the outline as the lens draws it, less the centroid of the outline
// without distortion, less the distortion of the centre itself.
std::array<double, 2> circleCentreShift(const CameraParameters& camera, const TargetPose& pose, double shift,
                                        double x, double y, double r);

} // namespace kavo
