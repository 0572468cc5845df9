#include "cli/compute_outputs.h"

#include "platform/atomic_file.h"
#include "platform/paths.h"

#include <algorithm>
#include <cctype>

namespace kavo {

namespace {

std::string lowerExtension(const std::string& path) {
  const std::string name = fileNameOf(path);
  const std::size_t dot = name.rfind('.');
  std::string extension = dot == std::string::npos ? std::string() : name.substr(dot);
  std::transform(extension.begin(), extension.end(), extension.begin(),
                 [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
  return extension;
}

} // namespace

std::vector<ComputeOutput> computeOutputs(const ComputeRequest& request) {
  std::vector<ComputeOutput> outputs;
  const auto add = [&outputs](const char* option, const std::string& path) {
    if (!path.empty()) {
      outputs.push_back({option, path});
    }
  };
  add("--values-out", request.valuesOut);
  add("--histogram-out", request.histogramOut);
  add("--save", request.saveTo);
  add("--report", request.reportOut);
  for (const CameraOutputRequest& o : cameraOutputRequests(request.cameraOutputs)) {
    add(o.option, o.path);
  }
  return outputs;
}

bool outputOnStandardOutput(const ComputeRequest& request) {
  const auto outputs = computeOutputs(request);
  return std::any_of(outputs.begin(), outputs.end(), [](const ComputeOutput& o) { return o.path == "-"; });
}

std::string outputsProblem(const ComputeRequest& request) {
  const std::vector<ComputeOutput> outputs = computeOutputs(request);
  const std::vector<std::pair<const char*, std::string>> inputs{{"--camera", request.run.cameraFile},
                                                                {"--scene", request.run.sceneFile},
                                                                {"--list", request.run.listFile}};
  int onStandardOutput = 0;
  for (std::size_t i = 0; i < outputs.size(); ++i) {
    const ComputeOutput& o = outputs[i];
    if (o.option == "--histogram-out" && o.path != "-") {
      const std::string extension = lowerExtension(o.path);
      if (extension != ".bmp" && extension != ".png") {
        return o.option + " " + o.path +
               ": рисунок пишется в формате BMP или PNG, и имя файла должно "
               "оканчиваться на .bmp или .png";
      }
    }
    if (o.path == "-") {
      // Save's copy is a camera file for later runs, not a text to read: it goes to a file only.
      if (o.option == "--save") {
        return "--save -: копия файла камеры записывается только в файл, не в стандартный вывод";
      }
      ++onStandardOutput;
      continue;
    }
    if (const std::string problem = outputFileProblem(o.path); !problem.empty()) {
      return o.option + " " + problem;
    }
    for (const auto& [option, path] : inputs) {
      if (sameFile(o.path, path)) {
        return o.option + " " + o.path + ": это входной файл " + option + ", запись его бы заменила";
      }
    }
    for (std::size_t j = 0; j < i; ++j) {
      if (outputs[j].path != "-" && sameFile(o.path, outputs[j].path)) {
        return o.option + " и " + outputs[j].option + " называют один файл " + o.path;
      }
    }
  }
  if (onStandardOutput > 1) {
    return "в стандартный вывод («-») можно направить только один файл";
  }
  if (onStandardOutput == 1 && request.json) {
    return "--json печатает в стандартный вывод, и файл туда направить нельзя";
  }
  return {};
}

std::string outputOnInput(const ComputeRequest& request, const RunInputs& inputs) {
  for (const ComputeOutput& o : computeOutputs(request)) {
    if (o.path == "-") {
      continue;
    }
    for (const RunInputFile& input : inputs.files) {
      if (sameFile(o.path, input.path)) {
        return o.option + " " + o.path + ": это входной файл (" + input.role + "), запись его бы заменила";
      }
    }
  }
  return {};
}

} // namespace kavo
