#include "link/address_page.h"

#include <gtest/gtest.h>

#include <atomic>
#include <future>
#include <utility>
#include <vector>

namespace {

// One fetch at a time, and an answer overtaken by a later request is never reported.
TEST(AddressPageFetcher, OnlyTheLatestRequestIsAnswered) {
  std::promise<void> started, release, reported;
  const std::shared_future<void> released = release.get_future().share();
  std::atomic<int> fetches{0};
  std::vector<std::pair<uint64_t, std::string>> reports;
  const auto fetch = [&](const std::string& answer) {
    return [&, answer] {
      if (++fetches == 1) started.set_value();
      released.wait();
      return answer;
    };
  };
  {
    AddressPageFetcher fetcher([&](uint64_t request, const std::string& answer) {
      reports.emplace_back(request, answer);
      if (reports.size() == 1) reported.set_value();
    });
    fetcher.Request(1, fetch("first"));
    started.get_future().wait();  // under way
    fetcher.Request(2, fetch("second"));
    fetcher.Request(3, fetch("third"));
    release.set_value();
    ASSERT_EQ(reported.get_future().wait_for(std::chrono::seconds(10)), std::future_status::ready);
  }
  EXPECT_EQ(reports, (std::vector<std::pair<uint64_t, std::string>>{{3, "third"}}));
  EXPECT_EQ(fetches, 2);
}

}  // namespace
