// orv/file/FileException.h - the exception of file failures.
#ifndef ORV_FILE_FILEEXCEPTION_H
#define ORV_FILE_FILEEXCEPTION_H

#include "orv/Export.h"
#include "orv/error/Exception.h"
#include "orv/file/FileString.h"

namespace orv {

/// An Exception that also carries the file name; its text shows the name
/// absolute and shortened in place of "%1". Threads: as for Exception.
class ORV_API FileException : public Exception {
 public:
  /// Number, arguments and location from `base`, plus the file name.
  FileException(const Exception& base, const FileString& name);
  /// `messageNumber` with empty arguments; the thread's current error
  /// location is captured.
  FileException(long messageNumber, const FileString& name);
  FileException(const FileException& other);
  FileException& operator=(const FileException& other);
  ~FileException() override;

  /// "%1" = GetDisplayName(0, true) of the file name, "%2" = arg1,
  /// "%3" = arg2; arg3 does not take part.
  const char* ComposeText() const override;

  const FileString& GetFileName() const noexcept { return fileName; }
  void SetFileName(const FileString& name) { fileName = name; }

  FileString fileName;
};

}  // namespace orv

#endif
