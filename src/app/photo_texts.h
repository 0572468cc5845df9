#pragma once
#include "detect/series_from_photos.h"
#include "platform/user_port.h"

#include <string>

namespace kavo {

// What the search says about one photo as it goes, the photo shown as shownName: "img03.png: найдено
// точек: 54", "img04.png: <why not>", or, while the overlays are drawn, "точки нарисованы: img03.png".
// The command line and the photo dialog print the same lines.
std::string photoProgressText(const detect::PhotoSeriesProgress& progress, const std::string& shownName);

// "Серия записана: снимков 9 из 10.", for a target whose photos may show part of it, how many of its
// points every photo shows (the points of the series files), and the focal length the photos' EXIF
// gives when camera.cam records it.
std::string seriesWrittenText(const detect::PhotoSeriesRequest& request,
                              const detect::PhotoSeriesOutcome& outcome);

// A reason or warning that starts with a photo's path, starting with its file name instead; the
// dialog names photos by their file names, as its list shows them.
std::string withPhotoName(const std::string& text, const std::vector<detect::PhotoDetection>& photos);

// The box of a search that wrote nothing: the reason in the text with the photo named by its file
// name, and in the detail the reason with the photo's full path followed by what was found in each
// photo.
UserMessage seriesFailedMessage(const detect::PhotoSeriesOutcome& outcome);

} // namespace kavo
