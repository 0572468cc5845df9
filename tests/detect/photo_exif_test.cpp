// The focal length in pixels the photos' EXIF gives: read by exiv2 from small JPEGs given their tags
// here, and the series' value from its photos'.
#include "detect/photo_exif.h"
#include "exif_writer.h"
#include "temp_folder.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <cmath>
#include <optional>
#include <string>
#include <vector>

namespace kavo::detect {
namespace {

using test::ExifTags;
using test::TempFolder;
using ::testing::HasSubstr;

struct TagCase {
  const char* name;
  ExifTags tags;
  std::optional<double> expected;
  int width = 160; // the photo as decoded, its orientation applied
  int height = 120;
};

void PrintTo(const TagCase& c, std::ostream* os) {
  *os << c.name;
}

const ExifTags kFiveMm{{"Exif.Photo.FocalLength", "50/10"}};

ExifTags with(ExifTags tags, const ExifTags& more) {
  tags.insert(tags.end(), more.begin(), more.end());
  return tags;
}

// 160 × 120 pixels have a diagonal of 200; 5 mm at 32 pixels per mm give 160 pixels.
const double k35mm28 = 28.0 * 200.0 / std::hypot(36.0, 24.0);

const TagCase kTagCases[] = {
    {"Only35mm", {{"Exif.Photo.FocalLengthIn35mmFilm", "28"}}, k35mm28},
    {"ResolutionPerInch",
     with(kFiveMm,
          {{"Exif.Photo.FocalPlaneXResolution", "8128/10"}, {"Exif.Photo.FocalPlaneResolutionUnit", "2"}}),
     160.0},
    {"ResolutionWithoutUnitIsPerInch", with(kFiveMm, {{"Exif.Photo.FocalPlaneXResolution", "8128/10"}}),
     160.0},
    {"ResolutionPerCm",
     with(kFiveMm,
          {{"Exif.Photo.FocalPlaneXResolution", "320/1"}, {"Exif.Photo.FocalPlaneResolutionUnit", "3"}}),
     160.0},
    {"ResolutionPerMm",
     with(kFiveMm,
          {{"Exif.Photo.FocalPlaneXResolution", "32/1"}, {"Exif.Photo.FocalPlaneResolutionUnit", "4"}}),
     160.0},
    // The camera wrote 320 × 240 at 64 pixels per mm; the photo was halved since.
    {"ResizedPhoto",
     with(kFiveMm, {{"Exif.Photo.FocalPlaneXResolution", "64/1"},
                    {"Exif.Photo.FocalPlaneResolutionUnit", "4"},
                    {"Exif.Photo.PixelXDimension", "320"},
                    {"Exif.Photo.PixelYDimension", "240"}}),
     160.0},
    {"ResizedPhotoWidthOnly",
     with(kFiveMm, {{"Exif.Photo.FocalPlaneXResolution", "64/1"},
                    {"Exif.Photo.FocalPlaneResolutionUnit", "4"},
                    {"Exif.Photo.PixelXDimension", "320"}}),
     160.0},
    // Stored 160 wide and turned by a quarter on decoding: not resized.
    {"TurnedPhoto",
     with(kFiveMm, {{"Exif.Photo.FocalPlaneXResolution", "32/1"},
                    {"Exif.Photo.FocalPlaneResolutionUnit", "4"},
                    {"Exif.Photo.PixelXDimension", "160"},
                    {"Exif.Image.Orientation", "6"}}),
     160.0, 120, 160},
    {"TurnedPhotoBothSizes",
     with(kFiveMm, {{"Exif.Photo.FocalPlaneXResolution", "32/1"},
                    {"Exif.Photo.FocalPlaneResolutionUnit", "4"},
                    {"Exif.Photo.PixelXDimension", "160"},
                    {"Exif.Photo.PixelYDimension", "120"}}),
     160.0, 120, 160},
    {"ResolutionPreferredTo35mm",
     with(kFiveMm, {{"Exif.Photo.FocalPlaneXResolution", "32/1"},
                    {"Exif.Photo.FocalPlaneResolutionUnit", "4"},
                    {"Exif.Photo.FocalLengthIn35mmFilm", "50"}}),
     160.0},
    {"MmWithoutResolutionFallsBackTo35mm", with(kFiveMm, {{"Exif.Photo.FocalLengthIn35mmFilm", "28"}}),
     k35mm28},
    {"UnitWithoutLength",
     with(kFiveMm,
          {{"Exif.Photo.FocalPlaneXResolution", "32/1"}, {"Exif.Photo.FocalPlaneResolutionUnit", "1"}}),
     std::nullopt},
    {"ZeroFocal",
     {{"Exif.Photo.FocalLength", "0/1"},
      {"Exif.Photo.FocalPlaneXResolution", "32/1"},
      {"Exif.Photo.FocalPlaneResolutionUnit", "4"}},
     std::nullopt},
    {"ZeroResolutionAndZero35mm",
     with(kFiveMm, {{"Exif.Photo.FocalPlaneXResolution", "0/1"},
                    {"Exif.Photo.FocalPlaneResolutionUnit", "4"},
                    {"Exif.Photo.FocalLengthIn35mmFilm", "0"}}),
     std::nullopt},
    {"FocalNotFinite",
     {{"Exif.Photo.FocalLength", "5/0"},
      {"Exif.Photo.FocalPlaneXResolution", "32/1"},
      {"Exif.Photo.FocalPlaneResolutionUnit", "4"}},
     std::nullopt},
    {"NoFocalTags", {{"Exif.Image.Make", "Kavo"}}, std::nullopt},
    {"NoExif", {}, std::nullopt},
};

class ExifFocal : public ::testing::TestWithParam<TagCase> {};

TEST_P(ExifFocal, InPixelsFromTheTagsOfAPhoto) {
  const TagCase& c = GetParam();
  TempFolder folder("exif");
  const std::string photo = test::writeSmallJpeg(folder.file("photo.jpg"), 160, 120);
  if (!c.tags.empty()) {
    test::writeExif(photo, c.tags);
  }
  const std::optional<double> focal = photoExifFocalPixels(photo, c.width, c.height);
  ASSERT_EQ(focal.has_value(), c.expected.has_value()) << (focal ? *focal : 0.0);
  if (c.expected) {
    EXPECT_NEAR(*focal, *c.expected, 1e-9);
  }
}

INSTANTIATE_TEST_SUITE_P(Tags, ExifFocal, ::testing::ValuesIn(kTagCases),
                         [](const auto& p) { return std::string(p.param.name); });

// A JPEG whose EXIF block claims 65535 entries, a text file and no file at all: no EXIF, no
// exception, and nothing on stderr, where exiv2 would otherwise warn.
TEST(PhotoExif, DamagedOrMissingGivesNoneAndPrintsNothing) {
  TempFolder folder("exif-damaged");
  const std::string jpeg = test::readBytes(test::writeSmallJpeg(folder.file("plain.jpg"), 16, 16));
  const std::string tiff = std::string("II*\0\x08\0\0\0\xFF\xFF", 10) + std::string(40, '\x07');
  const std::string block = std::string("Exif\0\0", 6) + tiff;
  const std::size_t length = block.size() + 2;
  const std::string segment =
      std::string("\xFF\xE1", 2) + static_cast<char>(length >> 8) + static_cast<char>(length & 0xFF) + block;
  const std::string damaged = folder.write("damaged.jpg", jpeg.substr(0, 2) + segment + jpeg.substr(2));
  const std::string text = folder.write("notes.jpg", "not a photo\n");

  ::testing::internal::CaptureStderr();
  for (const std::string& path : {damaged, text, folder.file("missing.jpg")}) {
    EXPECT_FALSE(photoExifFocalPixels(path, 16, 16).has_value()) << path;
  }
  EXPECT_EQ(::testing::internal::GetCapturedStderr(), "");
}

// The series' value: the median of the photos that give one, when they agree within 1 %.
TEST(SeriesExifFocal, MedianOfAgreeingPhotosOrAWarning) {
  struct Case {
    std::vector<std::optional<double>> focals;
    std::optional<double> expected;
    bool warned;
  };
  const std::optional<double> none;
  const Case cases[] = {
      {{1000.0, 1000.0, 1005.0}, 1000.0, false},
      {{1000.0, none, 1004.0, 1002.0}, 1002.0, false},
      {{1000.0, 1006.0}, 1003.0, false},
      {{none, none}, none, false},
      {{}, none, false},
      {{1000.0, 1002.0, 1011.0}, none, true},
  };
  for (const Case& c : cases) {
    std::vector<std::string> photos;
    for (std::size_t i = 0; i < c.focals.size(); ++i) {
      photos.push_back("p" + std::to_string(i + 1) + ".jpg");
    }
    const SeriesExifFocal s = seriesExifFocal(photos, c.focals, '.');
    SCOPED_TRACE(::testing::PrintToString(c.focals));
    EXPECT_EQ(s.focal, c.expected);
    EXPECT_EQ(!s.warning.empty(), c.warned) << s.warning;
  }
  const SeriesExifFocal zoomed = seriesExifFocal({"a.jpg", "b.jpg", "c.jpg"}, {1011.0, 1000.0, 1002.0}, ',');
  EXPECT_THAT(zoomed.warning, HasSubstr("b.jpg: 1000,0 пикс., a.jpg: 1011,0 пикс."));
  EXPECT_THAT(zoomed.warning, HasSubstr("зум"));
}

} // namespace
} // namespace kavo::detect
