// orv/error/internal/ExceptionReporter.h - who an exception text names as its reporter, and its tag.
//
// The one place where exception texts depend on the start-up object and the
// running process: Exception.cpp asks here and includes neither. Not part of
// the public API: neither exported nor installed.
#ifndef ORV_ERROR_INTERNAL_EXCEPTIONREPORTER_H
#define ORV_ERROR_INTERNAL_EXCEPTIONREPORTER_H

#include "orv/text/StringBase.h"

namespace orv {
namespace internal {

/// While an object of this class lives, exception texts on the calling thread
/// do not consult the running process for their reporter: without a main
/// start-up object the reporter is "<unknown>". Exception::what() uses it to
/// retry a composition that failed. Each thread has its own setting.
class ReporterWithoutProcess {
 public:
  ReporterWithoutProcess() noexcept;
  ~ReporterWithoutProcess();
  ReporterWithoutProcess(const ReporterWithoutProcess&) = delete;
  ReporterWithoutProcess& operator=(const ReporterWithoutProcess&) = delete;

  static bool Active() noexcept;

 private:
  bool previous_;
};

/// Appends who reports: the main start-up object's module name (even when
/// empty), else the running program's file name without extension (unless a
/// ReporterWithoutProcess lives on this thread), else "<unknown>". Throws
/// the FileException of resolving the program's path, or std::bad_alloc;
/// `out` is then unchanged.
void AppendReporter(StringBase<char>& out);

/// The reporter as far as it is known without allocating or asking the
/// process: the main start-up object's module name, else "<unknown>". Valid
/// while that start-up object lives.
const char* ReporterWithoutAllocation() noexcept;

/// The short tag that precedes a shown number (StartUp::GetShortTag).
const char* ShortTag() noexcept;

}  // namespace internal
}  // namespace orv

#endif
