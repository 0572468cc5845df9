#pragma once
#include <string>

namespace kavo::detect {

// Whether the file's first bytes are those of a JPEG, PNG or TIFF file, the kinds of photo read. Other
// content is never handed to OpenCV: its readers would take it by content whatever the name, and some
// (DICOM among them) allocate what their header claims, gigabytes from a file of a few hundred bytes,
// before the size of the picture could be checked.
bool isPhotoKind(const std::string& path);

// Whether a JPEG, PNG or TIFF file holds its whole picture: the file is decoded to its end by the
// format's own library, and a stream cut short or damaged on the way (a JPEG without its end, a PNG
// whose compressed data or check sums fail, a TIFF strip that cannot be read) is reported in the
// decoder's words. OpenCV's decoding fills what is missing with grey and says so only on stderr,
// so a photo cut short would otherwise pass as a photo without the target, or with points taken
// from half a picture. Returns "" for a whole stream and for files of other kinds.
std::string streamDamage(const std::string& path);

// The width and height a JPEG, PNG or TIFF file's header gives, read without decoding the picture
// (0 × 0 for files of other kinds and headers that cannot be read): a picture too large to decode is
// refused before it takes the memory.
struct PhotoSize {
  long long width = 0;
  long long height = 0;
};
PhotoSize photoSize(const std::string& path);

} // namespace kavo::detect
