#include "focus_about_box.h"

#include "ui_focus_about_box.h"

namespace kavo {

TFocusAboutBox::TFocusAboutBox(QWidget* parent) : QDialog(parent), ui(std::make_unique<Ui::FocusAboutBox>()) {
  ui->setupUi(this);
}

TFocusAboutBox::~TFocusAboutBox() = default;

} // namespace kavo
