#pragma once

#include <algorithm>
#include <chrono>
#include <condition_variable>
#include <cstddef>
#include <deque>
#include <future>
#include <mutex>
#include <thread>
#include <utility>
#include <vector>

// Runs jobs on a fixed set of worker threads and hands their results back in the order the
// jobs were submitted. The owner keeps at most `capacity` jobs outstanding (Full), which
// bounds the memory the jobs hold. Jobs not yet started when the pool goes are dropped. A pool
// asked for no workers or no capacity gets one of each: without them nothing would ever run.
template <typename Result>
class OrderedPool {
 public:
  OrderedPool(int workers, size_t capacity) : capacity_(std::max<size_t>(capacity, 1)) {
    for (int i = 0; i < std::max(workers, 1); ++i) threads_.emplace_back([this] { Work(); });
  }
  ~OrderedPool() {
    {
      std::lock_guard lock(mutex_);
      stop_ = true;
    }
    wake_.notify_all();
    for (auto& t : threads_) t.join();
  }
  OrderedPool(const OrderedPool&) = delete;
  OrderedPool& operator=(const OrderedPool&) = delete;

  bool Full() const { return order_.size() >= capacity_; }
  bool Empty() const { return order_.empty(); }
  bool FrontReady() const {
    return order_.front().wait_for(std::chrono::seconds(0)) == std::future_status::ready;
  }

  template <typename Job>
  void Submit(Job&& job) {
    std::packaged_task<Result()> task(std::forward<Job>(job));
    order_.push_back(task.get_future());
    {
      std::lock_guard lock(mutex_);
      queue_.push_back(std::move(task));
    }
    wake_.notify_one();
  }

  // The oldest job's result, waiting for it if need be.
  Result TakeFront() {
    std::future<Result> front = std::move(order_.front());
    order_.pop_front();
    return front.get();
  }

 private:
  void Work() {
    while (true) {
      std::packaged_task<Result()> task;
      {
        std::unique_lock lock(mutex_);
        wake_.wait(lock, [this] { return stop_ || !queue_.empty(); });
        if (stop_) return;
        task = std::move(queue_.front());
        queue_.pop_front();
      }
      task();
    }
  }

  size_t capacity_;
  std::deque<std::future<Result>> order_;  // touched by the owner's thread only
  std::mutex mutex_;
  std::condition_variable wake_;
  std::deque<std::packaged_task<Result()>> queue_;
  bool stop_ = false;
  std::vector<std::thread> threads_;  // last: joined before the rest goes
};

// The worker count to use: `asked` when above 0, otherwise one per core; never more than the
// cores or kMostWorkers (each worker holds a few blocks of up to 4 MiB), never fewer than one.
inline constexpr int kMostWorkers = 16;
inline int WorkerCount(int asked, unsigned cores = std::thread::hardware_concurrency()) {
  const int most = std::max(1, static_cast<int>(std::min<unsigned>(cores, kMostWorkers)));
  return asked > 0 ? std::min(asked, most) : most;
}
