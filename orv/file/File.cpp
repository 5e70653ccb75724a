// orv/file/File.cpp - a named file whose implementation does the work.
#include "orv/file/File.h"

#include <exception>
#include <memory>
#include <utility>

#include "orv/error/MessageNumbers.h"
#include "orv/file/FileException.h"
#include "orv/file/FileImplStream.h"

namespace orv {
namespace {

// WriteZeros never holds more than one block of this size (0xF000).
constexpr std::size_t ZeroBlockSize = 61440;

}  // namespace

File::File() noexcept : name(), implementation() {}

File::~File() = default;

FileImpl& File::Implementation(long number) {
  if (implementation == nullptr) throw FileException(number, name);
  return *implementation;
}

void File::Close() {
  if (implementation == nullptr || !implementation->IsOpen()) return;
  // Gone whatever the close reports.
  const std::unique_ptr<FileImpl> closing(std::move(implementation));
  try {
    closing->Close();
  } catch (const FileException& e) {
    FileException renamed(e);
    renamed.SetFileName(name);
    throw renamed;
  }
}

void File::Write(const void* data, std::size_t length) {
  FileImpl& impl = Implementation(MessageCannotWriteFile);
  try {
    impl.Write(data, length);
  } catch (const FileException& e) {
    // Report the name the caller knows this file by.
    FileException renamed(e);
    renamed.SetFileName(name);
    throw renamed;
  }
}

void File::Rewind() { Implementation(MessageBadFileOrFolder).Seek(0); }

void File::SeekToEnd() { Implementation(MessageBadFileOrFolder).SeekToEnd(); }

void File::SetName(const char* text) { name = FileString(text); }

const FileString& File::GetName() {
  if (name.empty()) throw FileException(MessageBadFileOrFolder, FileString());
  return name;
}

bool File::Wipe() {
  Open(ModeRead | ModeWrite);
  const std::uint64_t size = implementation->GetSize();
  WriteZeros(size);
  // The zeros must reach the device before the cut: a file system drops the
  // dirty pages of a cut file and frees its blocks as they are, that is,
  // still holding the old content.
  try {
    implementation->Sync();
    Rewind();
    implementation->Truncate();
  } catch (const FileException& e) {
    FileException renamed(e);
    renamed.SetFileName(name);
    throw renamed;
  }
  Close();
  return true;
}

void File::Open(int mode) {
  implementation.reset();  // the earlier file is closed before the new open
  implementation = std::make_unique<FileImplStream>();
  if ((mode & ModeMustExist) != 0 && !name.IsExistingFile()) {
    throw FileException(MessageFileNotFound, name);
  }
  // An empty name would otherwise open the current directory.
  if (name.empty()) throw FileException(MessageBadFileOrFolder, name);
  try {
    implementation->Open(name.c_str(), mode);
  } catch (const Exception&) {
    throw;
  } catch (const std::exception&) {
    throw FileException(MessageFileCannotBeOpened, name);
  }
}

std::size_t File::Read(void* buffer, std::size_t length, bool exact) {
  FileImpl& impl = Implementation(MessageCannotReadFile);
  std::size_t got = 0;
  try {
    got = impl.Read(buffer, length);
  } catch (const FileException& e) {
    FileException renamed(e);
    renamed.SetFileName(name);
    throw renamed;
  }
  if (exact && got != length) throw FileException(MessageCannotReadFile, name);
  return got;
}

std::uint64_t File::GetSize() { return Implementation(MessageBadFileOrFolder).GetSize(); }

void File::Flush() { Implementation(MessageBadFileOrFolder).Flush(); }

void File::WriteZeros(std::uint64_t count) {
  if (count == 0) return;
  const std::size_t block =
      count < ZeroBlockSize ? static_cast<std::size_t>(count) : ZeroBlockSize;
  const auto zeros = std::make_unique<char[]>(block);  // zero-filled
  for (std::uint64_t remaining = count; remaining > 0;) {
    const std::size_t length =
        remaining < block ? static_cast<std::size_t>(remaining) : block;
    Write(zeros.get(), length);
    remaining -= length;
  }
}

}  // namespace orv
