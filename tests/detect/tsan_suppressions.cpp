// The thread sanitizer cannot see how OpenCV's loops synchronise on TBB's threads, nor GDAL's locks
// taken by OpenCV's image codecs (neither library is built with it), and reports races inside them.
// Only reports with a frame in those libraries are suppressed; the program's own threads stay checked.
extern "C" const char* __tsan_default_suppressions() {
  return "race:libopencv_\n"
         "race:libtbb\n"
         "deadlock:libgdal\n";
}
