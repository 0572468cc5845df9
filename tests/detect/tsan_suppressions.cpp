// Set-up for the photo test programs under the thread sanitizer.
//
// OpenCV's loops share their work out to a pool of threads (TBB's or its own) whose synchronisation
// the sanitizer cannot see, since neither library is built with it. Left running, every pixel those
// threads write looks like a race once the calling thread reads or frees the image: a single ChArUco
// photo gives over a hundred thousand such reports, the sanitizer spends nine tenths of the run on
// them, and a suppression for them would hide any real race that passes through an OpenCV call too.
// So in the thread-sanitizer build OpenCV runs each loop on the thread that calls it. The program's
// own threads (one per photo) still run at once and are checked, OpenCV's calls among them included.
#if defined(__SANITIZE_THREAD__)
#include <opencv2/core/utility.hpp>

namespace {
const bool kOpenCvOnTheCallingThread = [] {
  cv::setNumThreads(1);
  return true;
}();
} // namespace

// GDAL, reached through OpenCV's image codecs, takes its locks in an order the sanitizer reads as a
// possible deadlock; those locks are GDAL's own and never held across the program's code.
extern "C" const char* __tsan_default_suppressions() {
  return "deadlock:libgdal\n";
}
#endif
