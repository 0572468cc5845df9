#include <gtest/gtest.h>

#include <QImage>
#include <cstdint>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "estimator/focal_values.h"
#include "graph/distribution_drawing.h"
#include "graph/distribution_export.h"
#include "graph/picture_file.h"
#include "graph/qt/distribution_picture.h"

namespace kavo {
namespace {

namespace fs = std::filesystem;

std::vector<unsigned char> readBytes(const fs::path& path) {
  std::ifstream in(path, std::ios::binary);
  return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

std::uint32_t littleEndian32(const std::vector<unsigned char>& bytes, std::size_t at) {
  return static_cast<std::uint32_t>(bytes[at]) | static_cast<std::uint32_t>(bytes[at + 1]) << 8 |
         static_cast<std::uint32_t>(bytes[at + 2]) << 16 | static_cast<std::uint32_t>(bytes[at + 3]) << 24;
}

Colour colourAt(const QImage& image, int x, int y) {
  const QRgb rgb = image.pixel(x, y);
  return static_cast<Colour>(qRed(rgb)) | static_cast<Colour>(qGreen(rgb)) << 8 |
         static_cast<Colour>(qBlue(rgb)) << 16;
}

class PictureFileTest : public testing::Test {
protected:
  void SetUp() override {
    folder = fs::temp_directory_path() /
             ("kavo-graph-" + std::string(testing::UnitTest::GetInstance()->current_test_info()->name()));
    fs::remove_all(folder);
    fs::create_directories(folder);
  }
  void TearDown() override { fs::remove_all(folder); }

  // Range 0 .. 800 at one column per unit: mean 401.7 at column 451, the band at 151 and 752.
  std::string exportTo(const fs::path& path) {
    return exportDistributionPicture(path.string(), values, 1, 401.7, 300.6, 150.3, ',');
  }
  RasterPicture expectedPicture() const {
    const DistributionModel model(values, DistributionNumbers{401.7, 1, 300.6, 150.3});
    return renderDistributionPicture(renderDistributionBackground(model, ','), model);
  }
  static void expectSamePixels(const QImage& image, const RasterPicture& picture) {
    ASSERT_EQ(image.width(), picture.width());
    ASSERT_EQ(image.height(), picture.height());
    for (int y = 0; y < picture.height(); ++y) {
      for (int x = 0; x < picture.width(); ++x) {
        ASSERT_EQ(colourAt(image, x, y), picture.pixel(x, y)) << "pixel " << x << "," << y;
      }
    }
  }

  fs::path folder;
  FocalValues values = FocalValues::fromVector({0, 400, 400, 800});
};

TEST_F(PictureFileTest, BitmapIs900By580At24BitsWithTheMarkersAtTheirColumns) {
  const fs::path path = folder / "graph2.bmp";
  ASSERT_EQ(exportTo(path), "");
  const auto bytes = readBytes(path);
  ASSERT_GT(bytes.size(), 54u);
  EXPECT_EQ(bytes[0], 'B');
  EXPECT_EQ(bytes[1], 'M');
  EXPECT_EQ(littleEndian32(bytes, 18), 900u);
  EXPECT_EQ(littleEndian32(bytes, 22), 580u);
  EXPECT_EQ(bytes[28], 24);
  EXPECT_EQ(bytes.size(), 54u + 900u * 3u * 580u) << "rows of 2700 bytes need no padding";

  const QImage image(QString::fromStdString(path.string()));
  ASSERT_FALSE(image.isNull());
  EXPECT_EQ(colourAt(image, 300, 490), kCurveColour);
  EXPECT_EQ(colourAt(image, 451, 300), kMeanColour);
  EXPECT_EQ(colourAt(image, 151, 300), kBandColour);
  EXPECT_EQ(colourAt(image, 752, 300), kBandColour);
  expectSamePixels(image, expectedPicture());
}

TEST_F(PictureFileTest, PngChosenByTheExtension) {
  const fs::path path = folder / "histogram.PNG";
  ASSERT_EQ(exportTo(path), "");
  const auto bytes = readBytes(path);
  ASSERT_GT(bytes.size(), 8u);
  EXPECT_EQ(std::string(bytes.begin() + 1, bytes.begin() + 4), "PNG");
  expectSamePixels(QImage(QString::fromStdString(path.string())), expectedPicture());
}

TEST_F(PictureFileTest, FailuresAreReportedAndWriteNothing) {
  const fs::path missingFolder = folder / "missing" / "graph2.bmp";
  EXPECT_NE(exportTo(missingFolder), "");
  EXPECT_FALSE(fs::exists(missingFolder));

  const FocalValues none = FocalValues::fromVector({});
  const fs::path path = folder / "empty.bmp";
  EXPECT_NE(exportDistributionPicture(path.string(), none, 3, 0, 0, 0, '.'), "");
  EXPECT_FALSE(fs::exists(path));
}

} // namespace
} // namespace kavo
