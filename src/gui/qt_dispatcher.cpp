#include "qt_dispatcher.h"

#include "core/error.h"

#include <QMetaObject>
#include <QThread>

#include <exception>

namespace kavo {

QtDispatcher::QtDispatcher(QObject* contextObject) : context(contextObject) {}

void QtDispatcher::runAndWait(const std::function<void()>& step) {
  if (QThread::currentThread() == context->thread()) {
    step();
    return;
  }
  std::exception_ptr failure;
  const bool delivered = QMetaObject::invokeMethod(
      context,
      [&] {
        try {
          step();
        } catch (...) {
          failure = std::current_exception();
        }
      },
      Qt::BlockingQueuedConnection);
  if (!delivered)
    throw Error("the main window no longer takes steps from the worker");
  if (failure)
    std::rethrow_exception(failure);
}

} // namespace kavo
