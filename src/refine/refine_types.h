#pragma once
// Inputs and results of the refined fit, the interval of the classic mean and the checks of a
// series. The fields map one to one onto what the front ends print; see each comment.
#include "estimator/estimator.h"
#include "refine/camera_model.h"

#include <functional>
#include <string>
#include <vector>

namespace kavo {

// What the compute command has read: the same points the classic run works on (corrected image
// coordinates) and the same settings, plus what is needed to state a principal point in pixels.
struct RefineInput {
  EstimatorInput points;      // scene points and, per image, the corrected image points
  EstimatorSettings settings; // the classic run's settings; imageValues holds the listed steps
  double imageCentreX = 0.0;  // camera file lines 1 and 2, pixels
  double imageCentreY = 0.0;
  double verticalScale = 1.0; // line 0 of the correction table
  // The principal point of the camera file (lines 7 and 8, pixels), used when the series cannot
  // determine it; without one the image centre stands in.
  bool hasPrincipalPoint = false;
  double principalPointX = 0.0;
  double principalPointY = 0.0;
  char decimalSeparator = '.'; // for the numbers inside the warning texts
  // The standard deviation of each step's error as the user states it (scene units, independent
  // from step to step): the intervals rest on it when the series has too few steps to show how much
  // they scatter.
  double stepAccuracy = 0.05;
  // The radius of the target's circles (scene units) when its points are the centres of circles
  // found in photos, 0 when they are corners: a circle's image under lens distortion has its centre
  // off the image of the circle's centre, and the fit models that.
  double circleRadius = 0.0;
};

struct RefineHooks {
  // Polled between the stages and at every iteration; true ends the work with
  // RunAbandoned(Cancelled).
  std::function<bool()> shouldStop;
  // The fraction of the work done, from 0 to 1, non-decreasing.
  std::function<void(double)> progress;
};

// "images": one entry per image of the list.
struct ImageFit {
  int image = 0;     // from 1, in list order
  double rms = 0.0;  // reprojection RMS of the image's points, pixels (0 when excluded)
  int points = 0;    // points that took part in the fit
  bool used = false; // false when the image had too few usable points
  // Distance from the camera to the target along the viewing axis, scene units: as this image's own
  // scale measures it, and as the listed steps put it (the fitted line of the report).
  double cumulativeStep = 0.0; // listed steps from the first image up to this one
  double measuredDistance = 0.0;
  double fittedDistance = 0.0;
};

// "steps": the step between image `after` and the next one.
struct StepCheck {
  int after = 0;              // from 1
  double stated = 0.0;        // as the list gives it
  double measured = 0.0;      // as the images measure it, with the fitted focal length
  double standardError = 0.0; // precision of `measured`
  bool suspect = false;       // beyond about 3 standard errors of its own precision
};

// A point's residual (model minus measured), pixels, in the image frame of the fit (y upwards).
struct PointResidual {
  int image = 0; // from 1
  int point = 0; // from 1, the line of the coordinate file
  double dx = 0.0;
  double dy = 0.0;
  double weight = 1.0; // the robust loss's weight; below 1 for a down-weighted point
};

// "refined".
struct RefinedResult {
  bool ok = false;     // "status": "ok" or "failed"
  std::string message; // why it failed; empty (null) when ok
  double focal = 0.0;
  double standardError = 0.0;
  double intervalLow = 0.0; // "interval95"
  double intervalHigh = 0.0;
  double principalPointX = 0.0; // pixels, in the frame of the camera file's lines 7 and 8
  double principalPointY = 0.0;
  double k1 = 0.0; // "distortion", normalised radius (see camera_model.h)
  double k2 = 0.0;
  double tiltDegrees = 0.0;
  double reprojectionRms = 0.0; // pixels, over every point that took part
  std::vector<ImageFit> images;
  std::vector<StepCheck> steps;
  std::vector<std::string> warnings; // Russian texts, numbers with the caller's decimal separator

  // For the report and for the interval of the classic mean.
  bool principalPointFixed = false;    // held at the camera file's point (or the image centre)
  bool distortionFixed = false;        // k2 (and perhaps k1) held at 0
  bool movingAway = true;              // the camera moved away from the target along the list
  double noiseSigma = 0.0;             // robust noise of one image coordinate, pixels
  double formalError = 0.0;            // standard error from the points' noise alone
  double stepScatter = 0.0;            // scatter of the steps beyond their precision, scene units
  bool stepScatterSignificant = false; // beyond what the measurement explains (χ² at 95 %)
  // What the scatter may be, given the measured steps: a grid of values with weights summing to 1.
  // The interval averages over it.
  std::vector<double> stepScatterGrid;
  std::vector<double> stepScatterWeight;
  // The camera's direction of travel ("railDegrees"): free only where the series determines it (a
  // target tilted enough), otherwise held along the viewing axis.
  bool railFree = false;
  double railDegrees[2] = {0.0, 0.0}; // towards the image's x (right) and y (down), degrees
  double railStandardError = 0.0;     // of the direction's angle, degrees (the larger axis)
  // Too few steps to measure their scatter: the intervals take the stated step accuracy instead.
  bool stepAccuracyStated = false;
  double stepAccuracy = 0.0;      // the accuracy the intervals took, scene units
  CameraParameters camera;        // in the fit's image frame
  TargetPose pose;                // at the first image, with the rail's direction
  std::vector<double> depthShift; // per image: how far the camera had moved along its axis
  int worstImage = 0;             // from 1: the image with the largest RMS
  std::vector<PointResidual> worstImageResiduals;
  std::vector<PointResidual> downWeighted;
  int tiltWarning = -1; // index of the tilt warning in warnings, −1 when there is none
};

// Sums of the kept classic values of one image pair.
struct PairSums {
  int base = 0; // from 0
  int partner = 0;
  double sum = 0.0;
  std::int64_t count = 0;
};

// The classic run's clipping pass of its values at the settings' factor: the numbers before and after
// it, and the kept values' sums per image pair formed in the same walk.
struct ClassicReduction {
  Statistics unclipped;
  Statistics clipped;
  PairSumsTable pairs;
};

// "classicCorrected": the classic estimate of the focal length, the classic mean less the shift the
// classic formula has for this geometry (a tilted target, a principal point off the centre,
// distortion, steps found wrong, a rail off the axis) as the refined model predicts it.
struct ClassicCorrected {
  bool available = false; // the refined fit succeeded and the shift could be predicted
  double focal = 0.0;     // the classic mean less the shift
  double shift = 0.0;     // classic minus true, predicted by the refined model
  double standardError = 0.0;
  double intervalLow = 0.0; // "interval95": about the true focal length
  double intervalHigh = 0.0;
  std::string method;
};

// "uncertainty": the interval of the classic value itself, the mean the classic algorithm computes:
// where that algorithm's mean lies for this geometry, that is what other series taken the same way
// give on average (the interval always holds the value it belongs to). Beside it, the corrected
// estimate of the focal length with its own interval.
struct ClassicUncertainty {
  bool available = false;
  std::string message;        // why not available
  double mean = 0.0;          // the classic mean the interval belongs to
  double standardError = 0.0; // of the classic mean over series of this geometry
  double intervalLow = 0.0;   // "interval95", about the classic mean
  double intervalHigh = 0.0;
  std::string method;
  ClassicCorrected corrected;

  // Parts of the standard error and the systematic shift, for the report.
  double imageError = 0.0;     // from resampling whole images
  double stepError = 0.0;      // from the scatter of the steps
  double bias = 0.0;           // classic minus true, predicted by the refined model (0 without one)
  int replicates = 0;          // noisy model runs the bias comes from
  std::int64_t valueCount = 0; // classic values before clipping
  bool biasKnown = false;
  double degreesOfFreedom = 0.0;
  int imagesUsed = 0;
  std::vector<int> unusedImages; // from 1: images no kept classic value involves
  std::vector<PairSums> pairs;
};

// Both results of the checks, as the JSON nests them.
struct SeriesAssessment {
  ClassicUncertainty uncertainty;
  RefinedResult refined;
};

} // namespace kavo
