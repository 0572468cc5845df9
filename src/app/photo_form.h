#pragma once
#include "detect/series_from_photos.h"
#include "platform/user_port.h"

#include <optional>
#include <string>
#include <vector>

namespace kavo {

// The folder the overlays go to, inside the series folder, when the user names none.
inline const std::string kOverlaySubfolder = "overlays";

// The photo dialog's fields as the user left them. pitch and step are texts in millimetres as typed.
struct PhotoForm {
  std::vector<std::string> photos; // full paths, in the order they were taken
  detect::TargetKind kind = detect::TargetKind::Chessboard;
  int columns = 9; // inner corners or circles (a staggered grid: circles in one row)
  int rows = 6;
  std::string pitch;
  std::string markerSize;                  // a ChArUco board's markers, millimetres as typed
  std::string dictionary = "DICT_5X5_100"; // and their dictionary
  std::string step;
  std::string outFolder;
  bool skipUndetected = false;
  bool overlays = false;
  std::string overlayFolder; // "" puts them into kOverlaySubfolder of outFolder
};

// What the form asks for, or why it cannot be run: the box to show. The checks of the command line's
// detect (photoSeriesRequestProblem) come after the form's own: its numbers and folders.
struct PhotoFormCheck {
  detect::PhotoSeriesRequest request;
  std::optional<UserMessage> refusal;
};
PhotoFormCheck checkPhotoForm(const PhotoForm& form, char decimalSeparator);

// A number of millimetres typed by the user: the locale's separator, or the other one of "." and ",",
// which cannot be mistaken in a single number.
std::optional<double> parseMillimetres(const std::string& text, char decimalSeparator);

// The photo list with the photos added: appended in the natural order of their names (img2 before
// img10), as cameras number their shots, and each photo listed once.
std::vector<std::string> addPhotos(std::vector<std::string> list, std::vector<std::string> added);

// Where the series of these photos goes unless the user says otherwise: a folder "series" next to the
// first photo; "" without photos.
std::string proposedSeriesFolder(const std::vector<std::string>& photos);

} // namespace kavo
