#pragma once
#include <QDialog>
#include <QUrl>

class QTextBrowser;

namespace kavo {

// Where the help page is: the copy installed next to the program (<prefix>/share/kavo/help), else
// the copy built into the program.
QUrl helpPageUrl();

// "Справка": the program's own help page in a window of its own, beside the main window.
class HelpWindow : public QDialog {
  Q_OBJECT

public:
  explicit HelpWindow(QWidget* parent = nullptr);
  QTextBrowser* browser() const { return view; }

private:
  QTextBrowser* view;
};

} // namespace kavo
