// orv/error/FormatMessage.h - filling the placeholders "%1" to "%9" of a text.
//
// A placeholder is "%" followed by one digit from 1 to 9; there is no escape
// and no tenth placeholder ("%10" is "%1" followed by "0"). Argument n fills
// every "%n". The passes run for n = 1, 2, ... 9 and stop at the first n
// whose "%n" does not occur, so higher placeholders then stay as they are:
//   "System error %1%2" with "5", ": I/O failure" => "System error 5: I/O failure"
//   "%2/%3/%1"          with "Y", "M", "D"        => "M/D/Y"
//   "%2 only"           with anything             => "%2 only"
//   "%1%1"              with "A"                  => "AA"
//   "%1"                with "%1"                 => "%1"   (inserted once)
//   "%1"                with "%2", "B"            => "B"    (filled by pass 2)
//   "%10"               with "A"                  => "A0"
//   null format                                   => ""
//
// Threads: FormatMessage keeps no state; any number of threads may format at
// once, each into an `out` of its own.
#ifndef ORV_ERROR_FORMATMESSAGE_H
#define ORV_ERROR_FORMATMESSAGE_H

#include <cstddef>
#include <string>
#include <type_traits>

#include "orv/Export.h"
#include "orv/text/StringBase.h"

namespace orv {

/// Replaces `out` by `format` with its placeholders filled from the `count`
/// strings at `args` (args[0] fills "%1"). A null `format` gives the empty
/// string; a null argument (or a null `args`) counts as empty. A "%n" whose
/// argument was not passed (n > count) is left standing; the passes still go
/// on while each next "%n" occurs. Nothing beyond args[count - 1] is read.
/// `format` and the arguments may point into `out`. Throws std::bad_alloc
/// when memory is exhausted; `out` is then unchanged.
ORV_API void FormatMessage(StringBase<char>& out, const char* format,
                           const char* const* args, std::size_t count);

namespace internal {

inline const char* MessageArgument(const char* text) noexcept { return text; }
inline const char* MessageArgument(const std::string& text) noexcept {
  return text.c_str();
}

template <class T>
struct IsMessageArgument
    : std::integral_constant<bool, std::is_convertible<const T&, const char*>::value ||
                                       std::is_base_of<std::string, T>::value> {};

template <class... Ts>
struct AllMessageArguments : std::true_type {};
template <class T, class... Ts>
struct AllMessageArguments<T, Ts...>
    : std::integral_constant<bool, IsMessageArgument<T>::value &&
                                       AllMessageArguments<Ts...>::value> {};

}  // namespace internal

/// The same with the arguments listed directly: at most nine, each a
/// `const char*` (null counts as empty) or a std::string / StringBase<char>
/// (read up to its first zero byte). Exactly the arguments passed are used.
template <class... Args,
          class = typename std::enable_if<internal::AllMessageArguments<Args...>::value>::type>
void FormatMessage(StringBase<char>& out, const char* format, const Args&... args) {
  static_assert(sizeof...(Args) <= 9, "at most nine message arguments");
  const char* const list[sizeof...(Args) + 1] = {internal::MessageArgument(args)...,
                                                 nullptr};
  FormatMessage(out, format, list, sizeof...(Args));
}

}  // namespace orv

#endif
