#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <string>

// Asks for the address page on a thread of its own, so the window never waits for it, one
// request at a time: a Request() made while one is under way is served by a fresh one when
// that ends. Each answer is reported on that thread with the number of the Request() it
// answers; an answer overtaken by a later Request() is not reported at all.
class AddressPageFetcher {
 public:
  using FetchFn = std::function<std::string()>;
  using ReportFn = std::function<void(uint64_t request, const std::string& answer)>;

  explicit AddressPageFetcher(ReportFn report);
  // No report comes after this returns; a request under way ends on its own.
  ~AddressPageFetcher();
  AddressPageFetcher(const AddressPageFetcher&) = delete;
  AddressPageFetcher& operator=(const AddressPageFetcher&) = delete;

  // `fetch` asks for the page (blocking, with a deadline of its own) and owns what it uses.
  void Request(uint64_t request, FetchFn fetch);

  struct Shared;

 private:
  std::shared_ptr<Shared> shared_;
};
