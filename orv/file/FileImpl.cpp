// orv/file/FileImpl.cpp - the exchangeable implementation behind orv::File.
#include "orv/file/FileImpl.h"

#include <cerrno>

#include "orv/error/MessageNumbers.h"
#include "orv/file/FileException.h"

namespace orv {

FileImpl::FileImpl() = default;

FileImpl::~FileImpl() = default;

void FileImpl::Close() {
  if (IsOpen()) Flush();
}

void FileImpl::Sync() { throw FileException(MessageCannotWriteFile, name); }

long FileImpl::MessageForErrno(int error, long defaultNumber) noexcept {
  switch (error) {
    case ENOENT:  // no such file or directory
      return MessageFileNotFound;
    case ENOTDIR:  // a component of the path is not a directory
      return MessageFolderNotFound;
    case ENFILE:  // the system's file table is full
    case EMFILE:  // the process has no free descriptor
      return MessageTooManyOpenFiles;
    case EPERM:  // operation not permitted
      return MessageAccessDenied;
    case ENOMEM:  // out of memory
      return MessageOutOfMemory;
    case EEXIST:  // the file exists already
      return MessageFileExists;
    default:  // EACCES included: the caller's number says what failed
      return defaultNumber;
  }
}

}  // namespace orv
