// orv/file/FileString.cpp - file names and their path operations.
#include "orv/file/FileString.h"

#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <climits>
#include <cstdlib>
#include <new>
#include <utility>

#include "orv/file/FileException.h"

namespace orv {
namespace {

// Sizes of the buffers that getcwd and realpath write into (terminating zero
// included). realpath assumes a buffer of PATH_MAX bytes, which is 4096 on
// Linux; the static_assert keeps the two in step.
constexpr std::size_t kPathBufferSize = 4096;
static_assert(PATH_MAX <= static_cast<long>(kPathBufferSize),
              "realpath may write more than the path buffer holds");

constexpr std::size_t kDefaultDisplayLength = 512;
constexpr char kExtensionMark = '.';
constexpr const char* kNone = "<none>";

// Message numbers of the failures reported here.
constexpr long kFileCannotBeOpened = 1003;  // "file %1 cannot be opened"
constexpr long kBadFileOrFolder = 1016;     // "bad file/folder: %1"

bool IsSeparator(char c) {
  return FileString::GetSeparators().find(c) != std::string::npos;
}

// A name with a zero byte inside would reach the system truncated at that
// byte, that is, as another file's name.
bool HasEmbeddedZero(const std::string& name) {
  return name.find('\0') != std::string::npos;
}

// The current working directory. Throws FileException 1016 naming `name`
// when it cannot be read (removed, or longer than the buffer), so no name is
// ever built from an unfilled buffer.
StringBase<char> CurrentDirectory(const FileString& name) {
  char buffer[kPathBufferSize];
  const int savedErrno = errno;
  errno = 0;
  const char* result = ::getcwd(buffer, sizeof buffer);
  errno = savedErrno;
  if (result == nullptr) throw FileException(kBadFileOrFolder, name);
  return StringBase<char>(result);
}

// Replaces every "/./" by "/", including those that a replacement uncovers.
void RemoveDotComponents(std::string& text) {
  std::size_t pos = text.find("/./");
  while (pos != std::string::npos) {
    text.erase(pos, 2);  // drop "/." and keep the second separator
    pos = text.find("/./", pos);
  }
}

// Removes each "/../" together with the name component in front of it. A
// "/../" stays when nothing stands in front of it (the start of the name),
// when its front component is not preceded by a separator (the first
// component of a relative name), or when that component is no name ("..", or
// the empty component between two separators, which the system would skip).
void RemoveDotDotComponents(std::string& text) {
  std::size_t pos = text.find("/../");
  while (pos != std::string::npos) {
    const std::size_t front = pos == 0 ? std::string::npos : text.rfind('/', pos - 1);
    if (front == std::string::npos) {
      pos = text.find("/../", pos + 1);
      continue;
    }
    const std::size_t componentLength = pos - front - 1;
    if (componentLength == 0 || text.compare(front + 1, componentLength, "..") == 0) {
      pos = text.find("/../", pos + 1);
      continue;
    }
    // "/name/../" becomes "/"; a "/../" directly behind may now take the
    // component in front of `front`, so the search goes on from there.
    text.erase(front, pos + 3 - front);
    pos = text.find("/../", front);
  }
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
  const std::size_t dot = rfind(kExtensionMark);
  if (dot == npos) return *this;
  // A separator behind the dot means the dot belongs to a directory name.
  if (find_first_of(GetSeparators(), dot + 1) != npos) return *this;
  erase(dot);
  return *this;
}

FileString& FileString::SetExtension(const StringBase<char>& extension) {
  RemoveExtension();
  if (extension.empty() || extension.front() != kExtensionMark) push_back(kExtensionMark);
  append(extension);
  return *this;
}

FileString& FileString::MakeAbsolute() {
  if (empty()) {
    assign(CurrentDirectory(*this));
    return *this;
  }

  // Work on a copy so that the name is unchanged when reading the current
  // directory fails.
  FileString result;
  if (front() == '~') {
    const char* home = std::getenv("HOME");
    if (home != nullptr && *home != '\0') {
      result = FileString(home);
      result.AppendPath(FileString(substr(1)));
    } else {
      result = *this;  // stays relative, with its "~"
    }
  } else if (!IsSeparator(front())) {
    result = FileString(CurrentDirectory(*this));
    result.AppendPath(*this);
  } else {
    result = *this;
  }

  RemoveDotComponents(result);
  RemoveDotDotComponents(result);
  swap(result);
  return *this;
}

FileString& FileString::Canonicalize() {
  if (empty()) return *this;
  if (HasEmbeddedZero(*this)) throw FileException(kFileCannotBeOpened, *this);
  char buffer[kPathBufferSize];
  const int savedErrno = errno;
  errno = 0;
  const char* result = ::realpath(c_str(), buffer);
  errno = savedErrno;
  if (result == nullptr) throw FileException(kFileCannotBeOpened, *this);
  assign(result);
  return *this;
}

bool FileString::IsExistingFile() const {
  if (empty() || HasEmbeddedZero(*this)) return false;
  struct stat status {};
  const int savedErrno = errno;
  errno = 0;
  const int rc = ::stat(c_str(), &status);
  errno = savedErrno;
  if (rc != 0) return false;
  const unsigned type = static_cast<unsigned>(status.st_mode) & S_IFMT;
  return type == S_IFREG || type == S_IFCHR || type == S_IFBLK;
}

StringBase<char> FileString::GetShortName(std::size_t maxLength) const {
  if (empty()) return StringBase<char>(kNone);
  if (maxLength == 0) maxLength = kDefaultDisplayLength;

  // Used while exception texts are composed, so a name that cannot be made
  // absolute is shown as it was given instead of throwing.
  FileString text(*this);
  try {
    text.MakeAbsolute();
  } catch (const FileException&) {
    text = *this;
  }

  // Replace leading directories by "..." one at a time, keeping the "/" in
  // front and the component that holds the file name.
  std::size_t searchStart = 1;
  while (text.size() > maxLength) {
    const std::size_t separator = text.find_first_of(GetSeparators(), searchStart);
    if (separator == npos) break;
    text.replace(1, separator - 1, "...");
    searchStart = 5;  // behind "/.../"
  }
  return StringBase<char>(std::move(static_cast<std::string&>(text)));
}

StringBase<char> FileString::GetDisplayName(std::size_t maxLength,
                                            bool noneWhenEmpty) const {
  if (empty()) return StringBase<char>(noneWhenEmpty ? kNone : "");
  return GetShortName(maxLength);
}

const StringBase<char>& FileString::GetSeparators() {
  // Built in place once (thread-safe static initialisation) and never
  // destroyed, so it outlives every static object that still uses file names
  // at unload. The one-character text lives inside the string object itself,
  // so nothing is left on the heap.
  alignas(StringBase<char>) static unsigned char storage[sizeof(StringBase<char>)];
  static const StringBase<char>* const separators = new (storage) StringBase<char>("/");
  return *separators;
}

}  // namespace orv
