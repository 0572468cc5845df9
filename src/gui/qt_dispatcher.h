#pragma once
#include "platform/dispatcher.h"

#include <QObject>

namespace kavo {

// The desktop's Synchronize: a step from a worker thread becomes a blocking queued call into the
// GUI thread's event loop, so the worker waits until the step has run there. A step asked for on
// the GUI thread itself runs in place (a queued call would wait for itself). An exception thrown by
// the step is carried back and rethrown on the calling thread.
class QtDispatcher final : public MainThreadDispatcher {
public:
  // context lives on the GUI thread; the steps run in its thread.
  explicit QtDispatcher(QObject* context);
  void runAndWait(const std::function<void()>& step) override;

private:
  QObject* context;
};

} // namespace kavo
