#include "app/photo_texts.h"

#include "platform/number_text.h"
#include "platform/paths.h"

namespace kavo {

namespace {

std::string photoText(const detect::PhotoDetection& photo, const std::string& shownName) {
  if (photo.status == detect::PhotoStatus::Found) {
    return shownName + ": найдено точек: " + std::to_string(photo.points.points.size());
  }
  if (photo.status == detect::PhotoStatus::NotRun) {
    return shownName + ": не просмотрен";
  }
  return shownName + ": " + photo.problem;
}

} // namespace

std::string photoProgressText(const detect::PhotoSeriesProgress& progress, const std::string& shownName) {
  if (progress.stage == detect::PhotoSeriesProgress::Stage::Drawing) {
    return "точки нарисованы: " + shownName;
  }
  return photoText(*progress.photo, shownName);
}

std::string seriesWrittenText(const detect::PhotoSeriesRequest& request,
                              const detect::PhotoSeriesOutcome& outcome) {
  std::string text = "Серия записана: снимков " + std::to_string(outcome.plan.kept.size()) + " из " +
                     std::to_string(request.photos.size()) + ".";
  if (!outcome.plan.shared.empty()) {
    text += " Точек мишени, видных на всех снимках: " + std::to_string(outcome.plan.shared.size()) + ".";
  }
  if (outcome.exifFocalLength) {
    text += " Фокусное расстояние по EXIF: " +
            formatFixed(*outcome.exifFocalLength, request.decimalSeparator, 1) + " пикс.";
  }
  return text;
}

std::string withPhotoName(const std::string& text, const std::vector<detect::PhotoDetection>& photos) {
  for (const detect::PhotoDetection& photo : photos) {
    if (text.rfind(photo.photo + ": ", 0) == 0) {
      return fileNameOf(photo.photo) + text.substr(photo.photo.size());
    }
  }
  return text;
}

UserMessage seriesFailedMessage(const detect::PhotoSeriesOutcome& outcome) {
  const std::string why = withPhotoName(outcome.error, outcome.detection.photos);
  std::string detail = outcome.error;
  if (!outcome.detection.photos.empty()) {
    detail += "\n\nСнимки:";
    for (const detect::PhotoDetection& photo : outcome.detection.photos) {
      detail += "\n" + photoText(photo, photo.photo);
    }
  }
  return {"Серия не записана: " + why + ".", "Снимки", detail, BoxOwner::Dialog, BoxIcon::Error};
}

} // namespace kavo
