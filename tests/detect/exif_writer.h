#pragma once
#include <string>
#include <utility>
#include <vector>

namespace kavo::test {

// EXIF tags as exiv2 names and writes them: {"Exif.Photo.FocalLength", "50/10"}.
using ExifTags = std::vector<std::pair<std::string, std::string>>;

// Writes the tags into the EXIF of the photo at path (a JPEG, PNG or TIFF), keeping its pixels;
// throws std::runtime_error naming the photo when exiv2 cannot.
void writeExif(const std::string& path, const ExifTags& tags);

// Writes a grey width × height JPEG of a few hundred bytes to path, for tests of its EXIF alone.
std::string writeSmallJpeg(const std::string& path, int width, int height);

// The photo at path written again as a JPEG of good quality at jpegPath, as a camera stores it.
std::string copyAsJpeg(const std::string& path, const std::string& jpegPath);

} // namespace kavo::test
