#pragma once
#include "focus_about_box.h"
#include "focus_form.h"
#include "focus_n_form.h"

#include <memory>

namespace kavo {

// The program's three windows, created in the order of start-up: the main window, the settings
// dialog and the about box. The program and the tests build them the same way.
struct ProgramWindows {
  ProgramWindows(UserPort& port, char decimalSeparator);

  std::unique_ptr<TFocus_Form> mainWindow;
  std::unique_ptr<TFocusNForm> settings;
  std::unique_ptr<TFocusAboutBox> about;
};

} // namespace kavo
