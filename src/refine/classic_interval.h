#pragma once
#include "refine/refine_types.h"

#include <cstdint>

namespace kavo {

// The interval of the classic mean (one clipping pass at settings.clipSigmaCount, as the normal
// mode computes it), and the classic estimate corrected for its shift with an interval of its own.
// The classic value's interval is centred on the mean and built from two parts:
//  - the scatter of the mean when whole images are left out one at a time (jackknife over the
//    images that take part; the individual values of one pair of images share those two images'
//    measuring errors, so they are not independent and √n over them says nothing);
//  - the steps' scatter beyond their precision, as the refined fit measured it, carried through the
//    image pairs each step lies between.
// It says where the classic algorithm's mean lies for this geometry: what other series taken the
// same way give on average. The corrected estimate is the mean less the shift of the classic formula
// itself for this geometry and this noise (tilt, principal point, distortion, steps found wrong, a
// rail off the axis, near-degenerate quadruples), predicted by running the classic computation on the
// refined model's points with noise of the measured size (for a run of more than two million values
// on a sample of the quadruples, in the classic run's band); its interval is about the true focal
// length and carries the scatter of that prediction as well.
// refined may be null or failed: the value's interval then has the first part only and there is no
// corrected estimate.
// classicValues: the values of the classic run itself when the caller still holds them (saves
// enumerating them again); otherwise they are enumerated here from input. reduction: the classic
// run's own clipping pass of those values at the settings' factor, when it made one (saves walking
// them again).
// Throws RunAbandoned(Cancelled) when hooks.shouldStop asks for it.
ClassicUncertainty classicInterval(const RefineInput& input, const RefinedResult* refined,
                                   const RefineHooks& hooks = {}, const FocalValues* classicValues = nullptr,
                                   const ClassicReduction* reduction = nullptr);

// The model's points in the frame the compute command reads: the same points (by line) as the input
// holds, from the refined camera, pose and steps (the listed ones, but those found suspect as
// measured), with Gaussian noise of the given standard deviation per coordinate (seeded).
EstimatorInput modelPoints(const RefineInput& input, const RefinedResult& refined, double noise = 0.0,
                           std::uint64_t seed = 1);

} // namespace kavo
