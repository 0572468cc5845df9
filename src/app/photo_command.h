#pragma once
#include "app/file_fields.h"
#include "app/photo_form.h"
#include "detect/series_from_photos.h"
#include "platform/user_port.h"
#include "platform/worker_thread.h"

#include <functional>
#include <memory>
#include <string>
#include <vector>

namespace kavo {

// The photo dialog as the photo command drives it: it shows what it is told. Every call is made on the
// main thread.
class PhotoView {
public:
  virtual ~PhotoView() = default;
  // A search started or ended: while it runs the dialog locks its fields and offers only the cancel.
  virtual void setRunning(bool running) = 0;
  // The bar of the stage under way: photos searched, then overlays drawn.
  virtual void setProgress(int done, int total) = 0;
  // One line per photo searched or drawn, and the warnings.
  virtual void appendLog(const std::string& line) = 0;
  virtual void showStatus(const std::string& text) = 0;
  // The folder of the overlays just written ("" for none): what "Показать отметки" opens.
  virtual void setOverlayFolder(const std::string& folder) = 0;
};

// How the last search ended.
struct PhotoOutcome {
  enum class Stage {
    Idle,      // none yet
    Refused,   // the form was refused before the search; message is the box shown
    Running,   // the worker searches
    Written,   // the series was written and its files taken into the main window's fields
    Failed,    // nothing was written; message is the box shown, naming the photo or file
    Cancelled, // stopped by the user; nothing was written
  };
  Stage stage = Stage::Idle;
  UserMessage message;
  std::vector<std::string> warnings; // photos left out
  std::string cameraFile;
  std::string sceneFile;
  std::string listFile;
  std::string overlayFolder; // "" without overlays
  std::size_t photosGiven = 0;
  std::size_t photosKept = 0;
};

// A file handed to the main window as if picked with its "...": the desktop's window passes its own
// takeFile, which also moves the current directory to the file's folder.
using TakeFile = std::function<void(FileField field, const std::string& fullPath)>;

// "Снимки…": checks the photo dialog's form, finds the target in the photos on a worker thread with
// progress and cancel, writes the series files (all or nothing) and hands the camera, scene and list
// files to the main window's file fields, ready for the computation.
class PhotoCommand {
public:
  PhotoCommand(UserPort& port, PhotoView& view, MainThreadDispatcher& dispatcher, char decimalSeparator,
               TakeFile takeFile);
  // Detaches from a running worker and asks it to stop; it then ends quietly on its own, leaving
  // nothing written. The dispatcher must outlive the worker (see workerExit).
  ~PhotoCommand();
  PhotoCommand(const PhotoCommand&) = delete;
  PhotoCommand& operator=(const PhotoCommand&) = delete;

  // Checks the form and starts the search; false when the form was refused (its box shown through the
  // port) or a search is under way.
  bool start(const PhotoForm& form);
  bool running() const { return last.stage == PhotoOutcome::Stage::Running; }
  // Asks the search to stop after the photos in hand; nothing when none runs.
  void requestStop();
  // Threads of the search; 0 uses every core.
  void setThreads(int count) { threadCount = count; }

  const PhotoOutcome& outcome() const { return last; }
  // Completion token of the last worker: lets a caller wait until its thread is gone.
  std::shared_ptr<WorkerExit> workerExit() const { return exitOfLast; }

private:
  class Host;
  class Worker;
  void progress(const detect::PhotoSeriesProgress& p);
  void finish(const detect::PhotoSeriesOutcome& outcome);

  UserPort& port;
  PhotoView& view;
  MainThreadDispatcher& dispatcher;
  char separator;
  TakeFile takeFile;
  int threadCount = 0;
  PhotoOutcome last;
  detect::PhotoSeriesRequest runRequest;
  std::shared_ptr<Host> host;
  std::weak_ptr<WorkerThread> worker;
  std::shared_ptr<WorkerExit> exitOfLast;
};

} // namespace kavo
