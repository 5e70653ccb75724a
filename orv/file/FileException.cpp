// orv/file/FileException.cpp - the exception of file failures.
#include "orv/file/FileException.h"

namespace orv {

FileException::FileException(const Exception& base, const FileString& name)
    : Exception(base), fileName(name) {}

// An empty location argument makes the base capture the thread's current
// error location.
FileException::FileException(long messageNumber, const FileString& name)
    : Exception(messageNumber), fileName(name) {}

FileException::FileException(const FileException& other)
    : Exception(other), fileName(other.fileName) {}

FileException& FileException::operator=(const FileException& other) {
  if (this != &other) {
    Exception::operator=(other);
    fileName = other.fileName;
  }
  return *this;
}

FileException::~FileException() = default;

// The file name, absolute and shortened, takes the place of "%1"; the first
// two arguments move up to "%2" and "%3".
const char* FileException::ComposeText() const {
  return BuildText(fileName.GetDisplayName(0, true), arg1, arg2, location);
}

}  // namespace orv
