#include "refine/series_assessment.h"

#include "refine/classic_interval.h"
#include "refine/refine_series.h"
#include "refine/refine_texts.h"

namespace kavo {
namespace {

// Hooks whose progress covers [from, to] of the caller's.
RefineHooks part(const RefineHooks& hooks, double from, double to) {
  RefineHooks h;
  h.shouldStop = hooks.shouldStop;
  if (hooks.progress) {
    h.progress = [&hooks, from, to](double f) { hooks.progress(from + (to - from) * f); };
  }
  return h;
}

} // namespace

void addComparisonWarnings(const RefineInput& input, const ClassicUncertainty& classic,
                           RefinedResult& refined) {
  const char sep = input.decimalSeparator;
  if (!classic.unusedImages.empty()) {
    const bool one = classic.unusedImages.size() == 1;
    refined.warnings.push_back((one ? "Изображение " : "Изображения ") + numberRanges(classic.unusedImages) +
                               (one ? " не участвует" : " не участвуют") +
                               " в классическом результате: при этих настройках углов и расстояний "
                               "для них не нашлось ни одной четвёрки точек");
  }
  if (!refined.ok || !classic.available) {
    return;
  }
  if (refined.tiltWarning >= 0 && classic.biasKnown && classic.mean != 0.0) {
    refined.warnings[static_cast<std::size_t>(refined.tiltWarning)] +=
        " на " + signedDecimalText(100.0 * classic.bias / refined.focal, 2, sep) + " %";
  }
  // Both estimate the focal length once the classic mean is corrected for its shift; the classic value
  // itself may lie away from the refined one by that shift without any contradiction.
  const ClassicCorrected& c = classic.corrected;
  if (c.available && (c.intervalHigh < refined.intervalLow || refined.intervalHigh < c.intervalLow)) {
    refined.warnings.push_back("Классическая оценка с поправкой на геометрию (" +
                               decimalText(c.focal, 2, sep) + ") и уточнённый результат (" +
                               decimalText(refined.focal, 2, sep) + ") расходятся сильнее своих интервалов");
  }
}

SeriesAssessment assessSeries(const RefineInput& input, const RefineHooks& hooks,
                              const FocalValues* classicValues, const ClassicReduction* reduction,
                              const RefinedResult* fitted) {
  SeriesAssessment a;
  a.refined = fitted != nullptr ? *fitted : refineSeries(input, part(hooks, 0.0, 0.6));
  a.uncertainty = classicInterval(input, &a.refined, part(hooks, 0.6, 1.0), classicValues, reduction);
  addComparisonWarnings(input, a.uncertainty, a.refined);
  return a;
}

} // namespace kavo
