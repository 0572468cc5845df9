#include "cli/detect_command.h"

#include "app/photo_run.h"
#include "app/photo_texts.h"
#include "cli/cli.h"
#include "cli/interrupt_guard.h"
#include "detect/series_from_photos.h"
#include "platform/locale_separator.h"

#include <nlohmann/json.hpp>

#include <CLI/CLI.hpp>

#include <mutex>
#include <ostream>

namespace kavo {

namespace {

const char* statusName(detect::PhotoStatus s) {
  switch (s) {
  case detect::PhotoStatus::Found:
    return "found";
  case detect::PhotoStatus::NotFound:
    return "not-found";
  case detect::PhotoStatus::Failed:
    return "failed";
  case detect::PhotoStatus::WrongSize:
    return "wrong-size";
  case detect::PhotoStatus::Inconsistent:
    return "inconsistent";
  case detect::PhotoStatus::NotRun:
    return "not-run";
  }
  return "not-run";
}

nlohmann::ordered_json textOrNull(const std::string& text) {
  return text.empty() ? nlohmann::ordered_json(nullptr) : nlohmann::ordered_json(text);
}

std::string toJson(const detect::PhotoSeriesRequest& request, const detect::PhotoSeriesOutcome& o) {
  using Json = nlohmann::ordered_json;
  const char* status = o.status == detect::PhotoSeriesOutcome::Status::Written     ? "ok"
                       : o.status == detect::PhotoSeriesOutcome::Status::Cancelled ? "cancelled"
                                                                                   : "failed";
  // The travel after each photo kept, as the list file gives it.
  std::vector<Json> stepAfter(o.detection.photos.size(), Json(nullptr));
  for (std::size_t k = 0; k < o.plan.steps.size() && k < o.plan.kept.size(); ++k) {
    stepAfter[o.plan.kept[k]] = o.plan.steps[k];
  }
  Json photos = Json::array();
  int width = 0, height = 0;
  for (std::size_t i = 0; i < o.detection.photos.size(); ++i) {
    const detect::PhotoDetection& p = o.detection.photos[i];
    if (width == 0 && p.width > 0) {
      width = p.width;
      height = p.height;
    }
    const bool written = o.status == detect::PhotoSeriesOutcome::Status::Written;
    Json photo = Json::object();
    photo["photo"] = p.photo;
    photo["status"] = statusName(p.status);
    photo["points"] = p.points.points.size();
    photo["problem"] = textOrNull(p.problem);
    photo["coordinates"] = textOrNull(written ? o.coordinateFiles[i] : std::string());
    photo["overlay"] = textOrNull(written ? o.overlayFiles[i] : std::string());
    photo["stepAfter"] = stepAfter[i];
    photos.push_back(std::move(photo));
  }
  Json j = Json::object();
  j["status"] = status;
  j["message"] = textOrNull(o.error);
  j["warnings"] = o.warnings;
  j["pattern"] = detect::targetKindName(request.target.kind);
  j["columns"] = request.target.columns;
  j["rows"] = request.target.rows;
  j["pitch"] = request.target.pitch;
  if (request.target.kind == detect::TargetKind::Charuco) {
    j["marker"] = request.target.markerSize;
    j["dictionary"] = detect::charucoDictionaryName(request.target.dictionary);
  }
  j["step"] = request.step;
  j["width"] = width;
  j["height"] = height;
  j["camera"] = textOrNull(o.cameraFile);
  j["scene"] = textOrNull(o.sceneFile);
  j["list"] = textOrNull(o.listFile);
  // The points every photo kept shows, which the series files hold (a ChArUco board's).
  j["sharedPoints"] = o.plan.shared.empty() ? Json(nullptr) : Json(o.plan.shared.size());
  // The focal length in pixels the photos' EXIF gives, as camera.cam's line 9 records it.
  j["exifFocalLength"] = o.exifFocalLength && o.status == detect::PhotoSeriesOutcome::Status::Written
                             ? Json(*o.exifFocalLength)
                             : Json(nullptr);
  j["photos"] = std::move(photos);
  j["schemaVersion"] = kJsonSchemaVersion;
  j["kavoVersion"] = KAVO_VERSION;
  // A photo's file name need not be valid UTF-8: it is shown, not refused.
  return j.dump(1, ' ', false, Json::error_handler_t::replace) + "\n";
}

} // namespace

DetectCommand::DetectCommand(CLI::App& app) {
  command_ =
      app.add_subcommand("detect", "Find the target in photos of a series and write the files compute reads");
  command_->add_option("--pattern", pattern_, "The target: chessboard, circles, acircles or charuco")
      ->required()
      ->check(CLI::IsMember({"chessboard", "circles", "acircles", "charuco"}));
  command_
      ->add_option("--size", size_,
                   "Inner corners or circles, COLUMNSxROWS (acircles: circles in a row x rows; charuco: "
                   "squares)")
      ->required();
  command_
      ->add_option("--square", square_,
                   "Pitch of the target, mm (acircles: between neighbouring rows; circles in a row lie "
                   "twice as far apart; charuco: the side of a square)")
      ->required();
  command_->add_option("--marker", marker_, "charuco: the side of a marker, mm");
  command_->add_option("--dictionary", dictionary_, "charuco: the markers' dictionary, e.g. DICT_5X5_100");
  command_->add_option("--step", step_, "Camera travel along its axis after every photo, mm")->required();
  command_
      ->add_option("--out", outFolder_, "Folder for the series files (new, empty, or one written by detect)")
      ->required();
  command_->add_flag("--skip-undetected", skipUndetected_,
                     "Leave out photos without the target, adding their travel to the photo before");
  command_->add_option("--overlays", overlayFolder_,
                       "Folder for the photos with their points drawn and numbered");
  command_->add_option("--decimal-separator", separator_,
                       "Decimal separator of the files written (default: locale)");
  command_->add_option("--threads", threads_, "Worker threads; 0 uses every core")
      ->capture_default_str()
      ->check(CLI::Range(0, 1024));
  command_->add_flag("--json", json_, "Print one JSON object on stdout");
  command_->add_option("photos", photos_, "The photos (PNG, JPEG or TIFF) in the order they were taken")
      ->required();
}

bool DetectCommand::parsed() const {
  return command_->parsed();
}

int DetectCommand::run(std::ostream& out, std::ostream& err) {
  detect::PhotoSeriesRequest request;
  const auto kind = detect::targetKindFromName(pattern_);
  const auto size = detect::parseGridSize(size_);
  if (!kind || !size) {
    err << "kavo-cli detect: --size must look like 9x6 (columns x rows)\n";
    return kExitBadArguments;
  }
  request.target = {*kind, size->columns, size->rows, square_};
  if (*kind == detect::TargetKind::Charuco) {
    const auto dictionary = detect::charucoDictionaryFromName(dictionary_);
    if (!dictionary || !(marker_ > 0.0)) {
      err << "kavo-cli detect: --pattern charuco needs --marker MM and --dictionary NAME (one of";
      for (const auto& name : detect::charucoDictionaryNames()) {
        err << ' ' << name;
      }
      err << ")\n";
      return kExitBadArguments;
    }
    request.target.markerSize = marker_;
    request.target.dictionary = *dictionary;
  }
  request.step = step_;
  request.photos = photos_;
  request.outFolder = outFolder_;
  request.overlayFolder = overlayFolder_;
  request.skipUndetected = skipUndetected_;
  request.threads = threads_;
  if (separator_.empty()) {
    request.decimalSeparator = localeDecimalSeparator();
  } else if (const std::string problem = separatorProblem(separator_); !problem.empty()) {
    err << "kavo-cli detect: " << problem << '\n';
    return kExitBadArguments;
  } else {
    request.decimalSeparator = separator_[0];
  }
  if (const std::string problem = detect::photoSeriesRequestProblem(request); !problem.empty()) {
    err << "kavo-cli detect: " << problem << '\n';
    return kExitBadArguments;
  }

  InterruptGuard guard;
  std::mutex printing;
  const auto progress = [&](const detect::PhotoSeriesProgress& p) {
    const std::lock_guard<std::mutex> lock(printing);
    err << '[' << p.done << '/' << p.total << "] " << photoProgressText(p, p.photo->photo) << '\n';
    err.flush();
  };
  const detect::PhotoSeriesOutcome outcome =
      runPhotoSeries(request, progress, [] { return InterruptGuard::requested().load(); });

  if (json_) {
    out << toJson(request, outcome);
  }
  for (const auto& w : outcome.warnings) {
    err << "Предупреждение: " << w << '\n';
  }
  switch (outcome.status) {
  case detect::PhotoSeriesOutcome::Status::Written:
    if (!json_) {
      out << outcome.cameraFile << '\n' << outcome.sceneFile << '\n' << outcome.listFile << '\n';
    }
    err << seriesWrittenText(request, outcome) << " Дальше: kavo-cli compute --camera " << outcome.cameraFile
        << " --scene " << outcome.sceneFile << " --list " << outcome.listFile << '\n';
    return kExitComputed;
  case detect::PhotoSeriesOutcome::Status::Cancelled:
    err << "kavo-cli detect: " << outcome.error << '\n';
    return kExitCancelled;
  case detect::PhotoSeriesOutcome::Status::Failed:
    break;
  }
  err << "kavo-cli detect: " << outcome.error << "; ничего не записано\n";
  return kExitNoResult;
}

} // namespace kavo
