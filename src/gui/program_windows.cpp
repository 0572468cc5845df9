#include "program_windows.h"

namespace kavo {

ProgramWindows::ProgramWindows(UserPort& port, char decimalSeparator)
    : mainWindow(std::make_unique<TFocus_Form>(port, decimalSeparator)) {
  TFocus_Form* window = mainWindow.get();
  mainWindow->setObjectName(QStringLiteral("Focus_Form"));
  settings = std::make_unique<TFocusNForm>(window->calibration(), port, decimalSeparator,
                                           [window](int mode) { window->applyProcessingMode(mode); });
  about = std::make_unique<TFocusAboutBox>();
  mainWindow->setSettingsDialog(settings.get());
  mainWindow->setAboutBox(about.get());
}

} // namespace kavo
