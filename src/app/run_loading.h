#pragma once
#include "app/run.h"
#include "estimator/estimator.h"

#include <functional>
#include <string>
#include <vector>

namespace kavo {

// The roles of a run's input files, as the report names them.
extern const char* const kCameraFileRole;
extern const char* const kSceneFileRole;
extern const char* const kListFileRole;
extern const char* const kCorrectionTableRole;
std::string imageRole(int imageNumber); // "Изображение 3"

// What the computation works on once the files are read: the scene's points, the corrected points
// of every image in list order, and the camera step after each image.
struct LoadedPoints {
  std::vector<Point2> scene;
  std::vector<std::vector<Point2>> images;
  std::vector<std::string> imageFiles; // as the list names them
  std::vector<double> steps;
};

// Reads the request's files in the order the compute command always has (camera file with its
// correction table, scene, the question about a focal length already computed, list, every image),
// each once, recording its digest and what it holds in result. False when the run stops before the
// computation: result then says Stopped with the box to show. The clustering warning goes to
// hooks.warn and the run goes on.
bool loadRunInputs(const RunRequest& request, const RunHooks& hooks, RunResult& result, LoadedPoints& points);

// The classic method's warning of points that lie close together, and what it means, for the report.
inline constexpr const char* kClusteredPointsWarning =
    "Реперные точки расположены слишком кучно. Достоверность результата низкая.";
inline constexpr const char* kClusteredPointsMeaning =
    "Это проверка классического метода: на каком-то снимке две самые далёкие точки ближе друг к другу, чем "
    "половина диагонали кадра. Она срабатывает на дальних снимках почти любой серии, где доска занимает "
    "около половины ширины кадра, и сама по себе не означает, что результат неверен: о его точности "
    "говорят интервалы.";

// True when in every image the two farthest points are at least half the image diagonal apart. Its
// pairs of points grow with the square of the points: a true shouldStop ends it with
// RunAbandoned(Cancelled).
bool pointsSpreadEnough(const std::vector<std::vector<Point2>>& images, double imageWidth, double imageHeight,
                        const std::function<bool()>& shouldStop = {});

} // namespace kavo
