#include "platform/gui_calls.h"

#include <QCoreApplication>
#include <QMetaObject>
#include <QThread>

#include <algorithm>
#include <chrono>
#include <thread>

namespace platform {

GuiCalls& GuiCalls::Instance() {
  static GuiCalls instance;
  return instance;
}

bool GuiCalls::OnGuiThread() {
  static const std::thread::id firstUser = std::this_thread::get_id();
  if (QCoreApplication* app = QCoreApplication::instance()) return app->thread() == QThread::currentThread();
  return std::this_thread::get_id() == firstUser;
}

void GuiCalls::PostDrainRequest() {
  if (QCoreApplication* app = QCoreApplication::instance())
    QMetaObject::invokeMethod(app, [] { GuiCalls::Instance().Drain(); }, Qt::QueuedConnection);
}

bool GuiCalls::Call(const std::function<void()>& call, const std::atomic<bool>& abandon) {
  if (OnGuiThread()) {
    call();
    return true;
  }
  auto item = std::make_shared<Item>();
  item->call = call;
  {
    std::lock_guard<std::mutex> guard(lock_);
    queue_.push_back(item);
  }
  changed_.notify_all();
  PostDrainRequest();
  std::unique_lock<std::mutex> guard(lock_);
  changed_.wait(guard, [&] { return item->done || (abandon.load() && !item->running); });
  if (!item->done) {
    queue_.erase(std::remove(queue_.begin(), queue_.end(), item), queue_.end());
    return false;
  }
  if (item->error) std::rethrow_exception(item->error);
  return true;
}

int GuiCalls::Drain() {
  int ran = 0;
  for (;;) {
    std::shared_ptr<Item> item;
    {
      std::lock_guard<std::mutex> guard(lock_);
      if (queue_.empty()) break;
      item = queue_.front();
      queue_.pop_front();
      item->running = true;
    }
    try {
      item->call();
    } catch (...) {
      item->error = std::current_exception();
    }
    {
      std::lock_guard<std::mutex> guard(lock_);
      item->running = false;
      item->done = true;
    }
    changed_.notify_all();
    ++ran;
  }
  return ran;
}

void GuiCalls::DrainUntil(const std::function<bool()>& done) {
  for (;;) {
    Drain();
    if (done()) return;
    std::unique_lock<std::mutex> guard(lock_);
    const uint64_t seen = wakeups_;
    changed_.wait_for(guard, std::chrono::milliseconds(5), [&] { return !queue_.empty() || wakeups_ != seen; });
  }
}

void GuiCalls::Wake() {
  {
    std::lock_guard<std::mutex> guard(lock_);
    ++wakeups_;
  }
  changed_.notify_all();
}

}  // namespace platform
