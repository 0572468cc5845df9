#pragma once
#include "platform/user_port.h"

#include <QPointer>
#include <QString>
#include <QWidget>

namespace kavo {

// "Camera Files|*.cam|All Files|*.*" as a Qt name filter: "Camera Files (*.cam);;All Files (*)".
// A description that already shows its pattern in brackets is kept as it is; "*.*" means every
// file, which on this platform is "*".
QString qtNameFilter(const std::string& windowsFilter);

// "cam" or "*.crd" as the suffix a save or open dialog appends: "cam", "crd".
// A Qt name filter's own suffix, when it names one pattern "*.ext": "ext"; otherwise "".
QString dialogDefaultSuffix(const std::string& defaultExtension);
QString filterSuffix(const QString& nameFilter);

// The desktop's user port: modal Qt message boxes and file dialogs. A box owned by the main window
// is centred on it and modal to it; a box without owner stands alone; the editor's boxes belong to
// the modal window on top, as do the photo dialog's. A reader's detail becomes the box's detailed text.
class QtUserPort final : public UserPort {
public:
  void setMainWindow(QWidget* window) { mainWindow = window; }

  void showMessage(const UserMessage& message) override;
  bool askYesNo(const UserMessage& question) override;
  Answer askYesNoCancel(const UserMessage& question) override;
  std::optional<std::string> chooseOpenFile(const FileDialogRequest& request) override;
  std::optional<std::string> chooseSaveFile(const FileDialogRequest& request) override;
  std::optional<SaveChoice> chooseSaveFileOfKind(const FileDialogRequest& request) override;
  std::vector<std::string> chooseOpenFiles(const FileDialogRequest& request) override;
  std::optional<std::string> chooseFolder(const FileDialogRequest& request) override;

private:
  QWidget* ownerOf(BoxOwner owner) const;
  // The dialogs' parent: the modal window on top, else the main window.
  QWidget* dialogParent() const;
  std::optional<std::string> runFileDialog(const FileDialogRequest& request, bool save,
                                           int* filter = nullptr);

  QPointer<QWidget> mainWindow;
};

} // namespace kavo
