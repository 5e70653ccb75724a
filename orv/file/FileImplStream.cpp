// orv/file/FileImplStream.cpp - a file implementation over the standard file stream.
#include "orv/file/FileImplStream.h"

#include <cerrno>
#include <limits>
#include <utility>

#include "orv/error/MessageNumbers.h"
#include "orv/file/FileException.h"
#include "orv/file/internal/FileSystem.h"

namespace orv {
namespace {

// The largest count one stream call takes (streamsize is 32 bits on i386).
constexpr std::size_t MaxChunk =
    static_cast<std::size_t>(std::numeric_limits<std::streamsize>::max());

constexpr std::ios_base::openmode BothDirections = std::ios_base::in | std::ios_base::out;

// The position that a failed positioning returns.
bool Failed(std::streampos position) { return std::streamoff(position) == -1; }

// A failed position query counts as the size 0.
std::uint64_t SizeOf(std::streamoff end) { return end < 0 ? 0 : static_cast<std::uint64_t>(end); }

}  // namespace

FileImplStream::FileImplStream()
    : canRead(false), canWrite(false), openMode(0), descriptor_(-1), device_(0), inode_(0) {}

// The stream's destructor closes the file; a failure of that close cannot be
// reported from here.
FileImplStream::~FileImplStream() = default;

void FileImplStream::Open(const char* fileName, int mode) {
  // Nothing of an earlier open carries over: the position operations follow
  // this mode alone.
  openMode = mode;
  canRead = false;
  canWrite = false;
  std::ios_base::openmode streamMode = std::ios_base::binary;
  if ((mode & (ModeRead | ModeReadAlt)) != 0) {
    streamMode |= std::ios_base::in;
    canRead = true;
  }
  if ((mode & (ModeWrite | ModeCreate)) != 0) {
    streamMode |= std::ios_base::out;
    canWrite = true;
  }
  if ((mode & ModeTruncate) != 0) streamMode |= std::ios_base::out | std::ios_base::trunc;
  if ((mode & ModeAppend) != 0) streamMode |= std::ios_base::out | std::ios_base::app;

  // The system resolves the name with its "." and ".." in place (a ".."
  // behind a symbolic link leaves the link's target): that is the file
  // opened. Messages show the cleaned-up form.
  FileString path(fileName);
  path.MakeAbsoluteAsIs();
  name = path;
  name.MakeAbsolute();
  path_ = std::move(path);
  // Input with output needs an existing file; truncation creates a missing
  // one. Appending creates it anyway (and may not be combined with
  // truncation).
  if ((mode & ModeCreate) != 0 && (mode & (ModeTruncate | ModeAppend)) == 0 &&
      !path_.IsExistingFile()) {
    streamMode |= std::ios_base::trunc;
  }

  MutexLock guard(lock);
  descriptor_ = -1;
  // A state left by an earlier use of this stream must not fail this open.
  clear();
  errno = 0;
  // An open file buffer refuses a second open, as the standard open does.
  if (rdbuf()->is_open()) {
    setstate(std::ios_base::failbit);
    ThrowError(MessageFileCannotBeOpened);
  }
  // Opened so that the descriptor is known (the operations that the
  // standard stream has no word for need it); a folder is refused.
  int descriptor = -1;
  internal::FileIdentity identity;
  if (const int error =
          internal::OpenFileBuffer(path_.c_str(), streamMode, *rdbuf(), descriptor, identity)) {
    setstate(std::ios_base::failbit);
    errno = error;
    ThrowError(MessageFileCannotBeOpened);
  }
  descriptor_ = descriptor;
  device_ = identity.device;
  inode_ = identity.inode;
}

bool FileImplStream::HoldsDescriptor() const {
  if (descriptor_ < 0 || !rdbuf()->is_open()) return false;
  internal::FileIdentity identity;
  return internal::IdentityOf(descriptor_, identity) == 0 && identity.device == device_ &&
         identity.inode == inode_;
}

std::size_t FileImplStream::Read(void* buffer, std::size_t length) {
  MutexLock guard(lock);
  errno = 0;
  if (!rdbuf()->is_open()) ThrowError(MessageCannotReadFile);
  char* target = static_cast<char*>(buffer);
  std::size_t got = 0;
  while (got < length) {
    const std::size_t chunk = length - got < MaxChunk ? length - got : MaxChunk;
    read(target + got, static_cast<std::streamsize>(chunk));
    got += static_cast<std::size_t>(gcount());
    if (!good()) break;
  }
  if (got > 0) {
    // A short read at the end of the file leaves the stream usable.
    clear();
    return got;
  }
  if (eof()) return 0;
  if (!good()) ThrowError(MessageCannotReadFile);
  return 0;
}

void FileImplStream::Write(const void* data, std::size_t length) {
  MutexLock guard(lock);
  errno = 0;
  if (!rdbuf()->is_open()) ThrowError(MessageCannotWriteFile);
  const char* source = static_cast<const char*>(data);
  for (std::size_t done = 0; done < length && good();) {
    const std::size_t chunk = length - done < MaxChunk ? length - done : MaxChunk;
    write(source + done, static_cast<std::streamsize>(chunk));
    done += chunk;
  }
  if (!good()) ThrowError(MessageCannotWriteFile);
}

void FileImplStream::Create(const char* fileName, int mode) {
  Open(fileName, mode | ModeRead | ModeWrite | ModeTruncate | ModeCreate);
}

std::uint64_t FileImplStream::GetSize() {
  MutexLock guard(lock);
  if (canRead) {
    const std::streamoff here = tellg();
    if (here < 0) return 0;
    seekg(0, std::ios_base::end);
    const std::streamoff last = tellg();
    seekg(here);
    return SizeOf(last);
  }
  if (canWrite) {
    if (fail()) return 0;
    const std::streamoff here = rdbuf()->pubseekoff(0, std::ios_base::cur, BothDirections);
    if (here < 0) return 0;
    const std::streamoff last = rdbuf()->pubseekoff(0, std::ios_base::end, BothDirections);
    rdbuf()->pubseekpos(here, BothDirections);
    return SizeOf(last);
  }
  return 0;
}

std::int64_t FileImplStream::Tell() {
  MutexLock guard(lock);
  if (canRead) return static_cast<std::int64_t>(tellg());
  if (canWrite) return static_cast<std::int64_t>(tellp());
  return 0;
}

bool FileImplStream::IsOpen() {
  MutexLock guard(lock);
  return rdbuf()->is_open();
}

void FileImplStream::Seek(std::int64_t position) {
  MutexLock guard(lock);
  if (canRead) seekg(static_cast<std::streamoff>(position));
  if (canWrite && !fail()) {
    if (Failed(rdbuf()->pubseekpos(static_cast<std::streamoff>(position), BothDirections))) {
      setstate(std::ios_base::failbit);
    }
  }
}

void FileImplStream::SeekToEnd() {
  MutexLock guard(lock);
  if (canRead) seekg(0, std::ios_base::end);
  if (canWrite && !fail()) {
    if (Failed(rdbuf()->pubseekoff(0, std::ios_base::end, BothDirections))) {
      setstate(std::ios_base::failbit);
    }
  }
}

void FileImplStream::Flush() {
  MutexLock guard(lock);
  errno = 0;
  if (rdbuf()->pubsync() == -1) {
    // The buffered data did not reach the file: report it now rather than
    // lose it silently at close.
    setstate(std::ios_base::badbit);
    ThrowError(MessageCannotWriteFile);
  }
}

void FileImplStream::Truncate() {
  // A stream opened with ModeAppend or ModeTruncate alone keeps no position
  // (Tell gives 0): it is cut where its descriptor stands, once the buffered
  // data is written.
  const bool keepsPosition = canRead || canWrite;
  std::int64_t position = keepsPosition ? Tell() : 0;
  MutexLock guard(lock);
  errno = 0;
  if (position < 0) ThrowError(MessageCannotWriteFile);  // no position to cut at
  if (!HoldsDescriptor()) {
    errno = EBADF;
    ThrowError(MessageCannotWriteFile);
  }
  // The buffered data goes first; losing it would corrupt the content that
  // the cut is meant to keep.
  errno = 0;
  if (rdbuf()->pubsync() == -1) {
    setstate(std::ios_base::badbit);
    ThrowError(MessageCannotWriteFile);
  }
  if (!keepsPosition) {
    if (const int error = internal::DescriptorPosition(descriptor_, position)) {
      errno = error;
      ThrowError(MessageCannotWriteFile);
    }
  }
  // The open file itself, not whatever the name leads to now. The stream
  // opened it for output where a mode bit asked for output (as Open maps them).
  const bool openForWriting = canWrite || (openMode & (ModeTruncate | ModeAppend)) != 0;
  if (const int error = internal::CutOpenFile(descriptor_, internal::FileIdentity{device_, inode_},
                                              openForWriting, position)) {
    errno = error;
    ThrowError(MessageCannotWriteFile);
  }
  // Moving to the new end also drops what the buffer read beyond the cut.
  if (keepsPosition && Failed(rdbuf()->pubseekoff(0, std::ios_base::end, BothDirections))) {
    setstate(std::ios_base::failbit);
  }
}

void FileImplStream::Sync() {
  MutexLock guard(lock);
  errno = 0;
  if (!HoldsDescriptor()) {
    errno = EBADF;
    ThrowError(MessageCannotWriteFile);
  }
  if (rdbuf()->pubsync() == -1) {
    setstate(std::ios_base::badbit);
    ThrowError(MessageCannotWriteFile);
  }
  if (const int error = internal::SyncToDevice(descriptor_)) {
    errno = error;
    ThrowError(MessageCannotWriteFile);
  }
}

void FileImplStream::GetTimes(CompactTime& created, CompactTime& accessed,
                              CompactTime& modified) {
  std::time_t statusChanged = 0;
  std::time_t lastAccessed = 0;
  std::time_t lastModified = 0;
  if (const int error =
          internal::GetFileTimes(path_.c_str(), statusChanged, lastAccessed, lastModified)) {
    errno = error;
    ThrowError(MessageCannotReadFile);
  }
  // Linux keeps no creation time: the last status change stands in for it.
  created = CompactTime::FromTime(statusChanged);
  accessed = CompactTime::FromTime(lastAccessed);
  modified = CompactTime::FromTime(lastModified);
}

void FileImplStream::SetTimes(const CompactTime& /*created*/, const CompactTime& accessed,
                              const CompactTime& modified) {
  if (const int error = internal::SetFileTimes(path_.c_str(), CompactTime::ToTime(accessed),
                                               CompactTime::ToTime(modified))) {
    errno = error;
    ThrowError(MessageCannotWriteFile);
  }
}

void FileImplStream::Close() {
  MutexLock guard(lock);
  descriptor_ = -1;
  if (!rdbuf()->is_open()) return;
  errno = 0;
  // close() writes the buffered data and closes the file even when the
  // writing fails.
  if (rdbuf()->close() == nullptr) {
    setstate(std::ios_base::failbit);
    ThrowError(MessageCannotWriteFile);
  }
}

void FileImplStream::ThrowError(int defaultNumber) {
  const int error = errno;
  // The exception shows the name absolute and shortened when its text is
  // composed; it carries the full name.
  throw FileException(MessageForErrno(error, defaultNumber), name);
}

}  // namespace orv
