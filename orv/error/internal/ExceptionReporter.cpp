// orv/error/internal/ExceptionReporter.cpp - who an exception text names as its reporter, and its tag.
#include "orv/error/internal/ExceptionReporter.h"

#include "orv/file/FileString.h"
#include "orv/startup/Process.h"
#include "orv/startup/StartUp.h"

namespace orv {
namespace internal {
namespace {

constexpr const char* UnknownReporter = "<unknown>";

// Plain bool: trivially destroyed, so it does not pin the library.
thread_local bool reporterWithoutProcess = false;

}  // namespace

ReporterWithoutProcess::ReporterWithoutProcess() noexcept
    : previous_(reporterWithoutProcess) {
  reporterWithoutProcess = true;
}

ReporterWithoutProcess::~ReporterWithoutProcess() { reporterWithoutProcess = previous_; }

bool ReporterWithoutProcess::Active() noexcept { return reporterWithoutProcess; }

void AppendReporter(StringBase<char>& out) {
  if (StartUp* main = StartUp::GetMain()) {
    if (const StringBase<char>* name = main->GetModuleName()) out += *name;
    return;
  }
  StringBase<char> reporter;
  if (!reporterWithoutProcess) {
    FileString path;
    Process::Current()->GetExecutablePath(path);
    reporter = path.GetFileName(false);
  }
  out += reporter.empty() ? StringBase<char>(UnknownReporter) : reporter;
}

const char* ReporterWithoutAllocation() noexcept {
  if (StartUp* main = StartUp::GetMain()) {
    if (const StringBase<char>* name = main->GetModuleName()) return name->c_str();
  }
  return UnknownReporter;
}

const char* ShortTag() noexcept { return StartUp::GetShortTag(); }

}  // namespace internal
}  // namespace orv
