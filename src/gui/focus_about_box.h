#pragma once
#include <QDialog>

#include <memory>

namespace Ui {
class FocusAboutBox;
}

namespace kavo {

// "О программе": the icon, the product name, the version and the year, with one OK button.
class TFocusAboutBox : public QDialog {
  Q_OBJECT

public:
  explicit TFocusAboutBox(QWidget* parent = nullptr);
  ~TFocusAboutBox() override;

private:
  std::unique_ptr<Ui::FocusAboutBox> ui;
};

} // namespace kavo
