#include "cli/cli.h"

#include "app/file_fields.h"
#include "app/settings_input.h"
#include "cli/compute_outputs.h"
#include "cli/compute_report.h"
#include "cli/compute_run.h"
#include "cli/detect_command.h"
#include "cli/interrupt_guard.h"
#include "cli/target_command.h"
#include "core/error.h"
#include "platform/locale_separator.h"
#include "synth/synthetic_series.h"

#include <CLI/CLI.hpp>

#include <algorithm>
#include <ostream>
#include <unistd.h>

namespace kavo {

std::string separatorProblem(const std::string& text) {
  if (text != "." && text != ",") {
    return "--decimal-separator must be \".\" or \",\"";
  }
  return {};
}

int runCli(const std::vector<std::string>& args, std::ostream& out, std::ostream& err) {
  CLI::App app{"Kavo: the focal length of a camera, in pixels, from a series of images of a flat target",
               "kavo-cli"};
  app.require_subcommand(1);
  app.set_version_flag("--version", std::string("kavo-cli ") + KAVO_VERSION);

  ComputeRequest compute;
  std::string separator;
  std::string mode = "normal";
  SettingsNumbers settings;
  auto* computeCmd =
      app.add_subcommand("compute", "Compute the focal length from a camera, scene and list file");
  computeCmd->add_option("--camera", compute.run.cameraFile, "Camera file (.cam)")->required();
  computeCmd->add_option("--scene", compute.run.sceneFile, "Scene coordinate file (.crd)")->required();
  computeCmd
      ->add_option("--list", compute.run.listFile, "List file (.lst); image names are read in its folder")
      ->required();
  computeCmd->add_option("--first-image", settings.firstImageNumber, "Number of the first base image")
      ->capture_default_str();
  computeCmd->add_option("--second-image", settings.secondImageNumber, "Number of the next image")
      ->capture_default_str();
  computeCmd
      ->add_option("--clip-sigma", settings.clipSigmaCount, "Deviations beyond which values are clipped")
      ->capture_default_str();
  computeCmd
      ->add_option("--min-angle", settings.minLineAngleDegrees, "Minimum angle between two lines, degrees")
      ->capture_default_str();
  computeCmd
      ->add_option("--min-spacing", settings.minPointSpacingPercent,
                   "Minimum distance between points, percent of the image diagonal")
      ->capture_default_str();
  computeCmd->add_option("--decimal-separator", separator,
                         "Decimal separator of the data files (default: locale)");
  computeCmd->add_option("--threads", compute.run.threads, "Worker threads; 0 uses every core")
      ->capture_default_str()
      ->check(CLI::Range(0, 1024));
  computeCmd->add_option("--mode", mode, "Processing mode")
      ->check(CLI::IsMember({"normal", "debug"}))
      ->capture_default_str();
  computeCmd->add_flag("--json", compute.json, "Print one JSON object on stdout");
  computeCmd->add_option("--values-out", compute.valuesOut, "Write the individual values, one per line");
  computeCmd->add_option("--histogram-out", compute.histogramOut,
                         "Write the distribution picture (.bmp or .png)");
  computeCmd->add_option("--save", compute.saveTo,
                         "Write a copy of the camera file holding the focal length");
  std::string saveValue = "classic";
  computeCmd
      ->add_option("--save-value", saveValue,
                   "The focal length --save writes: the classic or the refined one")
      ->check(CLI::IsMember({"classic", "refined"}))
      ->capture_default_str();
  computeCmd->add_option("--report", compute.reportOut, "Write the calibration report (one HTML page)");
  addCameraOutputOptions(*computeCmd, compute.cameraOutputs);
  computeCmd
      ->add_option("--step-accuracy", settings.stepAccuracy,
                   "How well each camera step is known, mm (standard deviation): the intervals rest on it "
                   "when the series has fewer than 4 steps")
      ->capture_default_str();
  computeCmd
      ->add_option("--circle-radius", settings.circleRadius,
                   "Radius of the target's circles, mm, when its points are circle centres (0: chessboard "
                   "corners): the refined fit models how distortion moves a circle's found centre")
      ->capture_default_str();
  bool noRefine = false;
  computeCmd->add_flag("--no-refine", noRefine,
                       "Skip the refined fit, the intervals and the checks of the series");

  std::string outFolder;
  std::string grid = "7x7";
  SynthOptions synth;
  std::string synthSeparator = ".";
  auto* synthCmd = app.add_subcommand("synth", "Write a synthetic series with a known focal length");
  synthCmd->add_option("--out", outFolder, "Folder to write the series into")->required();
  synthCmd->add_option("--grid", grid, "Reference points, ROWSxCOLS")->capture_default_str();
  synthCmd->add_option("--pitch", synth.pitch, "Distance between neighbouring points, mm")
      ->capture_default_str();
  synthCmd->add_option("--focal", synth.focal, "True focal length, pixels")->capture_default_str();
  synthCmd->add_option("--images", synth.images, "Number of images")->capture_default_str();
  synthCmd->add_option("--step", synth.step, "Camera step between images, mm")->capture_default_str();
  synthCmd->add_option("--noise", synth.noise, "Noise of the measured points, pixels")->capture_default_str();
  synthCmd->add_option("--seed", synth.seed, "Seed of the noise")->capture_default_str();
  synthCmd->add_option("--decimal-separator", synthSeparator, "Decimal separator written")
      ->capture_default_str();
  std::string tiltAxis, principalOffset, rail;
  std::vector<std::string> stepErrors;
  synthCmd->add_option("--tilt", synth.tiltDegrees, "Tilt of the target against the viewing axis, degrees");
  synthCmd->add_option("--tilt-axis", tiltAxis,
                       "Target axis of the tilt: x (top away) or y (right side away)");
  synthCmd->add_option("--k1", synth.k1, "Radial distortion k1 at the normalised radius, not corrected");
  synthCmd->add_option("--k2", synth.k2, "Radial distortion k2 at the normalised radius, not corrected");
  synthCmd->add_option("--principal-offset", principalOffset,
                       "Principal point minus image centre, X,Y pixels");
  synthCmd->add_option("--step-jitter", synth.stepJitter,
                       "Deviation of the true steps from the listed one, mm");
  synthCmd->add_option("--step-error", stepErrors, "K:MM: the step after image K listed MM longer than true");
  synthCmd->add_option("--rail", rail,
                       "X,Y: the camera travels off its axis by X degrees to the right and Y degrees down");
  synthCmd->add_option("--circle-radius", synth.circleRadius,
                       "Circles of this radius, mm, found by the centres of their outlines as the lens draws "
                       "them (0: points)");

  DetectCommand detect(app);
  TargetCommand target(app);

  std::vector<std::string> reversed(args.rbegin(), args.rend());
  try {
    app.parse(reversed);
  } catch (const CLI::ParseError& e) {
    const int code = app.exit(e, out, err);
    return code == 0 ? 0 : kExitBadArguments;
  }

  if (detect.parsed()) {
    return detect.run(out, err);
  }
  if (target.parsed()) {
    return target.run(out, err);
  }
  if (synthCmd->parsed()) {
    int rows = 0, cols = 0;
    char x = 0, extra = 0;
    if (std::sscanf(grid.c_str(), "%d%c%d%c", &rows, &x, &cols, &extra) != 3 || (x != 'x' && x != 'X')) {
      err << "kavo-cli synth: --grid must look like 7x7\n";
      return kExitBadArguments;
    }
    synth.rows = rows;
    synth.cols = cols;
    if (const std::string problem = separatorProblem(synthSeparator); !problem.empty()) {
      err << "kavo-cli synth: " << problem << '\n';
      return kExitBadArguments;
    }
    synth.decimalSeparator = synthSeparator[0];
    if (std::string problem = applySynthTexts(synth, tiltAxis, principalOffset, stepErrors, rail);
        !problem.empty() || !(problem = synthOptionsProblem(synth)).empty()) {
      err << "kavo-cli synth: " << problem << '\n';
      return kExitBadArguments;
    }
    try {
      const SynthSeries series = writeSyntheticSeries(outFolder, synth);
      out << series.cameraFile << '\n' << series.sceneFile << '\n' << series.listFile << '\n';
    } catch (const std::exception& e) {
      err << "kavo-cli synth: " << e.what() << '\n';
      return kExitNoResult;
    }
    return kExitComputed;
  }

  if (separator.empty()) {
    compute.run.decimalSeparator = localeDecimalSeparator();
  } else if (const std::string problem = separatorProblem(separator); !problem.empty()) {
    err << "kavo-cli compute: " << problem << '\n';
    return kExitBadArguments;
  } else {
    compute.run.decimalSeparator = separator[0];
  }
  settings.processingMode = mode == "debug" ? 2 : 1;
  settings.saveRefinedValue = saveValue == "refined";
  compute.saveRefinedValue = settings.saveRefinedValue;
  compute.run.refine = !noRefine;
  if (settings.saveRefinedValue && noRefine) {
    err << "kavo-cli compute: --save-value refined needs the refined fit, which --no-refine skips\n";
    return kExitBadArguments;
  }
  if (const std::string problem = cameraOutputsProblem(compute.cameraOutputs, noRefine); !problem.empty()) {
    err << "kavo-cli compute: " << problem << '\n';
    return kExitBadArguments;
  }
  if (const auto refused = settingsRefusal(settings)) {
    // The settings dialog's own checks (the image numbers).
    err << "kavo-cli compute: " << refused->text << '\n';
    return kExitBadArguments;
  }
  setRunSettings(compute.run, settings);
  // Image names in the list are read in the list file's folder.
  compute.run.imageFolder = imageFolderOfList(compute.run.listFile);
  compute.progressBar = isatty(STDERR_FILENO) == 1;

  if (const std::string problem = outputsProblem(compute); !problem.empty()) {
    err << "kavo-cli compute: " << problem << '\n';
    return kExitBadArguments;
  }
  // A file sent to standard output keeps it to itself: the summary goes to the error stream.
  std::ostream& summary = outputOnStandardOutput(compute) ? err : out;

  InterruptGuard guard;
  ComputeResult result;
  try {
    result = runCompute(compute, InterruptGuard::requested(), out, err);
  } catch (const std::exception& e) {
    // The run catches its own errors; this is the last line of defence.
    err << "kavo-cli compute: " << e.what() << '\n';
    return kExitNoResult;
  }
  if (compute.json) {
    out << toJson(result);
  } else {
    for (const auto& line : result.memo) {
      summary << line << '\n';
    }
    printSummary(result, summary, err);
  }
  if (result.exitStatus == kExitCancelled) {
    err << "kavo-cli: счёт остановлен (Ctrl+C)\n";
  }
  return result.exitStatus;
}

} // namespace kavo
