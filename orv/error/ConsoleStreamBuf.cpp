// orv/error/ConsoleStreamBuf.cpp - the console sink.
#include "orv/error/ConsoleStreamBuf.h"

#include <syslog.h>

#include <atomic>
#include <cstdio>
#include <cstring>

#include "orv/file/File.h"

namespace orv {
namespace {

// A gathered line-handler text is passed on once it is longer than this,
// even without a line end.
constexpr std::size_t HandlerLimit = 200;
// The tee file is flushed once this many characters were written to it.
constexpr std::int64_t TeeFlushColumn = 80;

// Shared by all instances. Atomic only so that concurrent instances are not
// undefined behaviour; the count itself is advisory.
std::atomic<std::int64_t> teeColumn{0};

}  // namespace

ConsoleStreamBuf::ConsoleStreamBuf()
    : lineHandler_(nullptr), teeFile_(), toSystemLog_(false), toStandardOutput_(true) {}

ConsoleStreamBuf::~ConsoleStreamBuf() {
  if (teeFile_ != nullptr) {
    try {
      teeFile_->Flush();
    } catch (...) {
      // A destructor cannot report it; the file is closed all the same.
    }
    teeFile_.reset();
  }
}

void ConsoleStreamBuf::SetTeeFile(std::unique_ptr<File> file) {
  // Handing back the file it already holds changes nothing: that file must
  // not be deleted by its second owner.
  if (file.get() == teeFile_.get()) {
    static_cast<void>(file.release());
    return;
  }
  // The earlier file is deleted with `file`, once the new one is in place.
  teeFile_.swap(file);
}

std::int64_t ConsoleStreamBuf::GetTeeColumn() noexcept {
  return teeColumn.load(std::memory_order_relaxed);
}

std::streamsize ConsoleStreamBuf::xsputn(const char* s, std::streamsize n) {
  if (n <= 0) return 0;
  const std::size_t length = static_cast<std::size_t>(n);
  const char last = s[length - 1];
  const bool endsLine = last == '\n';

  if (lineHandler_ != nullptr) {
    handlerLine_.append(s, length);
    if (handlerLine_.size() > HandlerLimit || endsLine) {
      // Emptied before the call, so a handler that throws does not get the
      // same text again.
      StringBase<char> text;
      text.swap(handlerLine_);
      lineHandler_(text.c_str());
    }
  } else if (toSystemLog_) {
    systemLogLine_.append(s, length);
    if (endsLine) {
      syslog(LOG_INFO, "%s", systemLogLine_.c_str());
      systemLogLine_.clear();
    }
  } else if (toStandardOutput_) {
    // A single byte goes out as it is; longer chunks stop at their first
    // zero byte. Written as data, never through a format built from the
    // length, so any length is safe.
    if (length == 1) {
      std::putchar(static_cast<unsigned char>(s[0]));
    } else {
      const void* zero = std::memchr(s, '\0', length);
      const std::size_t count =
          zero != nullptr ? static_cast<std::size_t>(static_cast<const char*>(zero) - s)
                          : length;
      if (count != 0) std::fwrite(s, 1, count, stdout);
    }
    std::fflush(stdout);
  }

  if (teeFile_ != nullptr) {
    teeFile_->Write(s, length);
    const std::int64_t column =
        teeColumn.fetch_add(static_cast<std::int64_t>(n), std::memory_order_relaxed) + n;
    if (column >= TeeFlushColumn || last == '\n' || last == '\r') {
      teeColumn.store(0, std::memory_order_relaxed);
      teeFile_->Flush();
    }
  }
  return n;
}

ConsoleStreamBuf::int_type ConsoleStreamBuf::overflow(int_type c) {
  if (traits_type::eq_int_type(c, traits_type::eof())) return traits_type::eof();
  const char byte = traits_type::to_char_type(c);
  xsputn(&byte, 1);
  return c;
}

void AutoInitStarted(ConsoleStreamBuf*) {}

void AutoInitStopping(ConsoleStreamBuf*) {}

}  // namespace orv
