#include "help_window.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QTextBrowser>
#include <QVBoxLayout>

namespace kavo {

QUrl helpPageUrl() {
  const QString installed =
      QDir(QCoreApplication::applicationDirPath()).filePath(QStringLiteral("../share/kavo/help/index.html"));
  if (QFileInfo::exists(installed))
    return QUrl::fromLocalFile(QFileInfo(installed).canonicalFilePath());
  return QUrl(QStringLiteral("qrc:/kavo/help/index.html"));
}

HelpWindow::HelpWindow(QWidget* parent) : QDialog(parent), view(new QTextBrowser(this)) {
  setObjectName(QStringLiteral("HelpWindow"));
  setWindowTitle(QStringLiteral("Справка"));
  view->setObjectName(QStringLiteral("HelpBrowser"));
  view->setOpenExternalLinks(true);
  auto* layout = new QVBoxLayout(this);
  layout->setContentsMargins(0, 0, 0, 0);
  layout->addWidget(view);
  resize(640, 560);
  view->setSource(helpPageUrl());
}

} // namespace kavo
