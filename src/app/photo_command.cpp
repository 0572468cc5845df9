#include "app/photo_command.h"

#include "app/photo_run.h"

#include "app/photo_texts.h"
#include "platform/paths.h"

#include <exception>

namespace kavo {

// The command's side of the worker's steps. The worker holds it weakly, so a step that arrives after
// the command has gone finds nobody and does nothing.
class PhotoCommand::Host {
public:
  explicit Host(PhotoCommand& owner) : command(owner) {}
  PhotoCommand& command;
};

// The search on its own thread: writeSeriesFromPhotos with the worker's stop flag, its progress and
// its end handed to the command on the main thread. It frees itself when the run returns.
class PhotoCommand::Worker final : public WorkerThread {
public:
  Worker(MainThreadDispatcher& mainThread, std::weak_ptr<Host> commandHost, detect::PhotoSeriesRequest run)
      : WorkerThread(mainThread), host(std::move(commandHost)), request(std::move(run)) {}

protected:
  void Execute() override {
    const detect::PhotoSeriesOutcome outcome = runPhotoSeries(
        request,
        [this](const detect::PhotoSeriesProgress& p) { onHost([&](PhotoCommand& c) { c.progress(p); }); },
        [this] { return Terminated(); });
    onHost([&](PhotoCommand& c) { c.finish(outcome); });
  }

private:
  // Runs a step on the command on the main thread; nothing once the command has gone. The progress
  // comes from the search's own threads, which must see no exception: a step that cannot reach the
  // main thread stops the search instead.
  void onHost(const std::function<void(PhotoCommand&)>& step) {
    try {
      Synchronize([&] {
        if (const auto h = host.lock()) {
          step(h->command);
        }
      });
    } catch (...) {
      Terminate();
    }
  }

  std::weak_ptr<Host> host;
  detect::PhotoSeriesRequest request;
};

PhotoCommand::PhotoCommand(UserPort& port_, PhotoView& view_, MainThreadDispatcher& dispatcher_,
                           char decimalSeparator, TakeFile takeFile_)
    : port(port_), view(view_), dispatcher(dispatcher_), separator(decimalSeparator),
      takeFile(std::move(takeFile_)), host(std::make_shared<Host>(*this)) {}

PhotoCommand::~PhotoCommand() {
  host.reset();
  if (const auto w = worker.lock()) {
    w->Terminate();
  }
}

void PhotoCommand::requestStop() {
  if (!running()) {
    return;
  }
  if (const auto w = worker.lock()) {
    w->Terminate();
  }
  view.showStatus("Поиск прерывается…");
}

bool PhotoCommand::start(const PhotoForm& form) {
  if (running()) {
    return false;
  }
  PhotoFormCheck check = checkPhotoForm(form, separator);
  last = {};
  view.setOverlayFolder({});
  if (check.refusal) {
    last.stage = PhotoOutcome::Stage::Refused;
    last.message = *check.refusal;
    port.showMessage(*check.refusal);
    return false;
  }
  check.request.threads = threadCount;
  runRequest = check.request;
  last.stage = PhotoOutcome::Stage::Running;
  last.photosGiven = runRequest.photos.size();
  view.setRunning(true);
  view.setProgress(0, static_cast<int>(runRequest.photos.size()));
  view.showStatus("Поиск мишени на снимках…");
  auto w = WorkerThread::create<Worker>(dispatcher, std::weak_ptr<Host>(host), runRequest);
  w->setFreeOnTerminate(true);
  worker = w;
  exitOfLast = w->exitToken();
  try {
    w->Resume();
  } catch (...) {
    last.stage = PhotoOutcome::Stage::Idle;
    view.setRunning(false);
    throw;
  }
  return true;
}

void PhotoCommand::progress(const detect::PhotoSeriesProgress& p) {
  view.setProgress(p.done, p.total);
  view.appendLog(photoProgressText(p, fileNameOf(p.photo->photo)));
  if (const auto w = worker.lock(); w && w->Terminated()) {
    return; // the status says the search is being stopped
  }
  const bool drawing = p.stage == detect::PhotoSeriesProgress::Stage::Drawing;
  view.showStatus((drawing ? "Отметки на снимках: " : "Поиск мишени: ") + std::to_string(p.done) + " из " +
                  std::to_string(p.total));
}

void PhotoCommand::finish(const detect::PhotoSeriesOutcome& o) {
  last.warnings = o.warnings;
  for (const std::string& warning : o.warnings) {
    view.appendLog("Предупреждение: " + withPhotoName(warning, o.detection.photos));
  }
  switch (o.status) {
  case detect::PhotoSeriesOutcome::Status::Written:
    last.stage = PhotoOutcome::Stage::Written;
    last.cameraFile = o.cameraFile;
    last.sceneFile = o.sceneFile;
    last.listFile = o.listFile;
    last.photosKept = o.plan.kept.size();
    last.overlayFolder = runRequest.overlayFolder;
    takeFile(FileField::Camera, o.cameraFile);
    takeFile(FileField::Scene, o.sceneFile);
    takeFile(FileField::List, o.listFile);
    view.setOverlayFolder(last.overlayFolder);
    view.showStatus(seriesWrittenText(runRequest, o) +
                    " Файлы серии выбраны в главном окне: можно нажать «Счет».");
    view.setRunning(false);
    return;
  case detect::PhotoSeriesOutcome::Status::Cancelled:
    last.stage = PhotoOutcome::Stage::Cancelled;
    view.showStatus("Поиск прерван: ничего не записано.");
    view.setRunning(false);
    return;
  case detect::PhotoSeriesOutcome::Status::Failed:
    break;
  }
  last.stage = PhotoOutcome::Stage::Failed;
  last.message = seriesFailedMessage(o);
  view.showStatus("Серия не записана.");
  view.setRunning(false);
  port.showMessage(last.message);
}

} // namespace kavo
