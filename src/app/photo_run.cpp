#include "app/photo_run.h"

#include <exception>
#include <string>

namespace kavo {

detect::PhotoSeriesOutcome
runPhotoSeries(const detect::PhotoSeriesRequest& request,
               const std::function<void(const detect::PhotoSeriesProgress&)>& progress,
               const std::function<bool()>& stop) {
  try {
    return detect::writeSeriesFromPhotos(request, progress, stop);
  } catch (const std::exception& e) {
    detect::PhotoSeriesOutcome outcome;
    outcome.error = std::string("ошибка при записи серии: ") + e.what();
    return outcome;
  }
}

} // namespace kavo
