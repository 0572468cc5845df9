#pragma once
#include "app/calibration_state.h"
#include "app/settings_input.h"
#include "platform/user_port.h"

#include <QDialog>

#include <functional>
#include <memory>

namespace Ui {
class FocusNForm;
}

namespace kavo {

// The settings dialog "Настройки": created once at start and reused. It edits the settings of the
// main window's CalibrationState, whose checks and units live in app/settings_input.h; the processing mode
// also resizes the main window and shows or hides its memo, which the window does through
// applyProcessingMode.
class TFocusNForm : public QDialog {
  Q_OBJECT

public:
  TFocusNForm(CalibrationState& state, UserPort& port, char decimalSeparator,
              std::function<void(int processingMode)> applyProcessingMode, QWidget* parent = nullptr);
  ~TFocusNForm() override;

  // Ctrl+J in the main window: fills the controls from the state and shows the dialog modally at
  // (400, 300).
  void openModal();
  // Fills the controls from the state.
  void fillFromState();
  // The radio group's item index: 0 "Обычный", 1 "Отладочный".
  int radioIndex() const;

public slots:
  void Button1Click(); // OK: applies, in order, and closes when everything was accepted
  void Button2Click(); // Отмена
  void Button3Click(); // Восстановить исходные: the controls only

private:
  void showTexts(const SettingsTexts& texts);

  std::unique_ptr<Ui::FocusNForm> ui;
  CalibrationState& state;
  UserPort& port;
  char separator;
  std::function<void(int)> applyMode;
};

} // namespace kavo
