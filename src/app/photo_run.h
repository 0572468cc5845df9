#pragma once
#include "detect/series_from_photos.h"

#include <functional>

namespace kavo {

// A photo run computed from its request to one outcome, as kavo-cli detect and the desktop's
// "Снимки…" run it: the photos searched, the series files written all or nothing. Never throws: an
// error on the way is the outcome's error. progress and stop are called from the search's threads,
// one call at a time, and must be safe to call so.
detect::PhotoSeriesOutcome
runPhotoSeries(const detect::PhotoSeriesRequest& request,
               const std::function<void(const detect::PhotoSeriesProgress&)>& progress,
               const std::function<bool()>& stop);

} // namespace kavo
