#ifndef LAYRA_INVERSION_JOB_RUNNER_H_
#define LAYRA_INVERSION_JOB_RUNNER_H_

// Independent jobs (one sounding each) on a few threads, their results
// handed on in job order: the command line's -j and a survey's runs.

#include <algorithm>
#include <condition_variable>
#include <functional>
#include <map>
#include <mutex>
#include <thread>
#include <utility>
#include <vector>

namespace layra {

// Runs work(0) .. work(count - 1) on up to `jobs` threads (the caller's one
// of them) and calls done(i, result), one call at a time, in index order as
// soon as job i and those before it are finished. A job starts at most
// 4 x jobs ahead of the first not handed on, so few results wait.
template <typename Result>
void RunJobs(int count,
             int jobs,
             const std::function<Result(int)>& work,
             const std::function<void(int, Result&)>& done) {
  const int threads = std::max(1, std::min(jobs, count));
  const int window = 4 * threads;
  std::mutex mutex;
  std::condition_variable handed_on;
  std::map<int, Result> finished;
  int next_job = 0;
  int next_to_hand_on = 0;
  auto worker = [&]() {
    while (true) {
      int i = 0;
      {
        std::unique_lock<std::mutex> lock(mutex);
        handed_on.wait(lock,
                       [&] { return next_job >= count || next_job < next_to_hand_on + window; });
        if (next_job >= count) return;
        i = next_job++;
      }
      Result result = work(i);
      std::lock_guard<std::mutex> lock(mutex);
      finished.emplace(i, std::move(result));
      for (auto next = finished.find(next_to_hand_on); next != finished.end();
           next = finished.find(next_to_hand_on)) {
        done(next->first, next->second);
        finished.erase(next);
        ++next_to_hand_on;
      }
      handed_on.notify_all();
    }
  };
  std::vector<std::thread> pool;
  for (int t = 1; t < threads; ++t) pool.emplace_back(worker);
  worker();
  for (std::thread& thread : pool) thread.join();
}

}  // namespace layra

#endif  // LAYRA_INVERSION_JOB_RUNNER_H_
