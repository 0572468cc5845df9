#include "report/report_page.h"

#include "platform/number_text.h"
#include "report/report_plots.h"
#include "report/report_style.h"
#include "report/svg_text.h"

#include <algorithm>

namespace kavo {
namespace {

using svg::escapeText;

std::string row(const std::string& key, const std::string& valueHtml, bool number = true) {
  return "<tr><th class=\"key\">" + escapeText(key) + "</th><td" + (number ? " class=\"number\"" : "") + ">" +
         valueHtml + "</td></tr>\n";
}

std::string note(const std::string& sentence) {
  return "<p class=\"note\">" + escapeText(sentence) + "</p>\n";
}

std::string fileName(const std::string& path) {
  const auto slash = path.find_last_of('/');
  return slash == std::string::npos ? path : path.substr(slash + 1);
}

std::string interval(const std::array<double, 2>& bounds, char sep) {
  return "от " + formatFixed(bounds[0], sep) + " до " + formatFixed(bounds[1], sep);
}

std::string signedFixed(double value, char sep) {
  const std::string text = formatFixed(value, sep);
  return value > 0.0 ? "+" + text : text;
}

std::string figure(const std::string& svg, const std::string& caption) {
  return "<figure>\n" + svg + "<figcaption>" + escapeText(caption) + "</figcaption>\n</figure>\n";
}

std::string sentence(std::string text) {
  if (!text.empty() && text.back() != '.' && text.back() != '!') {
    text += '.';
  }
  return text;
}

// Every warning once, in the order met: the run's own first, then the refined fit's.
std::vector<std::string> allWarnings(const ReportInput& in) {
  std::vector<std::string> out;
  for (const auto* list : {&in.warnings, &in.refined.warnings}) {
    for (const std::string& w : *list) {
      if (!w.empty() && std::find(out.begin(), out.end(), w) == out.end()) {
        out.push_back(w);
      }
    }
  }
  return out;
}

std::string warningsBox(const ReportInput& in) {
  const std::vector<std::string> warnings = allWarnings(in);
  if (warnings.empty()) {
    return "<p class=\"nowarnings\">Предупреждений нет.</p>\n";
  }
  std::string out =
      "<div class=\"warnings\">\n<h2>Предупреждения (" + std::to_string(warnings.size()) + ")</h2>\n<ul>\n";
  for (const std::string& w : warnings) {
    out += "<li>" + escapeText(w) + "</li>\n";
  }
  return out + "</ul>\n</div>\n";
}

std::string classicPart(const ReportInput& in) {
  const char sep = in.decimalSeparator;
  const ReportClassic& c = in.classic;
  std::string out = "<h3>Классический результат</h3>\n";
  if (!c.present) {
    return out + note("Фокусное расстояние не вычислено: " +
                      sentence(c.absentReason.empty() ? "расчёт не дал результата" : c.absentReason));
  }
  out += "<table class=\"result block\">\n";
  out += row("Фокусное расстояние (пикс.):", formatFixed(c.focal, sep));
  out += row("Среднеквадратическое отклонение:", formatFixed(c.deviation, sep));
  out += row("Стандартное отклонение:", formatFixed(c.standardDeviation, sep));
  out += "</table>\n<table class=\"block\">\n";
  out += row("Число значений", std::to_string(c.valueCount));
  if (c.uncertainty.present) {
    out += row("Стандартная ошибка значения", formatFixed(c.uncertainty.standardError, sep));
    out += row("95 % интервал значения", interval(c.uncertainty.interval95, sep));
    out += row("Способ оценки интервала", escapeText(c.uncertainty.method), false);
  } else {
    out += row("95 % интервал значения", "не вычислялся", false);
  }
  out += "</table>\n";
  // Three spreads of different things stand side by side: each is said in a line.
  out += "<ul class=\"explain\">\n<li>Среднеквадратическое отклонение — разброс отдельных значений вокруг "
         "их среднего.</li>\n<li>Стандартное отклонение — разброс среднего, как если бы значения были "
         "независимы: среднеквадратическое отклонение, делённое на корень из числа значений, оставшихся "
         "после отсечения.</li>\n";
  if (c.uncertainty.present) {
    out += "<li>Стандартная ошибка значения — разброс среднего, измеренный по самим изображениям (при "
           "исключении их по одному); значения из общих точек не независимы, поэтому она больше, и по "
           "ней построен 95 % интервал.</li>\n";
  }
  out += "</ul>\n";
  if (c.corrected.present) {
    const ReportCorrected& k = c.corrected;
    out += "<h3>Классическая оценка с поправкой на геометрию</h3>\n<table class=\"block\">\n";
    out += row("Фокусное расстояние (пикс.)", formatFixed(k.focal, sep));
    out += row("Смещение классической формулы", signedFixed(k.shift, sep) + " пикс.");
    out += row("Стандартная ошибка", formatFixed(k.interval.standardError, sep));
    out += row("95 % интервал", interval(k.interval.interval95, sep));
    out += row("Способ оценки интервала", escapeText(k.interval.method), false);
    out += "</table>\n";
  }
  if (!c.intervalNote.empty()) {
    out += note(sentence(c.intervalNote));
  }
  return out;
}

// The points the robust loss weakened, the first few by name.
std::string downWeightedText(const std::vector<ReportDownWeighted>& points, char sep) {
  constexpr std::size_t kNamed = 12;
  std::string text = std::to_string(points.size());
  for (std::size_t i = 0; i < points.size() && i < kNamed; ++i) {
    text += (i == 0 ? ": " : "; ") + std::string("изобр. ") + std::to_string(points[i].image) + ", точка " +
            std::to_string(points[i].point) + " (вес " + svg::fixedNumber(points[i].weight, 2, sep) + ")";
  }
  if (points.size() > kNamed) {
    text += "; и ещё " + std::to_string(points.size() - kNamed);
  }
  return text;
}

std::string stepsTable(const ReportRefined& r, char sep) {
  if (r.steps.empty()) {
    return {};
  }
  std::string out =
      "<h3>Шаги камеры</h3>\n<table>\n<thead><tr><th>Между изображениями</th>"
      "<th>По списку, мм</th><th>По данным, мм</th><th>Разница, мм</th><th>Оценка</th></tr></thead>\n"
      "<tbody>\n";
  for (const ReportRefinedStep& s : r.steps) {
    out += "<tr><td>" + std::to_string(s.after) + " и " + std::to_string(s.after + 1) +
           "</td><td class=\"number\">" + svg::fixedNumber(s.stated, 3, sep) + "</td><td class=\"number\">" +
           svg::fixedNumber(s.measured, 3, sep) + "</td><td class=\"number\">" +
           svg::fixedNumber(s.measured - s.stated, 3, sep) + "</td>" +
           (s.suspect ? "<td class=\"suspect\">подозрительный</td>" : "<td>в пределах точности</td>") +
           "</tr>\n";
  }
  return out + "</tbody>\n</table>\n";
}

std::string refinedPart(const ReportInput& in) {
  const char sep = in.decimalSeparator;
  const ReportRefined& r = in.refined;
  std::string out = "<h3>Уточнённый результат</h3>\n";
  const std::string absent = refinedAbsence(in);
  if (!absent.empty()) {
    return out + note(absent);
  }
  out += "<table class=\"block\">\n";
  out += "<tr class=\"result\"><th class=\"key\">Фокусное расстояние (пикс.):</th><td class=\"number\">" +
         formatFixed(r.focal, sep) + "</td></tr>\n";
  out += row("Стандартная ошибка", formatFixed(r.standardError, sep));
  out += row("95 % интервал", interval(r.interval95, sep));
  if (!r.intervalMethod.empty()) {
    out += row("Способ оценки интервала", escapeText(r.intervalMethod), false);
  }
  out += row("Главная точка (пикс.)", "x " + svg::fixedNumber(r.principalPoint[0], 2, sep) + "; y " +
                                          svg::fixedNumber(r.principalPoint[1], 2, sep));
  out += row("Радиальная дисторсия",
             "k1 = " + escapeText(svg::significantNumber(r.distortion.k1, 4, sep)) +
                 "; k2 = " + escapeText(svg::significantNumber(r.distortion.k2, 4, sep)));
  out += row("Наклон мишени к оси камеры", svg::fixedNumber(r.tiltDegrees, 2, sep) + "°");
  out += row("Направление хода камеры",
             r.railKnown ? "от оси вправо " + svg::fixedNumber(r.railDegrees[0], 2, sep) + "°, вниз " +
                               svg::fixedNumber(r.railDegrees[1], 2, sep) + "° (± " +
                               svg::fixedNumber(r.railStandardError, 2, sep) + "°)"
                         : std::string("по этой серии не определяется, принято вдоль оси камеры"),
             r.railKnown);
  if (r.stepAccuracyUsed) {
    out += row("Разброс шагов камеры",
               "шагов слишком мало, чтобы его оценить: взята заявленная точность шага " +
                   escapeText(svg::fixedNumber(r.stepAccuracy, 3, sep)) + " мм",
               false);
  }
  out += row("СКО репроекции", svg::fixedNumber(r.reprojectionRms, 3, sep) + " пикс");
  out += row("Точки, ослабленные робастной оценкой",
             r.downWeighted.empty() ? std::string("нет") : escapeText(downWeightedText(r.downWeighted, sep)),
             false);
  out += "</table>\n";
  return out + stepsTable(r, sep);
}

std::string inputsPart(const ReportInput& in) {
  const char sep = in.decimalSeparator;
  std::string out = "<h2>Исходные данные</h2>\n<table>\n<thead><tr><th>Назначение</th><th>Файл</th>"
                    "<th>SHA-256</th></tr></thead>\n<tbody>\n";
  for (const ReportFile& f : in.files) {
    out += "<tr><td>" + escapeText(f.role) + "</td><td><b>" + escapeText(fileName(f.path)) +
           "</b><br><span class=\"path\">" + escapeText(f.path) + "</span></td><td>";
    if (!f.sha256.empty()) {
      out += "<span class=\"hash\">" + escapeText(f.sha256) + "</span>";
    } else {
      out += "<span class=\"problem\">не вычислена: " +
             escapeText(f.digestProblem.empty() ? "файл не прочитан" : f.digestProblem) + "</span>";
    }
    out += "</td></tr>\n";
  }
  out += "</tbody>\n</table>\n<table class=\"block\">\n";
  out += row("Изображений в серии", std::to_string(in.imageCount));
  out += row("Реперных точек сцены", std::to_string(in.scenePointCount));
  out += row("Измеренных точек на изображениях", std::to_string(in.measuredPointCount));
  out += "</table>\n<h3>Настройки</h3>\n<table class=\"block\">\n";
  const ReportSettings& s = in.settings;
  out += row("Режим обработки", s.mode == 2 ? "Отладочный" : "Обычный", false);
  out +=
      row("Количество σ, отсекаемых при анализе распределений", escapeText(formatGeneral(s.clipSigma, sep)));
  out += row("Минимальный угол между прямыми, образуемыми реперными точками",
             escapeText(formatGeneral(s.minAngleDegrees, sep)) + "°");
  out += row("Минимальная дистанция между реперными точками",
             escapeText(formatGeneral(s.minSpacingPercent, sep)) + " % диагонали изображения");
  out += row("Номер начального файла", std::to_string(s.firstImage));
  out += row("Номер следующего файла", std::to_string(s.secondImage));
  out += row("Точность шага камеры (берётся, когда шагов меньше четырёх)",
             escapeText(formatGeneral(s.stepAccuracyMm, sep)) + " мм");
  out += row("Радиус кругов мишени",
             s.circleRadiusMm > 0.0 ? escapeText(formatGeneral(s.circleRadiusMm, sep)) + " мм"
                                    : std::string("— (точки — углы шахматной доски)"),
             s.circleRadiusMm > 0.0);
  out +=
      row("Десятичный разделитель в файлах данных", std::string("«") + escapeText(std::string(1, sep)) + "»");
  return out + "</table>\n";
}

std::string plotsPart(const ReportInput& in) {
  const char sep = in.decimalSeparator;
  std::string out = "<h2>Графики</h2>\n";

  const std::string distribution = distributionPlot(in.distribution, sep);
  out +=
      distribution.empty()
          ? "<h3>Распределение значений</h3>\n" + note("Распределение не построено: нет ни одного значения.")
          : figure(distribution, "Значения фокусного расстояния по 200 интервалам, как в окне распределения: "
                                 "красная линия — среднее, синяя полоса — отсечение, зелёная — результат.");

  // The other pictures come from the refined fit; without it each says so in the same words.
  const std::string missing =
      note("График не построен: нет данных уточнённой оценки (см. «Уточнённый результат»).");
  const std::string scale = scalePlot(in.scale, sep);
  if (scale.empty()) {
    out += "<h3>" + escapeText(in.scale.quantity) + " по шагам камеры</h3>\n" + missing;
  } else {
    // The line and its residuals stay together on one printed page.
    out += figure(scale + scaleResidualPlot(in.scale, sep),
                  "Каждая точка — изображение; прямая подобрана по всем изображениям, под ней — отклонение "
                  "каждого изображения от прямой; красным отмечены изображения после подозрительного шага.");
  }
  const std::string rms = imageRmsPlot(in.imageRms, sep);
  out += rms.empty() ? "<h3>Невязки репроекции по изображениям</h3>\n" + missing
                     : figure(rms, "Среднеквадратическая невязка репроекции каждого изображения.");
  const std::string arrows = residualArrowPlot(in.worstImage, sep);
  out += arrows.empty() ? "<h3>Невязки худшего изображения</h3>\n" + missing
                        : figure(arrows, "Точки худшего изображения и их невязки (измерено минус модель).");
  return out;
}

} // namespace

std::string refinedAbsence(const ReportInput& in) {
  const ReportRefined& r = in.refined;
  if (r.status == RefinedStatus::Ok) {
    return {};
  }
  if (r.status == RefinedStatus::Failed) {
    return "Уточнённая оценка не получена: " +
           sentence(r.message.empty() ? "подгонка не сошлась" : r.message);
  }
  if (!in.classic.present) {
    return "Уточнённой оценки нет: расчёт не дал результата.";
  }
  return "Уточнённая оценка не вычислялась" +
         (r.message.empty() ? std::string(".") : ": " + sentence(r.message));
}

std::string buildReportPage(const ReportInput& in) {
  std::string page = "<!DOCTYPE html>\n<html lang=\"ru\">\n<head>\n<meta charset=\"utf-8\">\n"
                     "<meta name=\"viewport\" content=\"width=device-width, initial-scale=1\">\n"
                     "<title>Отчёт о калибровке: фокусное расстояние</title>\n<style>";
  page += kReportStyle;
  page += "</style>\n</head>\n<body>\n<h1>Отчёт о калибровке камеры</h1>\n";
  std::string meta = "Фокусное расстояние по серии изображений";
  if (in.files.size() >= 3) { // the list file names the series
    meta += " «" + fileName(in.files[2].path) + "»";
  }
  page += "<p class=\"meta\">" + escapeText(meta) + "<br>Дата: " + escapeText(in.date) + " · Kavo " +
          escapeText(in.programVersion) + "</p>\n";
  page += warningsBox(in);
  page += "<h2>Результат</h2>\n" + classicPart(in) + refinedPart(in);
  page += plotsPart(in);
  page += inputsPart(in);
  page +=
      "<footer>Отчёт создан программой Kavo " + escapeText(in.programVersion) + " " + escapeText(in.date) +
      ". Контрольные суммы SHA-256 позволяют убедиться, что исходные файлы с тех пор не менялись.</footer>\n";
  page += "</body>\n</html>\n";
  return page;
}

} // namespace kavo
