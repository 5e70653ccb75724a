// bench/ErrorBench.cpp - exception texts, placeholder formatting, the
// message catalogue, error locations and the console sink.
#include <fcntl.h>
#include <unistd.h>

#include <benchmark/benchmark.h>

#include <cstdio>
#include <cstring>
#include <map>
#include <ostream>
#include <string>
#include <vector>

#include "orv/error/ConsoleStreamBuf.h"
#include "orv/error/ErrorLocation.h"
#include "orv/error/Exception.h"
#include "orv/error/FormatMessage.h"
#include "orv/error/MessageCatalogue.h"
#include "orv/text/StringBase.h"

namespace {

// --- An exception's construction and its text -----------------------------

void BM_ExceptionWhat(benchmark::State& state) {
  const orv::StringBase<char> argument("not set");
  for (auto _ : state) {
    orv::Exception error(1313, argument);
    benchmark::DoNotOptimize(error.what());
  }
}

void BM_ExceptionWhatSnprintf(benchmark::State& state) {
  char line[512];
  const long number = 1313;
  const char* argument = "not set";
  for (auto _ : state) {
    std::snprintf(line, sizeof line, "%s: %s %s%ld - Invalid date/time: %s.", "libquonvop4j",
                  "fatal error", "QV", number, argument);
    benchmark::DoNotOptimize(line);
    benchmark::ClobberMemory();
  }
}

BENCHMARK(BM_ExceptionWhat)->Name("ours/Exception.what");
BENCHMARK(BM_ExceptionWhatSnprintf)->Name("base/Exception.what");

// --- Placeholder formatting --------------------------------------------------

const char kFormat[] = "file %1 cannot be written at offset %2: %3 (retry later)";
const char* const kArguments[3] = {"/home/user/projects/data/archive.bin", "1048576",
                                   "No space left on device"};

void BM_FormatMessage(benchmark::State& state) {
  orv::StringBase<char> out;
  for (auto _ : state) {
    orv::FormatMessage(out, kFormat, kArguments[0], kArguments[1], kArguments[2]);
    benchmark::DoNotOptimize(out.data());
  }
}

// One pass over the format: each "%1" to "%3" is replaced by its argument.
void ReplaceOnce(std::string& out, const char* format, const char* const* args,
                 std::size_t count) {
  out.clear();
  const char* run = format;
  const char* p = format;
  for (; *p != '\0'; ++p) {
    if (p[0] == '%' && p[1] >= '1' && p[1] <= '9' &&
        static_cast<std::size_t>(p[1] - '1') < count) {
      out.append(run, static_cast<std::size_t>(p - run));
      out.append(args[p[1] - '1']);
      ++p;
      run = p + 1;
    }
  }
  out.append(run, static_cast<std::size_t>(p - run));
}

void BM_FormatSinglePass(benchmark::State& state) {
  std::string out;
  for (auto _ : state) {
    ReplaceOnce(out, kFormat, kArguments, 3);
    benchmark::DoNotOptimize(out.data());
  }
  if (out != "file /home/user/projects/data/archive.bin cannot be written at offset "
             "1048576: No space left on device (retry later)") {
    state.SkipWithError("the baseline formats wrongly");
  }
}

BENCHMARK(BM_FormatMessage)->Name("ours/FormatMessage.3args");
BENCHMARK(BM_FormatSinglePass)->Name("base/FormatMessage.3args");

// --- Catalogue lookup of a registered number -------------------------------

void BM_LookupRegistered(benchmark::State& state) {
  orv::StringBase<char> out;
  for (auto _ : state) {
    benchmark::DoNotOptimize(orv::GetMessageText(out, 1313));
  }
  if (out.empty()) state.SkipWithError("1313 has no text");
}

// The same work on a plain map: number to decimal key, find, copy the text.
void BM_LookupRegisteredMap(benchmark::State& state) {
  std::map<std::string, std::string> texts;
  orv::StringBase<char> text;
  for (unsigned int number = 0; number < 6000; ++number) {
    if (number == 987654) continue;
    // Only the library's own registered numbers answer without a walk; take
    // the texts from the catalogue so the map holds the same strings.
    if (number % 1000 < 400 && orv::GetMessageText(text, number)) {
      texts.emplace(std::to_string(number), text);
    }
  }
  state.counters["entries"] = static_cast<double>(texts.size());
  std::string out;
  for (auto _ : state) {
    const auto found = texts.find(std::to_string(1313u));
    if (found != texts.end()) out = found->second;
    benchmark::DoNotOptimize(out.data());
  }
}

BENCHMARK(BM_LookupRegistered)->Name("ours/Catalogue.Registered");
BENCHMARK(BM_LookupRegisteredMap)->Name("base/Catalogue.Registered");

// --- Error locations on one and on two threads -----------------------------

void BM_ErrorLocationScope(benchmark::State& state) {
  const orv::StringBase<char> text("reading /home/user/projects/data/archive.bin");
  for (auto _ : state) {
    orv::ErrorLocationScope scope(text);
    benchmark::ClobberMemory();
  }
  state.SetItemsProcessed(state.iterations());
}

// The floor: the same text pushed onto and popped from a stack the thread
// owns, with no table in between.
void BM_ErrorLocationPlainStack(benchmark::State& state) {
  const std::string text("reading /home/user/projects/data/archive.bin");
  static thread_local std::vector<std::string> stack;
  for (auto _ : state) {
    stack.push_back(text);
    benchmark::ClobberMemory();
    stack.pop_back();
  }
  state.SetItemsProcessed(state.iterations());
}

BENCHMARK(BM_ErrorLocationScope)
    ->Name("ours/ErrorLocationScope")->Threads(1)->Threads(2)->UseRealTime();
BENCHMARK(BM_ErrorLocationPlainStack)
    ->Name("base/ErrorLocationScope")->Threads(1)->Threads(2)->UseRealTime();

// --- The console sink --------------------------------------------------------

const char kLine[] = "libquonvop4j: warning QV4711 - a console line of ordinary length.\n";

// Sends standard output to /dev/null while it lives, whatever the caller
// redirected it to; the benchmark's own report is printed after the run.
class StandardOutputToNull {
 public:
  StandardOutputToNull() {
    std::fflush(stdout);
    saved_ = dup(STDOUT_FILENO);
    const int null = open("/dev/null", O_WRONLY);
    dup2(null, STDOUT_FILENO);
    close(null);
  }
  ~StandardOutputToNull() {
    std::fflush(stdout);
    dup2(saved_, STDOUT_FILENO);
    close(saved_);
  }
  StandardOutputToNull(const StandardOutputToNull&) = delete;
  StandardOutputToNull& operator=(const StandardOutputToNull&) = delete;

 private:
  int saved_;
};

void BM_ConsoleLine(benchmark::State& state) {
  StandardOutputToNull null;
  orv::ConsoleStreamBuf sink;
  std::ostream out(&sink);
  for (auto _ : state) {
    out << kLine;
  }
  state.SetBytesProcessed(static_cast<int64_t>(state.iterations()) * (sizeof kLine - 1));
}

void BM_ConsoleLineFwrite(benchmark::State& state) {
  StandardOutputToNull null;
  for (auto _ : state) {
    std::fwrite(kLine, 1, sizeof kLine - 1, stdout);
    std::fflush(stdout);
  }
  state.SetBytesProcessed(static_cast<int64_t>(state.iterations()) * (sizeof kLine - 1));
}

BENCHMARK(BM_ConsoleLine)->Name("ours/Console.line");
BENCHMARK(BM_ConsoleLineFwrite)->Name("base/Console.line");

}  // namespace
