#include "app/save_target.h"

#include "platform/paths.h"

#include <filesystem>

namespace kavo {

SaveTarget chooseSaveTarget(UserPort& port, const FileDialogRequest& request) {
  SaveTarget target;
  const auto chosen = port.chooseSaveFile(request);
  if (!chosen) {
    return target;
  }
  target.path = *chosen;
  std::error_code ignored;
  if (std::filesystem::exists(*chosen, ignored)) {
    const UserMessage question{"Файл " + fileNameOf(*chosen) + " уже существует. Перезаписать?",
                               "Предупреждение",
                               {},
                               BoxOwner::MainWindow,
                               BoxIcon::Question};
    if (!port.askYesNo(question)) {
      target.status = SaveTarget::Status::Declined;
      return target;
    }
  }
  target.status = SaveTarget::Status::Chosen;
  return target;
}

} // namespace kavo
