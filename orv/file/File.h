// orv/file/File.h - a named file whose implementation does the work.
//
// A File keeps the name the caller set and owns at most one implementation
// (an orv::FileImplStream once opened). Every failure is an
// orv::FileException; Read and Write name this object's file in it. A File is
// used by one thread at a time.
#ifndef ORV_FILE_FILE_H
#define ORV_FILE_FILE_H

#include <cstddef>
#include <cstdint>
#include <memory>

#include "orv/Export.h"
#include "orv/file/FileImpl.h"
#include "orv/file/FileString.h"

namespace orv {

class ORV_API File {
 public:
  /// The mode bits, also reachable as File::ModeRead and so on: aliases of
  /// the namespace constants in FileImpl.h, which hold the values.
  static constexpr int ModeRead = orv::ModeRead;
  static constexpr int ModeWrite = orv::ModeWrite;
  static constexpr int ModeTruncate = orv::ModeTruncate;
  static constexpr int ModeAppend = orv::ModeAppend;
  static constexpr int ModeCreate = orv::ModeCreate;
  static constexpr int ModeReadAlt = orv::ModeReadAlt;
  static constexpr int ModeMustExist = orv::ModeMustExist;

  /// Empty name, no implementation.
  File() noexcept;
  /// Destroys the implementation, closing its file.
  virtual ~File();
  File(const File&) = delete;
  File& operator=(const File&) = delete;

  /// Writes pending data, closes the file and destroys the implementation
  /// when its file is open; otherwise nothing. Throws FileException 1010 (or
  /// the errno's number) naming this file when data did not reach the file;
  /// the file is closed and the implementation gone either way. (The
  /// destructor closes silently.)
  virtual void Close();
  /// Writes all bytes. Throws FileException 1010 (or the errno's number)
  /// naming this file; 1010 too when the file was never opened.
  virtual void Write(const void* data, std::size_t length);
  /// Moves to position 0. Throws FileException 1016 when never opened.
  virtual void Rewind();
  /// Moves to the end. Throws FileException 1016 when never opened.
  virtual void SeekToEnd();
  /// The name becomes `text` (null gives the empty name).
  virtual void SetName(const char* text);
  /// The name as set. Throws FileException 1016 with an empty file name when
  /// it is empty.
  virtual const FileString& GetName();
  /// Overwrites the whole content with zero bytes, forces them to the device
  /// (FileImpl::Sync), cuts the file to length 0 and closes it; returns
  /// true. Throws the FileException of the failing step, naming this file
  /// (1001 for a missing file, 1010 when the zeros do not reach the device
  /// or the cut fails). What the device does with the blocks is beyond it:
  /// a copy-on-write file system writes the zeros elsewhere, flash remaps
  /// them, and copies in snapshots or backups stay (see the README).
  virtual bool Wipe();

  /// Opens the named file with the mode bits (orv::ModeRead ...), replacing
  /// an earlier implementation. With ModeMustExist a name that is not an
  /// existing file throws 1001 before any open. Other std::exceptions from
  /// the open become FileException 1003. After a failure the new
  /// implementation stays attached without an open file.
  void Open(int mode);
  /// Reads up to `length` bytes and returns how many were read; with `exact`
  /// fewer than `length` throws FileException 1009. Throws 1009 (or the
  /// errno's number) naming this file when reading fails or it was never
  /// opened.
  std::size_t Read(void* buffer, std::size_t length, bool exact);
  /// Length of the file, 64-bit on every architecture (0 when it cannot be
  /// determined). Throws FileException 1016 when never opened.
  std::uint64_t GetSize();
  /// Writes buffered data to the file. Throws FileException 1010 (or the
  /// errno's number) when that fails, 1016 when never opened.
  void Flush();
  /// Writes `count` zero bytes through Write, in blocks of at most 61440.
  void WriteZeros(std::uint64_t count);

  FileString name;                           // as the caller set it, not made absolute
  std::unique_ptr<FileImpl> implementation;  // or null

 protected:
  /// The implementation; throws FileException `number` naming this file
  /// when there is none.
  FileImpl& Implementation(long number);
};

}  // namespace orv

#endif
