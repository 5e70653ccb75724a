// orv/file/FileImplStream.h - a file implementation over the standard file stream.
#ifndef ORV_FILE_FILEIMPLSTREAM_H
#define ORV_FILE_FILEIMPLSTREAM_H

#include <fstream>

#include "orv/Export.h"
#include "orv/file/FileImpl.h"
#include "orv/text/Mutex.h"

namespace orv {

/// Works through basic_fstream<char>; every stream operation is serialised
/// by `lock`. The read position is used when the file was opened for input,
/// else the write position when it was opened for output (ModeWrite or
/// ModeCreate); a file opened with ModeAppend or ModeTruncate alone reports
/// position and size 0 and ignores Seek. Destruction closes the file; a
/// failure of that last close is not reported, so call Flush first.
class ORV_API FileImplStream : public FileImpl, public std::basic_fstream<char> {
 public:
  FileImplStream();
  ~FileImplStream() override;

  /// Binary always; ModeRead/ModeReadAlt input, ModeWrite/ModeCreate output,
  /// ModeTruncate output with truncation, ModeAppend output with append. A
  /// missing file opened with ModeCreate is created. Starts from a cleared
  /// stream state. Throws FileException 1003 (or the errno's number).
  void Open(const char* fileName, int mode) override;
  /// A short read at the end of the file returns what was read and leaves
  /// the stream usable; a read that gets nothing at the end returns 0 and
  /// leaves the stream at end of file and failed. Throws 1009 when no file
  /// is open or nothing could be read for another reason.
  std::size_t Read(void* buffer, std::size_t length) override;
  void Write(const void* data, std::size_t length) override;
  void Create(const char* fileName, int mode) override;
  /// Saturates at SIZE_MAX where size_t is narrower than the file.
  std::size_t GetSize() override;
  std::int64_t Tell() override;
  bool IsOpen() override;
  void Seek(std::int64_t position) override;
  void SeekToEnd() override;
  void Flush() override;
  /// Closes the file (throws 1010 when pending data cannot be written), cuts
  /// it with truncate() at Tell() (throws 1010 or the errno's number; the
  /// file is then left closed), reopens it without ModeTruncate and
  /// ModeCreate and moves to the end.
  void Truncate() override;
  void GetTimes(CompactTime& created, CompactTime& accessed, CompactTime& modified) override;
  void SetTimes(const CompactTime& created, const CompactTime& accessed,
                const CompactTime& modified) override;
  [[noreturn]] void ThrowError(int defaultNumber) override;

  Mutex lock;
  bool canRead;
  bool canWrite;
  int openMode;
};

}  // namespace orv

#endif
