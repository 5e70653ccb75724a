// orv/file/internal/FileSystem.h - the calls that files and file names make
// into the operating system, each behind one small function.
//
// Not part of the public API: neither exported nor installed. Defined for
// POSIX systems in FileSystem_UNIX.cpp, the only source of the files
// subsystem that includes a platform header: a port replaces that file.
//
// Every function that can fail returns 0 or the system's error number (an
// errno value) and leaves errno as it found it, so the caller decides what
// errno a message is built from. A descriptor is the system's number of an
// open file.
#ifndef ORV_FILE_INTERNAL_FILESYSTEM_H
#define ORV_FILE_INTERNAL_FILESYSTEM_H

#include <cstdint>
#include <ctime>
#include <fstream>
#include <string>

namespace orv {
namespace internal {

/// What tells one file from another whatever name or descriptor reaches it:
/// its device and inode.
struct FileIdentity {
  std::uint64_t device = 0;
  std::uint64_t inode = 0;
};

inline bool operator==(const FileIdentity& a, const FileIdentity& b) noexcept {
  return a.device == b.device && a.inode == b.inode;
}
inline bool operator!=(const FileIdentity& a, const FileIdentity& b) noexcept { return !(a == b); }

/// Sets `directory` to the current working directory. Fails (ERANGE) for a
/// directory longer than 4095 bytes, and with ENOENT for a removed one;
/// `directory` is then unchanged.
int CurrentDirectory(std::string& directory);

/// Sets `path` to the real path of `name`: absolute, with symbolic links,
/// "." and ".." resolved; the file must exist. `path` is unchanged after a
/// failure (ENOENT for a missing file, ENOTDIR for a component that is no
/// folder).
int RealPath(const char* name, std::string& path);

/// True when `name`, links followed, is a regular file, a character device
/// or a block device; false for anything else and on any error.
bool IsFileOrDevice(const char* name) noexcept;

/// The status-change, access and modification times of the file `name`.
/// The outputs are unchanged after a failure.
int GetFileTimes(const char* name, std::time_t& changed, std::time_t& accessed,
                 std::time_t& modified);

/// Sets the access and modification times of the file `name`.
int SetFileTimes(const char* name, std::time_t accessed, std::time_t modified);

/// Opens `name` with the standard open mode `mode` into `buffer`, which has
/// no file open, and tells the descriptor and identity of the file opened.
/// The standard file buffer keeps its descriptor to itself; this one opens
/// the file the same way and hands it to `buffer`, which then owns and
/// closes it. A folder opens for reading, but its first read would fail: it
/// is refused with EISDIR. After a failure `buffer` has no file open.
int OpenFileBuffer(const char* name, std::ios_base::openmode mode,
                   std::basic_filebuf<char>& buffer, int& descriptor, FileIdentity& identity);

/// The identity of the file open on `descriptor`.
int IdentityOf(int descriptor, FileIdentity& identity);

/// Cuts the file open on `descriptor`, whose identity is `identity`, to
/// `length` bytes. A descriptor not open for writing is not cut through
/// itself but through a second, writable descriptor of the same open file,
/// which needs write permission on the file as a cut by name would; a rename
/// or a replaced name cannot redirect it. Fails with EBADF when that second
/// descriptor reaches another file, and with EOPNOTSUPP when the system
/// offers no way to take it (no /proc), which says nothing about the file
/// itself and so must not read as a missing file.
int CutOpenFile(int descriptor, const FileIdentity& identity, bool openForWriting,
                std::int64_t length);

/// Sets `position` to where the next write on `descriptor` goes.
int DescriptorPosition(int descriptor, std::int64_t& position);

/// Forces the written data of `descriptor` to the device.
int SyncToDevice(int descriptor);

}  // namespace internal
}  // namespace orv

#endif
