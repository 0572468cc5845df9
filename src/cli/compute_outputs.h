#pragma once
#include "app/run_result.h"
#include "cli/compute_run.h"

#include <string>
#include <vector>

namespace kavo {

// A file kavo-cli compute writes besides what it prints, named by its option; "-" is standard output.
struct ComputeOutput {
  std::string option; // "--values-out", "--histogram-out", "--save", "--report", "--export-opencv", ...
  std::string path;
};

std::vector<ComputeOutput> computeOutputs(const ComputeRequest& request);

// Why the outputs cannot be written as asked, before the run ("" when they can): an output that names
// a folder, a device, a pipe or a socket, one of the input files, or the same file as another output;
// more than one output on standard output, or one there beside --json, or Save's copy there; a picture
// whose name ends in neither .bmp nor .png.
std::string outputsProblem(const ComputeRequest& request);

// Why an output names a file the run read ("" when none does): the correction table and the image
// files are known only once the run has read them.
std::string outputOnInput(const ComputeRequest& request, const RunInputs& inputs);

// Whether the command's summary and listing go to standard error: an output goes to standard output.
bool outputOnStandardOutput(const ComputeRequest& request);

} // namespace kavo
