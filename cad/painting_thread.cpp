#include "cad/painting_thread.h"

#include <QCoreApplication>
#include <QMetaObject>

#include <mutex>

#include "platform/gui_calls.h"

namespace cad {

// What the worker and the posted end event share with the owner; it outlives the thread object, so
// an end event delivered late finds it cancelled rather than freed.
struct TPaintingThread::Shared {
  std::mutex lock;
  bool finished = false;
  bool cancelled = false;  // WaitFor or the destructor took over: no end event
  EndEvent onTerminate;
};

TPaintingThread::TPaintingThread(ExecuteEvent execute, EndEvent onTerminate)
    : execute_(std::move(execute)), shared_(std::make_shared<Shared>()) {
  shared_->onTerminate = std::move(onTerminate);
}

TPaintingThread::~TPaintingThread() {
  Terminate();
  WaitFor();
}

void TPaintingThread::Start() {
  if (worker_.joinable()) return;
  worker_ = std::thread([this, shared = shared_] {
    try {
      if (execute_) execute_(*this);
    } catch (...) {
    }
    {
      std::lock_guard<std::mutex> guard(shared->lock);
      shared->finished = true;
    }
    platform::GuiCalls::Instance().Wake();
    // The end event waits for the event loop: whoever stops the thread meanwhile cancels it.
    if (QCoreApplication* app = QCoreApplication::instance()) {
      QMetaObject::invokeMethod(
          app,
          [shared] {
            EndEvent event;
            {
              std::lock_guard<std::mutex> guard(shared->lock);
              if (shared->cancelled) return;
              shared->cancelled = true;
              event = shared->onTerminate;
            }
            if (event) event();
          },
          Qt::QueuedConnection);
    }
  });
}

void TPaintingThread::Terminate() {
  terminated_ = true;
  platform::GuiCalls::Instance().Wake();
}

bool TPaintingThread::Finished() const {
  std::lock_guard<std::mutex> guard(shared_->lock);
  return shared_->finished;
}

void TPaintingThread::WaitFor() {
  {
    std::lock_guard<std::mutex> guard(shared_->lock);
    shared_->cancelled = true;
  }
  if (!worker_.joinable()) return;
  if (platform::GuiCalls::OnGuiThread()) platform::GuiCalls::Instance().DrainUntil([this] { return Finished(); });
  worker_.join();
}

bool TPaintingThread::Synchronize(const std::function<void()>& call) {
  return platform::GuiCalls::Instance().Call(call, terminated_);
}

}  // namespace cad
