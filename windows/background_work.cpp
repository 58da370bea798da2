#include "windows/background_work.h"

#include <QMetaObject>
#include <utility>

namespace layra {

bool BackgroundWork::Start(std::function<void()> work, std::function<void()> done) {
  if (busy_) return false;
  if (thread_.joinable()) thread_.join();
  busy_ = true;
  cancel_ = false;
  thread_ = std::thread([this, work = std::move(work), done = std::move(done)]() mutable {
    work();
    Post([this, done = std::move(done)] {
      if (thread_.joinable()) thread_.join();
      busy_ = false;
      if (done) done();
    });
  });
  return true;
}

void BackgroundWork::Post(std::function<void()> call) {
  const int generation = generation_;
  QMetaObject::invokeMethod(
      this,
      [this, generation, call = std::move(call)] {
        if (generation == generation_) call();
      },
      Qt::QueuedConnection);
}

void BackgroundWork::Wait() {
  if (!thread_.joinable()) return;
  cancel_ = true;
  ++generation_;
  thread_.join();
  busy_ = false;
}

}  // namespace layra
