// RunTogether.cpp - runs a body on many threads that start at the same moment.
#include "tests/support/RunTogether.h"

#include <atomic>
#include <exception>
#include <thread>

namespace orv::test {

std::vector<std::string> RunTogether(int threads, const std::function<std::string(int)>& body) {
  std::atomic<int> arrived{0};
  std::vector<std::string> results(static_cast<std::size_t>(threads));
  std::vector<std::thread> running;
  running.reserve(results.size());
  for (int t = 0; t < threads; ++t) {
    running.emplace_back([&arrived, &results, &body, threads, t] {
      arrived.fetch_add(1);
      while (arrived.load() < threads) std::this_thread::yield();
      std::string& result = results[static_cast<std::size_t>(t)];
      try {
        result = body(t);
      } catch (const std::exception& e) {
        result = std::string("exception: ") + e.what();
      } catch (...) {
        result = "exception of an unknown type";
      }
    });
  }
  for (std::thread& thread : running) thread.join();
  return results;
}

}  // namespace orv::test
