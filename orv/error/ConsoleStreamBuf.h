// orv/error/ConsoleStreamBuf.h - the console sink: a stream buffer for the line handler, system log or standard output.
//
// Any std::ostream can write through a ConsoleStreamBuf. Each chunk goes to
// one destination, the first that is set:
//   line handler  - gathered; passed on at a line end or beyond 200 bytes
//   system log    - gathered; one syslog(LOG_INFO) entry per line end
//   standard out  - written and flushed at once (the default)
// and, independently, a copy of everything goes to the tee file if one is
// set. The buffer keeps no put area: every character reaches xsputn or
// overflow at once. A chunk "ends a line" when its last byte is a line feed.
//
// The library holds one instance as a process-wide service (see AutoInit.h;
// its place in the start order is its registrar's in jni/LoadOrder.cpp)
// with the defaults.
//
// Threads: nothing locks, so an instance is used by one thread at a time.
// The tee column is shared by all instances; it is atomic only so that
// instances on different threads are no data race, and its count is then
// advisory (a flush may come early or late).
#ifndef ORV_ERROR_CONSOLESTREAMBUF_H
#define ORV_ERROR_CONSOLESTREAMBUF_H

#include <cstdint>
#include <memory>
#include <streambuf>

#include "orv/Export.h"
#include "orv/text/StringBase.h"

namespace orv {

class File;

class ORV_API ConsoleStreamBuf : public std::streambuf {
 public:
  /// Receives one gathered piece of text, zero-terminated.
  using LineHandler = void (*)(const char* text);

  /// No line handler, no tee file, not to the system log, to standard output.
  ConsoleStreamBuf();
  /// Flushes and deletes the tee file (a failure of that flush is dropped).
  /// Text waiting in the line buffers is discarded.
  ~ConsoleStreamBuf() override;
  ConsoleStreamBuf(const ConsoleStreamBuf&) = delete;
  ConsoleStreamBuf& operator=(const ConsoleStreamBuf&) = delete;

  /// Null sends output to the next destination again.
  void SetLineHandler(LineHandler handler) noexcept { lineHandler_ = handler; }
  LineHandler GetLineHandler() const noexcept { return lineHandler_; }
  /// Takes `file` (an open file, or null) as the tee file; an earlier tee
  /// file is deleted without a flush of this buffer's own.
  void SetTeeFile(std::unique_ptr<File> file);
  /// The tee file, still owned by this buffer; null when none is set.
  File* GetTeeFile() const noexcept { return teeFile_.get(); }
  void SetToSystemLog(bool on) noexcept { toSystemLog_ = on; }
  bool GetToSystemLog() const noexcept { return toSystemLog_; }
  void SetToStandardOutput(bool on) noexcept { toStandardOutput_ = on; }
  bool GetToStandardOutput() const noexcept { return toStandardOutput_; }

  /// Characters written to tee files, by all instances, since the last
  /// flush of one.
  static std::int64_t GetTeeColumn() noexcept;

 public:
  /// Sends the `n` bytes of `s` to the destination and the tee file; returns
  /// n (0 for n <= 0, which writes nothing).
  ///   line handler: appended to its buffer; when the buffer exceeds 200
  ///     bytes or the chunk ends a line, the handler gets the buffer's text
  ///     and the buffer is emptied.
  ///   system log: appended to its buffer; when the chunk ends a line, the
  ///     buffer (with its line feed) is one syslog entry and is emptied.
  ///   standard output: one byte with putchar; more bytes up to the first
  ///     zero byte (all n when there is none); then fflush(stdout).
  ///   tee file: Write(s, n); when the tee column reaches 80 or the chunk
  ///     ends in a line feed or carriage return, the file is flushed and the
  ///     column starts again at 0.
  /// Results of the C library's output calls are not examined. A
  /// FileException from the tee file passes on after the destination got
  /// the bytes.
  std::streamsize xsputn(const char* s, std::streamsize n) override;
  /// End-of-file: returns it and writes nothing. Otherwise writes the one
  /// byte through xsputn and returns `c`.
  int_type overflow(int_type c) override;

 private:
  LineHandler lineHandler_;
  std::unique_ptr<File> teeFile_;  // or null
  StringBase<char> systemLogLine_;
  StringBase<char> handlerLine_;
  bool toSystemLog_;
  bool toStandardOutput_;
};

/// Service hooks: the instance is held by its initialiser only, so there is
/// nothing to publish or withdraw.
ORV_API void AutoInitStarted(ConsoleStreamBuf* instance);
ORV_API void AutoInitStopping(ConsoleStreamBuf* instance);

}  // namespace orv

#endif
