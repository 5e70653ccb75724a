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
#include "orv/file/FileException.h"
#include "orv/file/FileString.h"
#include "orv/file/Parsing.h"
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

// --- Long texts: 1 MiB of placeholders, components or folders ---------------
//
// Each operation against one plain pass over the same text that gives the
// same result: composing must grow with the text, not with its square.

constexpr std::size_t kMiB = 1024 * 1024;

std::string Repeated(const char* piece, std::size_t totalBytes) {
  std::string text;
  const std::size_t length = std::strlen(piece);
  text.reserve(totalBytes);
  while (text.size() + length <= totalBytes) text += piece;
  return text;
}

void BM_FormatMessageLong(benchmark::State& state) {
  const std::string format = Repeated("%1", kMiB);
  orv::StringBase<char> out;
  for (auto _ : state) {
    orv::FormatMessage(out, format.c_str(), "A");
    benchmark::DoNotOptimize(out.data());
  }
  if (out != std::string(kMiB / 2, 'A')) state.SkipWithError("wrong result");
}

void BM_FormatSinglePassLong(benchmark::State& state) {
  const std::string format = Repeated("%1", kMiB);
  const char* const args[1] = {"A"};
  std::string out;
  for (auto _ : state) {
    ReplaceOnce(out, format.c_str(), args, 1);
    benchmark::DoNotOptimize(out.data());
  }
}

BENCHMARK(BM_FormatMessageLong)->Name("ours/FormatMessage.1MiB")->Unit(benchmark::kMillisecond);
BENCHMARK(BM_FormatSinglePassLong)->Name("base/FormatMessage.1MiB")->Unit(benchmark::kMillisecond);

// A scanner token of 1 MiB of "%2" in the text of the scanner's exception,
// whose second argument is empty.
void BM_ScannerTokenWhat(benchmark::State& state) {
  const std::string text = Repeated("%2", kMiB);
  orv::Parsing parsing(text.c_str());
  try {
    parsing.ParseDecimal(0, 0);
    state.SkipWithError("the token parsed as a number");
    return;
  } catch (const orv::Exception& error) {
    if (error.GetArg1().size() != kMiB) {
      state.SkipWithError("the token is not the whole text");
      return;
    }
    for (auto _ : state) benchmark::DoNotOptimize(error.what());
  }
}

// One pass over the token that drops each "%2", then the frame around it.
void BM_ScannerTokenSnprintf(benchmark::State& state) {
  const std::string token = Repeated("%2", kMiB);
  const char* const args[2] = {"", ""};
  std::string message;
  std::string line;
  for (auto _ : state) {
    ReplaceOnce(message, token.c_str(), args, 2);
    line.resize(message.size() + 128);
    const int n = std::snprintf(&line[0], line.size(), "%s: %s %s%ld - decimal number expected: %s.",
                                "libquonvop4j", "fatal error", "QV", 2020L, message.c_str());
    benchmark::DoNotOptimize(n);
    benchmark::ClobberMemory();
  }
}

BENCHMARK(BM_ScannerTokenWhat)->Name("ours/Exception.what.token1MiB")->Unit(benchmark::kMillisecond);
BENCHMARK(BM_ScannerTokenSnprintf)->Name("base/Exception.what.token1MiB")->Unit(benchmark::kMillisecond);

// The text of a file exception whose name is 1 MiB of "/." before "/x".
void BM_FileExceptionWhat(benchmark::State& state) {
  const orv::FileException error(1003, orv::FileString(Repeated("/.", kMiB) + "/x"));
  for (auto _ : state) benchmark::DoNotOptimize(error.what());
  if (std::strstr(error.what(), " - file /x cannot be opened.") == nullptr) {
    state.SkipWithError("wrong text");
  }
}

// One pass over the name that keeps what is not a "/." in front of a "/",
// then the frame around it.
void BM_FileExceptionSnprintf(benchmark::State& state) {
  const std::string name = Repeated("/.", kMiB) + "/x";
  std::string clean;
  char line[512];
  for (auto _ : state) {
    clean.clear();
    for (std::size_t i = 0; i < name.size(); ++i) {
      if (name[i] == '/' && i + 2 < name.size() && name[i + 1] == '.' && name[i + 2] == '/') {
        ++i;
        continue;
      }
      clean += name[i];
    }
    std::snprintf(line, sizeof line, "%s: %s %s%ld - file %s cannot be opened.", "libquonvop4j",
                  "fatal error", "QV", 1003L, clean.c_str());
    benchmark::DoNotOptimize(line);
    benchmark::ClobberMemory();
  }
}

BENCHMARK(BM_FileExceptionWhat)->Name("ours/FileException.what.1MiB")->Unit(benchmark::kMillisecond);
BENCHMARK(BM_FileExceptionSnprintf)->Name("base/FileException.what.1MiB")->Unit(benchmark::kMillisecond);

// "/a" repeated, then as many "/..", 1 MiB in all: every ".." but the last
// takes a folder.
std::string UpAndDown() {
  const std::size_t pairs = kMiB / 5;
  return Repeated("/a", 2 * pairs) + Repeated("/..", 3 * pairs);
}

void BM_MakeAbsoluteLong(benchmark::State& state) {
  const orv::FileString name(UpAndDown());
  orv::FileString work;
  for (auto _ : state) {
    work = name;
    work.MakeAbsolute();
    benchmark::DoNotOptimize(work.data());
  }
  if (work != "/a/..") state.SkipWithError("wrong result");
}

// One pass with a stack of the kept components' starts.
void BM_MakeAbsoluteStack(benchmark::State& state) {
  const std::string name = UpAndDown();
  std::string work;
  std::vector<std::size_t> starts;
  std::string out;
  for (auto _ : state) {
    work = name;
    starts.clear();
    out.clear();
    for (std::size_t at = 0; at < work.size();) {
      std::size_t end = work.find('/', at + 1);
      if (end == std::string::npos) end = work.size();
      const bool dotDot = end - at == 3 && work.compare(at, 3, "/..") == 0 && end < work.size();
      if (dotDot && !starts.empty()) {
        out.resize(starts.back());
        starts.pop_back();
      } else {
        starts.push_back(out.size());
        out.append(work, at, end - at);
      }
      at = end;
    }
    benchmark::DoNotOptimize(out.data());
  }
  if (out != "/a/..") state.SkipWithError("the baseline cleans up wrongly");
}

BENCHMARK(BM_MakeAbsoluteLong)->Name("ours/FileString.MakeAbsolute.1MiB")->Unit(benchmark::kMillisecond);
BENCHMARK(BM_MakeAbsoluteStack)->Name("base/FileString.MakeAbsolute.1MiB")->Unit(benchmark::kMillisecond);

// 1 MiB of folders before the file: the display form keeps the last ones.
void BM_GetShortNameLong(benchmark::State& state) {
  const orv::FileString name(Repeated("/dir", kMiB) + "/file.txt");
  orv::StringBase<char> shortName;
  for (auto _ : state) {
    shortName = name.GetShortName(0);
    benchmark::DoNotOptimize(shortName.data());
  }
  if (shortName.size() != 509) state.SkipWithError("wrong result");
}

// A copy of the name, one search for a "/." that a clean-up would start at,
// and one backward scan for the longest tail that fits.
void BM_GetShortNameTail(benchmark::State& state) {
  const std::string name = Repeated("/dir", kMiB) + "/file.txt";
  std::string copy;
  std::string shortName;
  for (auto _ : state) {
    copy = name;
    if (memmem(copy.data(), copy.size(), "/.", 2) != nullptr) {
      state.SkipWithError("the name needs a clean-up");
      break;
    }
    std::size_t tail = copy.rfind('/');
    for (std::size_t at = tail; at != 0 && copy.size() - at + 4 <= 512;
         at = copy.rfind('/', at - 1)) {
      tail = at;
    }
    shortName = "/..." + copy.substr(tail);
    benchmark::DoNotOptimize(shortName.data());
  }
  if (shortName.size() != 509) state.SkipWithError("the baseline shortens wrongly");
}

BENCHMARK(BM_GetShortNameLong)->Name("ours/FileString.GetShortName.1MiB")->Unit(benchmark::kMillisecond);
BENCHMARK(BM_GetShortNameTail)->Name("base/FileString.GetShortName.1MiB")->Unit(benchmark::kMillisecond);

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
