#include "app/save_target.h"

#include "platform/paths.h"

#include <filesystem>

namespace kavo {

bool overwriteAllowed(UserPort& port, const std::string& path) {
  std::error_code ignored;
  if (!std::filesystem::exists(path, ignored)) {
    return true;
  }
  const UserMessage question{"Файл " + fileNameOf(path) + " уже существует. Перезаписать?",
                             "Предупреждение",
                             {},
                             BoxOwner::MainWindow,
                             BoxIcon::Question};
  return port.askYesNo(question);
}

SaveTarget chooseSaveTarget(UserPort& port, const FileDialogRequest& request) {
  SaveTarget target;
  const auto chosen = port.chooseSaveFile(request);
  if (!chosen) {
    return target;
  }
  target.path = *chosen;
  target.status = overwriteAllowed(port, *chosen) ? SaveTarget::Status::Chosen : SaveTarget::Status::Declined;
  return target;
}

} // namespace kavo
