// orv/file/File.cpp - the named file and the shared parts of its implementations.
#include "orv/file/File.h"

#include <cerrno>
#include <exception>
#include <memory>

#include "orv/file/FileException.h"
#include "orv/file/FileImplStream.h"

namespace orv {
namespace {

constexpr long kMessageNotFound = 1001;
constexpr long kMessageCannotOpen = 1003;
constexpr long kMessageCannotRead = 1009;
constexpr long kMessageCannotWrite = 1010;
constexpr long kMessageBadFile = 1016;

// WriteZeros never holds more than one block of this size (0xF000).
constexpr std::size_t kZeroBlock = 61440;

}  // namespace

// ---------------------------------------------------------------------------
// FileImpl

FileImpl::FileImpl() = default;

FileImpl::~FileImpl() = default;

long FileImpl::MessageForErrno(int error, long defaultNumber) noexcept {
  switch (error) {
    case ENOENT:  // no such file or directory
      return 1001;
    case ENOTDIR:  // a component of the path is not a directory
      return 1002;
    case ENFILE:  // the system's file table is full
    case EMFILE:  // the process has no free descriptor
      return 1012;
    case EPERM:  // operation not permitted
      return 1013;
    case ENOMEM:  // out of memory
      return 1014;
    case EEXIST:  // the file exists already
      return 1029;
    default:  // EACCES included: the caller's number says what failed
      return defaultNumber;
  }
}

// ---------------------------------------------------------------------------
// File

File::File() noexcept : name(), implementation(nullptr) {}

File::~File() { delete implementation; }

FileImpl& File::Implementation(long number) {
  if (implementation == nullptr) throw FileException(number, name);
  return *implementation;
}

void File::Close() {
  if (implementation == nullptr || !implementation->IsOpen()) return;
  // Gone whatever the close reports.
  const std::unique_ptr<FileImpl> closing(implementation);
  implementation = nullptr;
  try {
    closing->Close();
  } catch (const FileException& e) {
    FileException renamed(e);
    renamed.SetFileName(name);
    throw renamed;
  }
}

void File::Write(const void* data, std::size_t length) {
  FileImpl& impl = Implementation(kMessageCannotWrite);
  try {
    impl.Write(data, length);
  } catch (const FileException& e) {
    // Report the name the caller knows this file by.
    FileException renamed(e);
    renamed.SetFileName(name);
    throw renamed;
  }
}

void File::Rewind() { Implementation(kMessageBadFile).Seek(0); }

void File::SeekToEnd() { Implementation(kMessageBadFile).SeekToEnd(); }

void File::SetName(const char* text) { name = FileString(text); }

const FileString& File::GetName() {
  if (name.empty()) throw FileException(kMessageBadFile, FileString());
  return name;
}

bool File::Wipe() {
  Open(ModeRead | ModeWrite);
  const std::uint64_t size = implementation->GetSize();
  WriteZeros(size);
  Rewind();
  implementation->Truncate();
  Close();
  return true;
}

void File::Open(int mode) {
  delete implementation;
  implementation = nullptr;
  implementation = new FileImplStream();
  if ((mode & ModeMustExist) != 0 && !name.IsExistingFile()) {
    throw FileException(kMessageNotFound, name);
  }
  // An empty name would otherwise open the current directory.
  if (name.empty()) throw FileException(kMessageBadFile, name);
  try {
    implementation->Open(name.c_str(), mode);
  } catch (const Exception&) {
    throw;
  } catch (const std::exception&) {
    throw FileException(kMessageCannotOpen, name);
  }
}

std::size_t File::Read(void* buffer, std::size_t length, bool exact) {
  FileImpl& impl = Implementation(kMessageCannotRead);
  std::size_t got = 0;
  try {
    got = impl.Read(buffer, length);
  } catch (const FileException& e) {
    FileException renamed(e);
    renamed.SetFileName(name);
    throw renamed;
  }
  if (exact && got != length) throw FileException(kMessageCannotRead, name);
  return got;
}

std::uint64_t File::GetSize() { return Implementation(kMessageBadFile).GetSize(); }

void File::Flush() { Implementation(kMessageBadFile).Flush(); }

void File::WriteZeros(std::uint64_t count) {
  if (count == 0) return;
  const std::size_t block = count < kZeroBlock ? static_cast<std::size_t>(count) : kZeroBlock;
  const std::unique_ptr<char[]> zeros(new char[block]());
  for (std::uint64_t remaining = count; remaining > 0;) {
    const std::size_t length =
        remaining < block ? static_cast<std::size_t>(remaining) : block;
    Write(zeros.get(), length);
    remaining -= length;
  }
}

}  // namespace orv
