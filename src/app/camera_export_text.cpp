// The three camera formats' texts.
#include "app/camera_export.h"

#include <cstdio>

namespace kavo {
namespace {

std::string numbers(std::initializer_list<double> values) {
  std::string text;
  for (double v : values) {
    text += (text.empty() ? "" : ", ") + exportNumber(v);
  }
  return text;
}

// A YAML double-quoted string: quotes, backslashes and control characters escaped; other bytes (the
// UTF-8 of Russian roles) kept.
std::string quoted(const std::string& text) {
  std::string out = "\"";
  for (const char c : text) {
    if (c == '"' || c == '\\') {
      out += '\\';
      out += c;
    } else if (static_cast<unsigned char>(c) < 0x20) {
      char escape[8];
      std::snprintf(escape, sizeof escape, "\\x%02x", static_cast<unsigned char>(c));
      out += escape;
    } else {
      out += c;
    }
  }
  return out + "\"";
}

std::string openCvMatrix(const std::string& key, int rows, int cols, const std::string& data) {
  return key + ": !!opencv-matrix\n   rows: " + std::to_string(rows) + "\n   cols: " + std::to_string(cols) +
         "\n   dt: d\n   data: [ " + data + " ]\n";
}

std::string rosMatrix(const std::string& key, int rows, int cols, const std::string& data) {
  return key + ":\n  rows: " + std::to_string(rows) + "\n  cols: " + std::to_string(cols) + "\n  data: [" +
         data + "]\n";
}

std::string cameraMatrixData(const ExportedCamera& c) {
  return numbers({c.fx, 0.0, c.cx, 0.0, c.fy, c.cy, 0.0, 0.0, 1.0});
}

std::string distortionData(const ExportedCamera& c) {
  return numbers({c.k1, c.k2, 0.0, 0.0, 0.0});
}

std::string openCvText(const ExportedCamera& c) {
  std::string t = "%YAML:1.0\n---\n";
  t += "image_width: " + std::to_string(c.width) + "\n";
  t += "image_height: " + std::to_string(c.height) + "\n";
  t += openCvMatrix("camera_matrix", 3, 3, cameraMatrixData(c));
  t += openCvMatrix("distortion_coefficients", 1, 5, distortionData(c));
  t += "kavo_focal_standard_error: " + exportNumber(c.standardError) + "\n";
  t += "kavo_focal_interval95: [ " + numbers({c.intervalLow, c.intervalHigh}) + " ]\n";
  t += "kavo_reprojection_rms: " + exportNumber(c.reprojectionRms) + "\n";
  t += "kavo_tilt_degrees: " + exportNumber(c.tiltDegrees) + "\n";
  t += "kavo_inputs:\n";
  for (const RunInputFile& f : c.inputs) {
    t += "   - { role: " + quoted(f.role) + ", file: " + quoted(f.path) + ", sha256: " + quoted(f.sha256) +
         " }\n";
  }
  return t;
}

// A file name on a comment line: a line break in it would end the comment.
std::string oneLine(std::string text) {
  for (char& c : text) {
    c = static_cast<unsigned char>(c) < 0x20 ? '?' : c;
  }
  return text;
}

// What the run adds, as comments: the formats that follow have no place of their own for it.
std::string commentLines(const ExportedCamera& c, const std::string& mark) {
  std::string t = mark + " Kavo: refined focal length " + exportNumber(c.fx) + " px, standard error " +
                  exportNumber(c.standardError) + ", 95 % interval " + exportNumber(c.intervalLow) + " .. " +
                  exportNumber(c.intervalHigh) + "\n";
  t += mark + " reprojection RMS " + exportNumber(c.reprojectionRms) + " px, target tilt " +
       exportNumber(c.tiltDegrees) + " degrees\n";
  for (const RunInputFile& f : c.inputs) {
    t += mark + " input " + (f.sha256.empty() ? std::string("(not read)") : f.sha256) + " " +
         oneLine(f.path) + "\n";
  }
  return t;
}

std::string rosText(const ExportedCamera& c) {
  std::string t = commentLines(c, "#");
  t += "image_width: " + std::to_string(c.width) + "\n";
  t += "image_height: " + std::to_string(c.height) + "\n";
  t += "camera_name: " + c.cameraName + "\n";
  t += rosMatrix("camera_matrix", 3, 3, cameraMatrixData(c));
  t += "distortion_model: plumb_bob\n";
  t += rosMatrix("distortion_coefficients", 1, 5, distortionData(c));
  t += rosMatrix("rectification_matrix", 3, 3, numbers({1.0, 0.0, 0.0, 0.0, 1.0, 0.0, 0.0, 0.0, 1.0}));
  t += rosMatrix("projection_matrix", 3, 4,
                 numbers({c.fx, 0.0, c.cx, 0.0, 0.0, c.fy, c.cy, 0.0, 0.0, 0.0, 1.0, 0.0}));
  return t;
}

// COLMAP puts the centre of the top-left pixel at 0.5, 0.5: half a pixel after OpenCV's.
std::string colmapText(const ExportedCamera& c) {
  std::string t = "# Camera list with one line of data per camera:\n"
                  "#   CAMERA_ID, MODEL, WIDTH, HEIGHT, PARAMS[]\n"
                  "# Number of cameras: 1\n";
  t += commentLines(c, "#");
  t += "1 OPENCV " + std::to_string(c.width) + " " + std::to_string(c.height);
  for (double v : {c.fx, c.fy, c.cx + 0.5, c.cy + 0.5, c.k1, c.k2, 0.0, 0.0}) {
    t += " " + exportNumber(v);
  }
  return t + "\n";
}

} // namespace

std::string cameraExportText(const ExportedCamera& camera, CameraExportFormat format) {
  switch (format) {
  case CameraExportFormat::OpenCv:
    return openCvText(camera);
  case CameraExportFormat::Ros:
    return rosText(camera);
  case CameraExportFormat::Colmap:
    break;
  }
  return colmapText(camera);
}

} // namespace kavo
