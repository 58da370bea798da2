#ifndef LAYRA_WINDOWS_BACKGROUND_WORK_H_
#define LAYRA_WINDOWS_BACKGROUND_WORK_H_

// Work of the workspace done off the user-interface thread (an inversion, an
// equivalence analysis), one piece at a time: the work runs on a thread of
// its own and reports through Post(), whose calls run on the window's
// thread in order; when the work returns, `done` runs there too. Cancel()
// sets the flag the work watches; destroying the object cancels the work
// and waits for it (its posts and `done` are then dropped).

#include <QObject>
#include <atomic>
#include <functional>
#include <thread>

namespace layra {

class BackgroundWork : public QObject {
  Q_OBJECT

 public:
  explicit BackgroundWork(QObject* parent = nullptr) : QObject(parent) {}
  ~BackgroundWork() override { Wait(); }

  bool busy() const { return busy_; }
  // Starts `work`; false (nothing started) while other work is going on.
  bool Start(std::function<void()> work, std::function<void()> done);
  // From the work: calls `call` on the window's thread.
  void Post(std::function<void()> call);
  void Cancel() { cancel_ = true; }
  const std::atomic<bool>* cancelFlag() const { return &cancel_; }
  bool cancelled() const { return cancel_; }
  // Cancels the work and waits for its thread; its `done` is not called.
  void Wait();

 private:
  std::thread thread_;
  std::atomic<bool> cancel_{false};
  std::atomic<int> generation_{0};  // posts of earlier work are dropped
  bool busy_ = false;
};

}  // namespace layra

#endif  // LAYRA_WINDOWS_BACKGROUND_WORK_H_
