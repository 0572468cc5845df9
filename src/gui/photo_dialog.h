#pragma once
#include "app/photo_command.h"
#include "platform/user_port.h"
#include "qt_dispatcher.h"

#include <QDialog>

#include <functional>
#include <memory>
#include <string>
#include <vector>

namespace Ui {
class PhotoDialog;
}

namespace kavo {

// "Снимки": the photos, the target, the camera's step and the folders, then the search with its
// progress and cancel. The photo command decides and runs everything; this dialog shows it. Escape,
// "Отмена", "Закрыть" and the title-bar close during a search all stop it, and the dialog closes
// (where that was asked) once the search has ended, so that nothing is left half written.
class PhotoDialog : public QDialog, public PhotoView {
  Q_OBJECT

public:
  PhotoDialog(UserPort& port, char decimalSeparator, TakeFile takeFile, QWidget* parent = nullptr);
  // Stops a search under way and waits for its thread, keeping the events going.
  ~PhotoDialog() override;

  PhotoCommand& command() { return *photoCommand; }
  // What the fields hold now.
  PhotoForm form() const;
  // Opens the overlays' folder for a look (the desktop's file manager unless replaced, as tests do);
  // false when it could not.
  std::function<bool(const QString& folder)> openFolder;

  // PhotoView
  void setRunning(bool running) override;
  void setProgress(int done, int total) override;
  void appendLog(const std::string& line) override;
  void showStatus(const std::string& text) override;
  void setOverlayFolder(const std::string& folder) override;

public slots:
  void AddPhotosClick();
  void RemovePhotosClick();
  void OutFolderClick();
  void OverlayFolderClick();
  void StartClick();
  void CancelClick();
  void ShowOverlaysClick();
  // Escape, "Закрыть" and the title-bar close: during a search, a cancel that closes when it ends.
  void reject() override;

private:
  void showPhotos();

  std::unique_ptr<Ui::PhotoDialog> ui;
  UserPort& port;
  QtDispatcher dispatcher;
  std::unique_ptr<PhotoCommand> photoCommand;
  std::vector<std::string> photos;
  QString overlayFolder;
  bool closeWhenStopped = false;
};

// "Снимки…" of the main window: its photo dialog, created on first use as the window's child and
// kept with what was typed into it, shown modal to the whole program.
PhotoDialog* openPhotoDialog(QWidget* mainWindow, UserPort& port, char decimalSeparator, TakeFile takeFile);

} // namespace kavo
