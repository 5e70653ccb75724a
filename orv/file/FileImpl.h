// orv/file/FileImpl.h - the exchangeable implementation behind orv::File.
//
// A FileImpl owns one open file and the translation of system errors into
// message numbers. Every failure is thrown as an orv::FileException naming
// the file; operations that only position the stream leave a failure in the
// stream state, which a later Tell (-1), GetSize (0), Read or Write shows.
// Sizes and positions are 64-bit on every architecture, as file offsets are.
//
// Threads: each implementation says which of its operations may overlap
// (FileImplStream serialises its stream operations). `name` is written by
// Open and read without a lock, so Open must not overlap any other operation
// on the same object.
#ifndef ORV_FILE_FILEIMPL_H
#define ORV_FILE_FILEIMPL_H

#include <cstddef>
#include <cstdint>

#include "orv/Export.h"
#include "orv/file/FileString.h"
#include "orv/text/DateTime.h"

namespace orv {

/// Mode bits of Open, or-ed together. Other bits are ignored.
constexpr int ModeRead = 0x0001;       ///< input
constexpr int ModeWrite = 0x0002;      ///< output
constexpr int ModeTruncate = 0x0004;   ///< output, emptying the file
constexpr int ModeAppend = 0x0008;     ///< output, every write at the end
constexpr int ModeCreate = 0x0200;     ///< output; a missing file is created
constexpr int ModeReadAlt = 0x0400;    ///< same as ModeRead
constexpr int ModeMustExist = 0x2000;  ///< File::Open only: fail unless the file exists

class ORV_API FileImpl {
 public:
  FileImpl();
  virtual ~FileImpl();
  FileImpl(const FileImpl&) = delete;
  FileImpl& operator=(const FileImpl&) = delete;

  /// Opens `name` (made absolute and kept in `name`) with the mode bits.
  /// Throws FileException (1003 unless errno selects another number).
  virtual void Open(const char* fileName, int mode) = 0;
  /// Reads up to `length` bytes; returns how many were read, 0 at the end of
  /// the file. Throws FileException 1009 when nothing could be read for
  /// another reason.
  virtual std::size_t Read(void* buffer, std::size_t length) = 0;
  /// Writes all `length` bytes. Throws FileException 1010 on failure or when
  /// no file is open.
  virtual void Write(const void* data, std::size_t length) = 0;
  /// Open with ModeRead, ModeWrite, ModeTruncate and ModeCreate added: the
  /// file is created or emptied.
  virtual void Create(const char* fileName, int mode) = 0;
  /// Length of the file; 0 when it cannot be determined.
  virtual std::uint64_t GetSize() = 0;
  /// Current position; -1 when the stream is failed.
  virtual std::int64_t Tell() = 0;
  /// Whether a file is open.
  virtual bool IsOpen() = 0;
  /// Moves to the absolute position; a failure stays in the stream state.
  virtual void Seek(std::int64_t position) = 0;
  /// Moves to the end; a failure stays in the stream state.
  virtual void SeekToEnd() = 0;
  /// Writes buffered data to the file. Throws FileException (1010 unless
  /// errno selects another number) when that fails.
  virtual void Flush() = 0;
  /// Cuts the open file at the current position and moves to its new end
  /// (also a file opened for reading only, where the caller may write it).
  /// Throws FileException (1010 unless errno maps) when the cut fails.
  virtual void Truncate() = 0;
  /// Status-change, access and modification times of the file. Throws
  /// FileException (1009 unless errno maps); the outputs are then unchanged.
  virtual void GetTimes(CompactTime& created, CompactTime& accessed,
                        CompactTime& modified) = 0;
  /// Sets access and modification times; `created` is not used (Linux keeps
  /// no creation time). Throws FileException (1010 unless errno maps).
  virtual void SetTimes(const CompactTime& created, const CompactTime& accessed,
                        const CompactTime& modified) = 0;
  /// Throws FileException for the current errno (see MessageForErrno) or
  /// `defaultNumber`, naming this file. Never returns.
  [[noreturn]] virtual void ThrowError(int defaultNumber) = 0;
  /// Writes pending data and closes the file; nothing when no file is open.
  /// Throws FileException (1010 unless errno maps) when data did not reach
  /// the file; the file is closed either way. Destruction closes the file
  /// too, but cannot report. This default writes pending data through Flush
  /// when a file is open and leaves the closing to the destructor: an
  /// implementation that does not override Close still reports data that did
  /// not reach the file.
  virtual void Close();
  /// Writes pending data and forces the file's data to the device, so that
  /// what was written survives a crash and is not dropped by a later cut.
  /// Throws FileException (1010 unless errno maps) when that fails. This
  /// default, for an implementation that cannot reach the device, forces
  /// nothing and says so: it throws 1010 naming the file.
  virtual void Sync();

  /// The message number of a system error:
  ///   ENOENT 1001, ENOTDIR 1002, ENFILE/EMFILE 1012, EPERM 1013,
  ///   ENOMEM 1014, EEXIST 1029, anything else `defaultNumber`.
  static long MessageForErrno(int error, long defaultNumber) noexcept;

  /// The absolute name of the file last opened; empty before.
  FileString name;
};

}  // namespace orv

#endif
