#pragma once
#include "platform/user_port.h"
#include "target/target_form.h"

#include <QDialog>

#include <memory>

namespace Ui {
class TargetDialog;
}

namespace kavo {

// "Мишень для печати": the kind of target, its size and pitch (for a ChArUco board its markers too)
// and the paper, then "Записать…" with the PDF or SVG file. The target's form decides and writes.
class TargetDialog : public QDialog {
  Q_OBJECT

public:
  TargetDialog(UserPort& port, char decimalSeparator, QWidget* parent = nullptr);
  ~TargetDialog() override;

  // What the fields hold now.
  TargetForm form() const;
  // The last page written ("" before the first).
  const std::string& written() const { return lastWritten; }

public slots:
  void WriteClick();

private:
  std::unique_ptr<Ui::TargetDialog> ui;
  UserPort& port;
  char separator;
  std::string lastWritten;
};

// Opens the dialog over the main window (one at a time).
TargetDialog* openTargetDialog(QWidget* mainWindow, UserPort& port, char decimalSeparator);

} // namespace kavo
