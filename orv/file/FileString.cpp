// orv/file/FileString.cpp - file names and their path operations.
#include "orv/file/FileString.h"

#include <cstdlib>
#include <string>
#include <utility>
#include <vector>

#include "orv/error/MessageNumbers.h"
#include "orv/file/FileException.h"
#include "orv/file/FileImpl.h"
#include "orv/file/internal/FileSystem.h"
#include "orv/text/internal/NoDestructor.h"

namespace orv {
namespace {

constexpr std::size_t DefaultDisplayLength = 512;
constexpr char ExtensionMark = '.';
constexpr const char* NoName = "<none>";

bool IsSeparator(char c) {
  return FileString::GetSeparators().find(c) != std::string::npos;
}

// A name with a zero byte inside would reach the system truncated at that
// byte, that is, as another file's name.
bool HasEmbeddedZero(const std::string& name) {
  return name.find('\0') != std::string::npos;
}

// The FileException for the system error `error` naming `name`: the number
// comes from the table that files use (FileImpl::MessageForErrno), with
// `defaultNumber` for an error the table does not hold.
FileException SystemError(int error, long defaultNumber, const FileString& name) {
  return FileException(FileImpl::MessageForErrno(error, defaultNumber), name);
}

// The current working directory. Throws FileException naming `name` when it
// cannot be read: the number of errno (1001 for a removed directory), else
// 1016 (a directory longer than the buffer), so no name is ever built from
// an unfilled buffer.
StringBase<char> CurrentDirectory(const FileString& name) {
  std::string directory;
  if (const int error = internal::CurrentDirectory(directory)) {
    throw SystemError(error, MessageBadFileOrFolder, name);
  }
  return StringBase<char>(std::move(directory));
}

// Whether the text holds a "/./" or a "/../": without one the clean-up below
// has nothing to remove. Either begins with a "." behind a separator, and
// names hold far fewer dots than separators, so the dots are searched for.
bool HasDotComponent(const std::string& text) {
  const std::size_t size = text.size();
  for (std::size_t dot = text.find('.', 1); dot != std::string::npos;
       dot = text.find('.', dot + 1)) {
    if (text[dot - 1] != '/') continue;
    if (dot + 1 < size && text[dot + 1] == '/') return true;
    if (dot + 2 < size && text[dot + 1] == '.' && text[dot + 2] == '/') return true;
  }
  return false;
}

// Whether MakeAbsolute would leave the text as it is: it begins with a
// separator and holds no "/./" or "/../" to clean up.
bool IsAbsoluteAndClean(const std::string& text) {
  return !text.empty() && IsSeparator(text.front()) && !HasDotComponent(text);
}

// The textual clean-up of an absolute name, in one pass over its components
// (the texts behind each separator; what stands before the first separator
// is no component):
// - "/./" becomes "/", including those that a replacement uncovers: every
//   "." component that a separator follows goes;
// - each "/../" goes together with the name component in front of it,
//   leaving one "/". A "/../" stays when nothing stands in front of it (the
//   start of the name), when its front component is not preceded by a
//   separator (the first component of a relative name), or when that
//   component is no name ("..", or the empty component between two
//   separators, which the system would skip). Once a pair has gone, the next
//   "/../" meets the component in front of the removed one.
// A "." or ".." at the very end has no separator behind it and stays.
void RemoveDotAndDotDotComponents(std::string& text) {
  if (!HasDotComponent(text)) return;
  const std::size_t first = text.find('/');
  // The components kept so far, as (start, length) in `text`; each is
  // preceded by a separator.
  std::vector<std::pair<std::size_t, std::size_t>> kept;
  bool changed = false;
  const std::size_t size = text.size();
  for (std::size_t start = first + 1;;) {
    // Components are short: a plain scan beats a library call for each.
    std::size_t end = start;
    while (end < size && text[end] != '/') ++end;
    const bool last = end == size;
    const std::size_t length = end - start;
    const bool isDot = length == 1 && text[start] == '.';
    const bool isDotDot = length == 2 && text[start] == '.' && text[start + 1] == '.';
    if (!last && isDot) {
      changed = true;
    } else if (!last && isDotDot && !kept.empty() && kept.back().second != 0 &&
               text.compare(kept.back().first, kept.back().second, "..") != 0) {
      kept.pop_back();
      changed = true;
    } else {
      kept.emplace_back(start, length);
    }
    if (last) break;
    start = end + 1;
  }
  if (!changed) return;
  std::string result(text, 0, first);
  result.reserve(text.size());
  for (const auto& component : kept) {
    result += '/';
    result.append(text, component.first, component.second);
  }
  text.swap(result);
}

}  // namespace

FileString::FileString() noexcept = default;

FileString::FileString(const char* text) : StringBase<char>(text) {}

FileString::FileString(const StringBase<char>& text) : StringBase<char>(text) {}

FileString::FileString(const std::string& text) : StringBase<char>(text) {}

FileString::FileString(const FileString& other) : StringBase<char>(other) {}

FileString::FileString(FileString&& other) noexcept
    : StringBase<char>(std::move(other)) {}

FileString::~FileString() = default;

FileString& FileString::operator=(const StringBase<char>& text) {
  StringBase<char>::operator=(text);
  return *this;
}

FileString& FileString::operator=(const FileString& other) {
  StringBase<char>::operator=(other);
  return *this;
}

FileString& FileString::operator=(FileString&& other) noexcept {
  StringBase<char>::operator=(std::move(other));
  return *this;
}

FileString& FileString::operator=(const char* text) {
  StringBase<char>::operator=(text);
  return *this;
}

FileString& FileString::operator=(const std::string& text) {
  StringBase<char>::operator=(text);
  return *this;
}

FileString& FileString::AppendPath(const FileString& part) {
  // The name itself as its own part: join it with a copy taken first.
  if (&part == this) return AppendPath(FileString(part));
  if (part.empty()) return *this;
  if (empty()) {
    assign(part);
    return *this;
  }
  const bool nameEnds = IsSeparator(back());
  const bool partStarts = IsSeparator(part.front());
  if (!nameEnds && !partStarts) {
    push_back(GetSeparators().front());
  } else if (nameEnds && partStarts) {
    pop_back();
  }
  append(part);
  return *this;
}

FileString FileString::GetFileName(bool withExtension) const {
  const std::size_t last = find_last_of(GetSeparators());
  FileString result(last == npos ? static_cast<const std::string&>(*this)
                                 : substr(last + 1));
  if (!withExtension) result.RemoveExtension();
  return result;
}

FileString& FileString::RemoveExtension() {
  const std::size_t dot = rfind(ExtensionMark);
  if (dot == npos) return *this;
  // A separator behind the dot means the dot belongs to a directory name.
  if (find_first_of(GetSeparators(), dot + 1) != npos) return *this;
  erase(dot);
  return *this;
}

FileString& FileString::SetExtension(const StringBase<char>& extension) {
  // The name itself as the extension: read it before the name changes.
  if (&extension == this) return SetExtension(StringBase<char>(extension));
  RemoveExtension();
  if (extension.empty() || extension.front() != ExtensionMark) push_back(ExtensionMark);
  append(extension);
  return *this;
}

FileString& FileString::MakeAbsolute() {
  // The clean-up cannot fail: a failure leaves the name as it was.
  MakeAbsoluteAsIs();
  RemoveDotAndDotDotComponents(*this);
  return *this;
}

FileString& FileString::MakeAbsoluteAsIs() {
  if (empty()) {
    assign(CurrentDirectory(*this));
    return *this;
  }

  // A name to be joined to the current directory is built in a copy, so
  // that it is unchanged when reading the directory fails.
  if (front() == '~') {
    const char* home = std::getenv("HOME");
    if (home != nullptr && *home != '\0') {
      FileString result(home);
      result.AppendPath(FileString(substr(1)));
      swap(result);
    }  // else it stays relative, with its "~"
  } else if (!IsSeparator(front())) {
    FileString result(CurrentDirectory(*this));
    result.AppendPath(*this);
    swap(result);
  }
  return *this;
}

FileString& FileString::Canonicalize() {
  if (empty()) return *this;
  if (HasEmbeddedZero(*this)) throw FileException(MessageFileCannotBeOpened, *this);
  std::string resolved;
  if (const int error = internal::RealPath(c_str(), resolved)) {
    throw SystemError(error, MessageFileCannotBeOpened, *this);
  }
  assign(resolved);
  return *this;
}

bool FileString::IsExistingFile() const {
  if (empty() || HasEmbeddedZero(*this)) return false;
  return internal::IsFileOrDevice(c_str());
}

StringBase<char> FileString::GetShortName(std::size_t maxLength) const {
  if (empty()) return StringBase<char>(NoName);
  if (maxLength == 0) maxLength = DefaultDisplayLength;

  // A file implementation made its name absolute when it opened the file,
  // and its errors carry that name: it is shown as it is. Any other name is
  // made absolute here; since this runs while exception texts are composed,
  // one that cannot be is shown as it was given instead of throwing.
  FileString text(*this);
  if (!IsAbsoluteAndClean(text)) {
    try {
      text.MakeAbsolute();
    } catch (const FileException&) {
      text = *this;
    }
  }

  // Leading directories are replaced by "..." one at a time, keeping the
  // first character and the component that holds the file name, until the
  // text fits or no separator is left to drop. Each step leaves the first
  // character, "..." and the text from the next separator on, that is
  // 4 + size - separator characters; so the steps end at the first separator
  // from position 4 + size - maxLength on (it fits), else at the last one.
  if (text.size() <= maxLength) return StringBase<char>(std::move(static_cast<std::string&>(text)));
  const std::string& separators = GetSeparators();
  std::size_t separator = text.find_first_of(separators, 4 + text.size() - maxLength);
  if (separator == npos) separator = text.find_last_of(separators);
  if (separator == npos || separator == 0) {
    return StringBase<char>(std::move(static_cast<std::string&>(text)));
  }
  StringBase<char> result;
  result.reserve(4 + text.size() - separator);
  result += text[0];
  result += "...";
  result.append(text, separator, npos);
  return result;
}

StringBase<char> FileString::GetDisplayName(std::size_t maxLength,
                                            bool noneWhenEmpty) const {
  if (empty()) return StringBase<char>(noneWhenEmpty ? NoName : "");
  return GetShortName(maxLength);
}

const StringBase<char>& FileString::GetSeparators() {
  // Built once (thread-safe static initialisation) and never destroyed, so it
  // outlives every static object that still uses file names at unload. The
  // one-character text lives inside the string object itself, so nothing is
  // left on the heap.
  static const internal::NoDestructor<StringBase<char>> separators("/");
  return *separators;
}

}  // namespace orv
