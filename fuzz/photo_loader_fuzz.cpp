#include "detect/photo_image.h"
#include "fuzz_support.h"

#include <cstdio>
#include <cstdlib>
#include <string>
#include <unistd.h>

using namespace kavo;

namespace {

// The loader takes a photo by its name (it looks at the file, then its header, then decodes it), so
// the input is written once per run to a file in a memory-backed folder.
const std::string& photoPath(const char* extension) {
  static const std::string folder = [] {
    const char* base = std::getenv("TMPDIR");
    std::string pattern = std::string(base != nullptr && *base != '\0' ? base : "/tmp") + "/kavo-fuzz-XXXXXX";
    if (::mkdtemp(pattern.data()) == nullptr) {
      std::perror("mkdtemp");
      std::abort();
    }
    return pattern + "/";
  }();
  static std::string paths[3] = {folder + "in.png", folder + "in.jpg", folder + "in.tif"};
  return paths[extension[0] == 'p' ? 0 : extension[0] == 'j' ? 1 : 2];
}

} // namespace

// Loads a fuzzed small encoded photo as PNG, JPEG or TIFF (the first byte picks which name it
// gets). Either it is refused with a reason, or it is a grey photo of the size its header gives.
extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size == 0) {
    return 0;
  }
  const char* kinds[] = {"png", "jpg", "tif"};
  const std::string& path = photoPath(kinds[data[0] % 3]);
  ++data;
  --size;
  std::FILE* f = std::fopen(path.c_str(), "wb");
  if (f == nullptr || (size > 0 && std::fwrite(data, 1, size, f) != size) || std::fclose(f) != 0) {
    std::perror(path.c_str());
    std::abort();
  }
  std::string why;
  const auto photo = detect::loadPhoto(path, why);
  fuzz::check(photo.has_value() == why.empty(), "a refusal has a reason and a photo none");
  if (photo) {
    fuzz::check(!photo->grey.empty() && photo->grey.channels() == 1, "a loaded photo is one grey channel");
  }
  return 0;
}
