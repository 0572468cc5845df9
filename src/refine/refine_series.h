#pragma once
#include "refine/refine_types.h"

namespace kavo {

// The refined fit of a series: focal length, principal point, radial distortion and the target's
// pose from every point of every image at once, with a robust loss; then the steps as the images
// measure them, the reprojection error of each image and the target's tilt. Never throws for bad
// data: a series that cannot be fitted gives ok = false and a message. Throws RunAbandoned
// (Cancelled) when hooks.shouldStop asks for it.
RefinedResult refineSeries(const RefineInput& input, const RefineHooks& hooks = {});

} // namespace kavo
