#pragma once
#include "app/calibration_state.h"

namespace kavo {

// When the main window's commands are available. The commands apply these rules and tell the view;
// the view never decides.

// "Фокусное расстояние" and "Счет": all three file fields name a file, and no run is under way (a
// second run would reload the lists the running worker reads).
bool computeAvailable(const CalibrationState& state, bool running);

// "Сохранить": a result is shown and not yet written, and no run is under way.
bool saveAvailable(const CalibrationState& state, bool running);

// "Отчёт…": a result is shown (saved or not), and no run is under way.
bool reportAvailable(const CalibrationState& state, bool running);

// "Экспорт камеры…": as the report; a shown result without a refined value says why when asked.
bool exportAvailable(const CalibrationState& state, bool running);

} // namespace kavo
