// orv/file/FileString.h - a file name with its path operations.
//
// Paths follow POSIX: "/" separates components, a leading "/" makes a path
// absolute. All operations are byte-wise and case-sensitive. The operations
// that change the name work in place and return the object.
//
// Threads: a FileString is used by one thread at a time, like any string.
// GetSeparators is safe on any thread, its first call included. MakeAbsolute
// (and with it GetShortName and GetDisplayName) reads the process's current
// directory and HOME, which other threads must not change meanwhile.
#ifndef ORV_FILE_FILESTRING_H
#define ORV_FILE_FILESTRING_H

#include <cstddef>

#include "orv/Export.h"
#include "orv/text/StringBase.h"

namespace orv {

class ORV_API FileString : public StringBase<char> {
 public:
  FileString() noexcept;
  FileString(const char* text);                // NOLINT: null gives the empty name
  FileString(const StringBase<char>& text);    // NOLINT
  FileString(const std::string& text);         // NOLINT
  FileString(const FileString& other);
  FileString(FileString&& other) noexcept;
  ~FileString() override;

  FileString& operator=(const StringBase<char>& text);
  FileString& operator=(const FileString& other);
  FileString& operator=(FileString&& other) noexcept;
  FileString& operator=(const char* text);
  FileString& operator=(const std::string& text);

  /// Joins a component or relative path with exactly one separator between:
  ///   /a  + b   => /a/b
  ///   /a/ + /b  => /a/b
  ///   ""  + b   => b
  ///   /a  + ""  => /a
  /// Nothing else of either text is examined ("//" inside stays).
  FileString& AppendPath(const FileString& part);

  /// The part behind the last separator (the whole name without one),
  /// optionally without its extension:
  ///   /a/b/c.txt, false => c
  ///   /a/b/, true       => <empty>
  FileString GetFileName(bool withExtension) const;

  /// Removes the text from the last "." of the last component on:
  ///   a.tar.gz => a.tar;  dir.d/file => dir.d/file;  .profile => <empty>
  FileString& RemoveExtension();

  /// RemoveExtension, then "." (unless `extension` starts with one) and
  /// `extension`: lib.x + so => lib.so; lib + .so => lib.so.
  FileString& SetExtension(const StringBase<char>& extension);

  /// Makes the name absolute (current directory, or HOME for a leading "~")
  /// and removes "/./" and "name/../" textually:
  ///   ""          => the current directory, unchanged
  ///   /a/b/../../c => /c;  /../a => /../a;  /a//b => /a//b;  /a/b/.. stays
  ///   ~/x with HOME=/home/u => /home/u/x; with HOME unset ~/x stays
  /// This is the form to show; the system may resolve the name otherwise
  /// (a ".." behind a symbolic link leaves the link's target, not the link):
  /// open what MakeAbsoluteAsIs gives.
  /// Throws FileException naming the file when the current directory is
  /// needed and cannot be read: errno's number (see
  /// FileImpl::MessageForErrno; 1001 for a removed directory), else 1016. The
  /// name is then unchanged.
  FileString& MakeAbsolute();

  /// Makes the name absolute as MakeAbsolute does, current directory or HOME
  /// put in front, but removes nothing, so the system resolves it as it
  /// would the name given:
  ///   dir/link/../x => <current directory>/dir/link/../x
  /// Throws as MakeAbsolute; the name is then unchanged.
  FileString& MakeAbsoluteAsIs();

  /// Replaces the name by the real path the file system gives for it. An
  /// empty name stays empty. Throws FileException naming the file when the
  /// path cannot be resolved: errno's number (1001 for a missing file, 1002
  /// for a component that is no folder, see FileImpl::MessageForErrno), else
  /// 1003. The name is then unchanged.
  FileString& Canonicalize();

  /// True when the name (links followed) is a regular file, a character
  /// device or a block device; false for anything else and on any error.
  bool IsExistingFile() const;

  /// The absolute, cleaned-up name with leading directories replaced by
  /// "..." until it fits `maxLength` (0 means 512) or only the last component
  /// is left: /home/user/projects/x.txt, 10 => /.../x.txt. "<none>" for the
  /// empty name. Never throws for a name that cannot be made absolute: it is
  /// then shortened as given.
  StringBase<char> GetShortName(std::size_t maxLength) const;

  /// The form file error messages show: GetShortName, or for the empty name
  /// "<none>" when `noneWhenEmpty` and the empty text otherwise.
  StringBase<char> GetDisplayName(std::size_t maxLength, bool noneWhenEmpty) const;

  /// The process-wide separator set, "/". Created once, never released.
  static const StringBase<char>& GetSeparators();
};

}  // namespace orv

#endif
