#include "link/address_page.h"

#include <condition_variable>
#include <mutex>
#include <thread>

struct AddressPageFetcher::Shared {
  std::mutex Mutex;
  std::condition_variable Wake;
  ReportFn Report;
  FetchFn Fetch;  // set while a request waits for the thread
  uint64_t Number = 0;
  bool Stopping = false;
};

namespace {

void Serve(const std::shared_ptr<AddressPageFetcher::Shared>& s) {
  std::unique_lock<std::mutex> lock(s->Mutex);
  for (;;) {
    s->Wake.wait(lock, [&] { return s->Fetch || s->Stopping; });
    if (s->Stopping) return;
    const AddressPageFetcher::FetchFn fetch = std::move(s->Fetch);
    s->Fetch = nullptr;
    const uint64_t number = s->Number;
    lock.unlock();
    const std::string answer = fetch();
    lock.lock();
    if (!s->Stopping && !s->Fetch) s->Report(number, answer);
  }
}

}  // namespace

AddressPageFetcher::AddressPageFetcher(ReportFn report) : shared_(std::make_shared<Shared>()) {
  shared_->Report = std::move(report);
  // Detached: a page that does not answer must not keep the program from ending.
  std::thread([s = shared_] { Serve(s); }).detach();
}

AddressPageFetcher::~AddressPageFetcher() {
  std::lock_guard<std::mutex> lock(shared_->Mutex);
  shared_->Stopping = true;
  shared_->Report = nullptr;
  shared_->Wake.notify_all();
}

void AddressPageFetcher::Request(uint64_t request, FetchFn fetch) {
  std::lock_guard<std::mutex> lock(shared_->Mutex);
  shared_->Fetch = std::move(fetch);
  shared_->Number = request;
  shared_->Wake.notify_all();
}
