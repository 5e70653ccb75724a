// orv/file/FileImplStream.h - a file implementation over the standard file stream.
#ifndef ORV_FILE_FILEIMPLSTREAM_H
#define ORV_FILE_FILEIMPLSTREAM_H

#include <fstream>

#include "orv/Export.h"
#include "orv/file/FileImpl.h"
#include "orv/text/Mutex.h"

namespace orv {

/// Works through basic_fstream<char>; every stream operation is serialised
/// by `lock`, so Read, Write, GetSize, Tell, IsOpen, Seek, SeekToEnd, Flush,
/// Sync and Close may be called from several threads at once (each one
/// whole; Truncate, which calls others, is not one step). Open, Create,
/// GetTimes, SetTimes and ThrowError use the name without the lock: Open and
/// Create must not overlap any other operation. The read position is used
/// when the file was opened for input, else the write position when it was
/// opened for output (ModeWrite or ModeCreate), as the last Open's mode says;
/// a file opened with ModeAppend or ModeTruncate alone reports position and
/// size 0 and ignores Seek. Destruction closes the file; a
/// failure of that last close is not reported, so call Close (or Flush)
/// first. The stream's descriptor is kept beside it for the operations that
/// the standard stream has no word for (cutting the file, telling a folder).
class ORV_API FileImplStream : public FileImpl, public std::basic_fstream<char> {
 public:
  FileImplStream();
  ~FileImplStream() override;

  /// Binary always; ModeRead/ModeReadAlt input, ModeWrite/ModeCreate output,
  /// ModeTruncate output with truncation, ModeAppend output with append. A
  /// missing file opened with ModeCreate is created. Starts from a cleared
  /// stream state and from `mode` alone (canRead, canWrite). Opens the name
  /// as the system resolves it (FileString::MakeAbsoluteAsIs) and keeps its
  /// cleaned-up form (MakeAbsolute) in `name` for messages; GetTimes and
  /// SetTimes use the name as opened. Throws FileException 1003 (or the
  /// errno's number); a folder is refused as EISDIR, which the errno table
  /// leaves at 1003.
  void Open(const char* fileName, int mode) override;
  /// A short read at the end of the file returns what was read and leaves
  /// the stream usable; a read that gets nothing at the end returns 0 and
  /// leaves the stream at end of file and failed. Throws 1009 when no file
  /// is open or nothing could be read for another reason.
  std::size_t Read(void* buffer, std::size_t length) override;
  void Write(const void* data, std::size_t length) override;
  void Create(const char* fileName, int mode) override;
  std::uint64_t GetSize() override;
  std::int64_t Tell() override;
  bool IsOpen() override;
  void Seek(std::int64_t position) override;
  void SeekToEnd() override;
  void Flush() override;
  /// Writes pending data (throws 1010 when it cannot), cuts the open file at
  /// Tell() through its descriptor and moves to the new end; a file opened
  /// with ModeAppend or ModeTruncate alone, which keeps no position, is cut
  /// where its descriptor stands (its end, where every write went). The file
  /// stays open with its mode; the name is not consulted, so a file renamed
  /// or replaced meanwhile is not touched. A file opened for reading only is
  /// cut through a second descriptor taken from the calling thread's own
  /// descriptor table in /proc, checked to be the open file. Throws 1010 (or
  /// the errno's number) when the cut fails, when that second descriptor is
  /// another file, or when /proc offers none.
  void Truncate() override;
  /// Writes pending data and forces the file's data to the device (fsync).
  /// Throws FileException 1010 (or the errno's number) when either fails or
  /// no file is open.
  void Sync() override;
  void GetTimes(CompactTime& created, CompactTime& accessed, CompactTime& modified) override;
  void SetTimes(const CompactTime& created, const CompactTime& accessed,
                const CompactTime& modified) override;
  [[noreturn]] void ThrowError(int defaultNumber) override;
  void Close() override;

  Mutex lock;
  bool canRead;
  bool canWrite;
  int openMode;

 private:
  /// Whether `descriptor_` is still the stream's open file.
  bool HoldsDescriptor() const;

  // The absolute name as opened, with its "." and ".." (see Open).
  FileString path_;
  // The descriptor of the stream's open file, -1 when none; with the device
  // and inode it had at Open, so that a file opened through the stream's own
  // open after ours is never taken for it.
  int descriptor_;
  std::uint64_t device_;
  std::uint64_t inode_;
};

}  // namespace orv

#endif
