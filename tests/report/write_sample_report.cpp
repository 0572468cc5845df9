// Writes the report of a series (the bundled sample by default) for the browser smoke test:
//   write_sample_report OUT.html [SERIES_FOLDER] [DECIMAL_SEPARATOR]
// The folder holds camera.cam, scene.crd and series.lst.
#include "plane_fit_plots.h"
#include "report/report_file.h"
#include "sample_report.h"

#include <exception>
#include <iostream>

int main(int argc, char** argv) {
  if (argc < 2) {
    std::cerr << "usage: write_sample_report OUT.html [SERIES_FOLDER] [DECIMAL_SEPARATOR]\n";
    return 2;
  }
  const std::string folder = std::string(argc > 2 ? argv[2] : KAVO_EXAMPLES "/sample") + "/";
  const char separator = argc > 3 && argv[3][0] != '\0' ? argv[3][0] : '.';
  try {
    const auto series = kavo::testing::loadSeries(folder + "camera.cam", folder + "scene.crd",
                                                  folder + "series.lst", separator);
    kavo::ReportInput input = kavo::testing::classicReportInput(series, separator);
    input.date = kavo::reportDateNow();
    kavo::testing::addPlaneFitPlots(input, series);
    const kavo::ReportWriteResult written = kavo::writeReport(argv[1], input);
    if (!written.ok) {
      std::cerr << written.message << '\n' << written.detail << '\n';
      return 1;
    }
  } catch (const std::exception& e) {
    std::cerr << "write_sample_report: " << e.what() << '\n';
    return 1;
  }
  return 0;
}
