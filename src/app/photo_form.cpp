#include "app/photo_form.h"

#include "platform/number_text.h"
#include "platform/paths.h"

#include <algorithm>
#include <cctype>
#include <filesystem>
#include <set>

namespace kavo {

namespace {

UserMessage refusal(const std::string& why, const std::string& detail = {}) {
  return {"Серию нельзя записать: " + why + ".", "Снимки", detail, BoxOwner::Dialog, BoxIcon::Error};
}

// The folder as a full path without a trailing '/'.
std::string absoluteFolder(const std::string& folder) {
  std::error_code ec;
  std::string full = std::filesystem::absolute(folder, ec).lexically_normal().string();
  if (ec) {
    full = folder;
  }
  while (full.size() > 1 && full.back() == '/') {
    full.pop_back();
  }
  return full;
}

bool isDigit(char c) {
  return std::isdigit(static_cast<unsigned char>(c)) != 0;
}

// Compares names by their text, with every run of digits compared by its value.
bool naturallyBefore(const std::string& a, const std::string& b) {
  std::size_t i = 0, j = 0;
  while (i < a.size() && j < b.size()) {
    if (isDigit(a[i]) && isDigit(b[j])) {
      std::size_t ie = i, je = j;
      while (ie < a.size() && isDigit(a[ie])) {
        ++ie;
      }
      while (je < b.size() && isDigit(b[je])) {
        ++je;
      }
      // Leading zeros do not change the value: compare the significant digits by length, then text.
      std::size_t is = i, js = j;
      while (is + 1 < ie && a[is] == '0') {
        ++is;
      }
      while (js + 1 < je && b[js] == '0') {
        ++js;
      }
      if (ie - is != je - js) {
        return ie - is < je - js;
      }
      if (const int c = a.compare(is, ie - is, b, js, je - js); c != 0) {
        return c < 0;
      }
      i = ie;
      j = je;
      continue;
    }
    // Letters compare without regard to case, as file managers list them.
    const int ca = std::tolower(static_cast<unsigned char>(a[i]));
    const int cb = std::tolower(static_cast<unsigned char>(b[j]));
    if (ca != cb) {
      return ca < cb;
    }
    ++i;
    ++j;
  }
  if (a.size() - i != b.size() - j) {
    return a.size() - i < b.size() - j;
  }
  return a < b; // equal but for case or leading zeros ("img1", "IMG01"): any fixed order
}

} // namespace

std::optional<double> parseMillimetres(const std::string& text, char separator) {
  if (auto value = parseNumber(text, separator)) {
    return value;
  }
  return parseNumber(text, separator == ',' ? '.' : ',');
}

PhotoFormCheck checkPhotoForm(const PhotoForm& form, char separator) {
  PhotoFormCheck check;
  detect::PhotoSeriesRequest& r = check.request;
  r.photos = form.photos;
  r.target = {form.kind, form.columns, form.rows, 0.0};
  r.skipUndetected = form.skipUndetected;
  r.decimalSeparator = separator;
  if (form.photos.empty()) {
    check.refusal = refusal("не выбраны снимки");
    return check;
  }
  const auto pitch = parseMillimetres(form.pitch, separator);
  if (!pitch) {
    check.refusal =
        refusal(form.pitch.empty() ? "не задан шаг сетки мишени"
                                   : "шаг сетки мишени «" + form.pitch + "» — не число миллиметров");
    return check;
  }
  r.target.pitch = *pitch;
  if (form.kind == detect::TargetKind::Charuco) {
    const auto marker = parseMillimetres(form.markerSize, separator);
    if (!marker) {
      check.refusal = refusal(form.markerSize.empty()
                                  ? "не задана сторона маркера"
                                  : "сторона маркера «" + form.markerSize + "» — не число миллиметров");
      return check;
    }
    const auto dictionary = detect::charucoDictionaryFromName(form.dictionary);
    if (!dictionary) {
      check.refusal = refusal("неизвестный словарь маркеров «" + form.dictionary + "»");
      return check;
    }
    r.target.markerSize = *marker;
    r.target.dictionary = *dictionary;
  }
  const auto step = parseMillimetres(form.step, separator);
  if (!step) {
    check.refusal = refusal(form.step.empty() ? "не задан шаг камеры"
                                              : "шаг камеры «" + form.step + "» — не число миллиметров");
    return check;
  }
  r.step = *step;
  if (form.outFolder.empty()) {
    check.refusal = refusal("не указана папка для файлов серии");
    return check;
  }
  // The folders as full paths: the files are handed to the main window by their full paths.
  r.outFolder = absoluteFolder(form.outFolder);
  if (form.overlays) {
    r.overlayFolder = form.overlayFolder.empty() ? r.outFolder + "/" + kOverlaySubfolder
                                                 : absoluteFolder(form.overlayFolder);
  }
  if (const std::string why = detect::photoSeriesRequestProblem(r); !why.empty()) {
    // A reason about one photo starts with its path; the box names the photo, the detail its path.
    for (const std::string& photo : form.photos) {
      if (why.rfind(photo + ": ", 0) == 0) {
        check.refusal = refusal(fileNameOf(photo) + ": " + why.substr(photo.size() + 2), why);
        return check;
      }
    }
    check.refusal = refusal(why);
  }
  return check;
}

std::vector<std::string> addPhotos(std::vector<std::string> list, std::vector<std::string> added) {
  std::stable_sort(added.begin(), added.end(), [](const std::string& a, const std::string& b) {
    return naturallyBefore(fileNameOf(a), fileNameOf(b));
  });
  std::set<std::string> listed(list.begin(), list.end());
  for (std::string& photo : added) {
    if (listed.insert(photo).second) {
      list.push_back(std::move(photo));
    }
  }
  return list;
}

std::string proposedSeriesFolder(const std::vector<std::string>& photos) {
  return photos.empty() ? std::string() : folderOf(photos.front()) + "series";
}

} // namespace kavo
