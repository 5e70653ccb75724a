// orv/file/internal/FileSystem_UNIX.cpp - the calls that files and file names
// make into a POSIX system (Linux).
#include "orv/file/internal/FileSystem.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <sys/syscall.h>
#include <unistd.h>
#include <utime.h>

#include <ext/stdio_filebuf.h>

#include <cerrno>
#include <climits>
#include <cstddef>
#include <cstdlib>
#include <string>

namespace orv {
namespace internal {
namespace {

// The size of the buffers that getcwd and realpath write into (terminating
// zero included). realpath assumes a buffer of PATH_MAX bytes, which is 4096
// on Linux; the static_assert keeps the two in step.
constexpr std::size_t PathBufferSize = 4096;
static_assert(PATH_MAX <= static_cast<long>(PathBufferSize),
              "realpath may write more than the path buffer holds");

// Puts back the caller's errno when a function of this file returns, so that
// only the result reports what failed.
class KeepErrno {
 public:
  KeepErrno() noexcept : saved_(errno) { errno = 0; }
  ~KeepErrno() { errno = saved_; }
  KeepErrno(const KeepErrno&) = delete;
  KeepErrno& operator=(const KeepErrno&) = delete;

 private:
  int saved_;
};

// The error number of the call that just failed. A call that failed without
// setting errno still failed: it reports EIO, which no message maps, so the
// caller's default message stands.
int LastError() noexcept { return errno != 0 ? errno : EIO; }

int IdentityOf(int descriptor, FileIdentity& identity, bool& isFolder) {
  struct stat info {};
  if (::fstat(descriptor, &info) != 0) return LastError();
  identity.device = static_cast<std::uint64_t>(info.st_dev);
  identity.inode = static_cast<std::uint64_t>(info.st_ino);
  isFolder = S_ISDIR(info.st_mode);
  return 0;
}

// Opens `descriptor` once more, through its link in /proc, with `flags`.
// /proc/self/fd is the descriptor table of the process's first thread; a
// thread that has a table of its own (unshare(CLONE_FILES)) would reach
// another file there under the same number. So the link is taken from the
// calling thread's table: /proc/thread-self (Linux 3.17 on), else the same
// folder under /proc/self/task. Returns the new descriptor, or -1 with errno
// set (ENOENT when neither link is there: no /proc).
int ReopenOwnDescriptor(int descriptor, int flags) {
  const std::string number = std::to_string(descriptor);
  const long thread = ::syscall(SYS_gettid);
  const std::string links[] = {
      "/proc/thread-self/fd/" + number,
      "/proc/self/task/" + std::to_string(thread) + "/fd/" + number,
  };
  for (const std::string& link : links) {
    const int reopened = ::open(link.c_str(), flags);
    if (reopened != -1 || errno != ENOENT) return reopened;
  }
  return -1;
}

}  // namespace

int CurrentDirectory(std::string& directory) {
  const KeepErrno keep;
  char buffer[PathBufferSize];
  if (::getcwd(buffer, sizeof buffer) == nullptr) return LastError();
  directory.assign(buffer);
  return 0;
}

int RealPath(const char* name, std::string& path) {
  const KeepErrno keep;
  char buffer[PathBufferSize];
  if (::realpath(name, buffer) == nullptr) return LastError();
  path.assign(buffer);
  return 0;
}

bool IsFileOrDevice(const char* name) noexcept {
  const KeepErrno keep;
  struct stat status {};
  if (::stat(name, &status) != 0) return false;
  const unsigned type = static_cast<unsigned>(status.st_mode) & S_IFMT;
  return type == S_IFREG || type == S_IFCHR || type == S_IFBLK;
}

int GetFileTimes(const char* name, std::time_t& changed, std::time_t& accessed,
                 std::time_t& modified) {
  const KeepErrno keep;
  struct stat info {};
  if (::stat(name, &info) != 0) return LastError();
  changed = info.st_ctime;
  accessed = info.st_atime;
  modified = info.st_mtime;
  return 0;
}

int SetFileTimes(const char* name, std::time_t accessed, std::time_t modified) {
  const KeepErrno keep;
  utimbuf times{};
  times.actime = accessed;
  times.modtime = modified;
  return ::utime(name, &times) == 0 ? 0 : LastError();
}

int OpenFileBuffer(const char* name, std::ios_base::openmode mode,
                   std::basic_filebuf<char>& buffer, int& descriptor, FileIdentity& identity) {
  const KeepErrno keep;
  // The C++ runtime's stdio_filebuf is a basic_filebuf that tells its
  // descriptor: the file is opened through one (the same open and the same
  // buffering) and then swapped into `buffer`. On a failure `opening`
  // closes what it opened.
  __gnu_cxx::stdio_filebuf<char> opening;
  if (opening.open(name, mode) == nullptr) return LastError();
  FileIdentity opened;
  bool isFolder = false;
  if (const int error = IdentityOf(opening.fd(), opened, isFolder)) return error;
  if (isFolder) return EISDIR;
  descriptor = opening.fd();
  identity = opened;
  buffer.swap(opening);
  return 0;
}

int IdentityOf(int descriptor, FileIdentity& identity) {
  const KeepErrno keep;
  bool isFolder = false;
  return IdentityOf(descriptor, identity, isFolder);
}

int CutOpenFile(int descriptor, const FileIdentity& identity, bool openForWriting,
                std::int64_t length) {
  const KeepErrno keep;
  const auto size = static_cast<off_t>(length);
  if (openForWriting) return ::ftruncate(descriptor, size) == 0 ? 0 : LastError();
  const int writable =
      ReopenOwnDescriptor(descriptor, O_WRONLY | O_CLOEXEC | O_NOCTTY | O_NONBLOCK);
  if (writable == -1) return errno == ENOENT || errno == ENOTDIR ? EOPNOTSUPP : LastError();
  FileIdentity reopened;
  bool isFolder = false;
  int error = IdentityOf(writable, reopened, isFolder);
  if (error == 0 && reopened != identity) {
    error = EBADF;
  } else if (error == 0 && ::ftruncate(writable, size) != 0) {
    error = LastError();
  }
  ::close(writable);
  return error;
}

int DescriptorPosition(int descriptor, std::int64_t& position) {
  const KeepErrno keep;
  const off_t where = ::lseek(descriptor, 0, SEEK_CUR);
  if (where < 0) return LastError();
  position = static_cast<std::int64_t>(where);
  return 0;
}

int SyncToDevice(int descriptor) {
  const KeepErrno keep;
  return ::fsync(descriptor) == 0 ? 0 : LastError();
}

}  // namespace internal
}  // namespace orv
