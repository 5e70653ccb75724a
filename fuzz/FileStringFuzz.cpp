// fuzz/FileStringFuzz.cpp - the textual path operations of orv::FileString.
//
// Input: two bytes give the display length (0 to 65535, 0 meaning 512), the
// rest is cut at zero bytes into a name, a part and an extension. At start
// the process moves into a fresh temporary folder and HOME points to another
// absolute folder, so every name can be made absolute.
//
// Properties:
// - AppendPath: the result starts with the name and ends with the part,
//   joined by exactly one separator when both are non-empty;
// - GetFileName holds no separator and ends the name; without extension it
//   is the file name with RemoveExtension applied;
// - RemoveExtension cuts the name at its last "." when no separator follows,
//   else leaves it; SetExtension is RemoveExtension plus "." and extension;
// - MakeAbsolute gives an absolute name without "/./" and without any "/../"
//   that could still remove a name component, and applied again to its own
//   result it changes nothing;
// - GetShortName is the absolute name if that fits, else "/..." followed by
//   the shortest tail of it starting at a separator that fits, else by its
//   last separator's tail; so it is longer than the limit only when no
//   separator is left to drop.
#include "orv/file/FileString.h"

#include <stdlib.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

#include "fuzz/FuzzCheck.h"

namespace {

constexpr std::size_t kDefaultDisplayLength = 512;

std::string workFolder;

bool EndsWith(const std::string& text, const std::string& tail) {
  return text.size() >= tail.size() &&
         text.compare(text.size() - tail.size(), tail.size(), tail) == 0;
}

bool StartsWith(const std::string& text, const std::string& head) {
  return text.compare(0, head.size(), head) == 0;
}

// True when some "/../" still has a name component in front of it that is
// itself preceded by a separator: one that the clean-up removes.
bool HasRemovableDotDot(const std::string& text) {
  for (std::size_t at = text.find("/../"); at != std::string::npos;
       at = text.find("/../", at + 1)) {
    if (at == 0) continue;
    const std::size_t front = text.rfind('/', at - 1);
    if (front == std::string::npos) continue;
    const std::string component = text.substr(front + 1, at - front - 1);
    if (!component.empty() && component != "..") return true;
  }
  return false;
}

// The display form by its definition: the first candidate that fits, the
// candidates being the name itself and then "/..." followed by the tail of
// the name from each separator at position 1 or later, in order.
std::string ShortForm(const std::string& absolute, std::size_t maxLength) {
  if (absolute.size() <= maxLength) return absolute;
  std::string candidate = absolute;
  for (std::size_t sep = absolute.find('/', 1); sep != std::string::npos;
       sep = absolute.find('/', sep + 1)) {
    candidate = absolute.substr(0, 1) + "..." + absolute.substr(sep);
    if (candidate.size() <= maxLength) break;
  }
  return candidate;
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
  char folderTemplate[] = "/tmp/orv-fuzz-filestring-XXXXXX";
  if (::mkdtemp(folderTemplate) == nullptr) {
    std::perror("mkdtemp");
    std::abort();
  }
  char current[4096];
  if (::chdir(folderTemplate) != 0 || ::getcwd(current, sizeof current) == nullptr ||
      ::setenv("HOME", "/home/fuzz", 1) != 0) {
    std::perror("chdir/getcwd/setenv");
    std::abort();
  }
  workFolder = current;
  // The folder stays empty; it is removed when the fuzzer ends.
  std::atexit([] { ::rmdir(workFolder.c_str()); });
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  fuzz::Input input(data, size);
  const std::size_t maxLength = input.U16();
  const std::vector<std::string> pieces = fuzz::Split(input.Rest(), '\0');
  const std::string name = pieces[0];
  const std::string part = pieces.size() > 1 ? pieces[1] : std::string();
  const std::string extension = pieces.size() > 2 ? pieces[2] : std::string();
  const orv::FileString original(name);

  // AppendPath.
  {
    orv::FileString joined(name);
    joined.AppendPath(orv::FileString(part));
    const std::string& j = joined;
    if (part.empty()) {
      FUZZ_CHECK(j == name);
    } else if (name.empty()) {
      FUZZ_CHECK(j == part);
    } else {
      FUZZ_CHECK(StartsWith(j, name));
      FUZZ_CHECK(EndsWith(j, part));
      const bool nameEnds = name.back() == '/';
      const bool partStarts = part.front() == '/';
      const std::string expected = !nameEnds && !partStarts ? name + "/" + part
                                   : nameEnds && partStarts ? name.substr(0, name.size() - 1) + part
                                                            : name + part;
      FUZZ_CHECK(j == expected);
    }
  }

  // GetFileName, RemoveExtension, SetExtension.
  {
    const orv::FileString withExtension = original.GetFileName(true);
    const orv::FileString withoutExtension = original.GetFileName(false);
    FUZZ_CHECK(original == name);
    FUZZ_CHECK(withExtension.find('/') == std::string::npos);
    FUZZ_CHECK(EndsWith(name, withExtension));
    FUZZ_CHECK(name.size() == withExtension.size() ||
               name[name.size() - withExtension.size() - 1] == '/');
    orv::FileString stripped(withExtension);
    stripped.RemoveExtension();
    FUZZ_CHECK(withoutExtension == stripped);

    orv::FileString cut(name);
    cut.RemoveExtension();
    const std::string& c = cut;
    const std::size_t dot = name.rfind('.');
    if (dot == std::string::npos || name.find('/', dot) != std::string::npos) {
      FUZZ_CHECK(c == name);
    } else {
      FUZZ_CHECK(c == name.substr(0, dot));
    }

    orv::FileString renamed(name);
    renamed.SetExtension(orv::StringBase<char>(extension));
    const std::string dotted = !extension.empty() && extension[0] == '.' ? extension
                                                                         : "." + extension;
    FUZZ_CHECK(static_cast<const std::string&>(renamed) == c + dotted);
    // An extension without further dots or separators comes off again.
    if (dotted.find_first_of("./", 1) == std::string::npos) {
      renamed.RemoveExtension();
      FUZZ_CHECK(static_cast<const std::string&>(renamed) == c);
    }
  }

  // MakeAbsolute and GetShortName.
  {
    orv::FileString absolute(name);
    absolute.MakeAbsolute();
    const std::string& a = absolute;
    FUZZ_CHECK(!a.empty() && a[0] == '/');
    if (name.empty()) {
      FUZZ_CHECK(a == workFolder);
    } else {
      FUZZ_CHECK(a.find("/./") == std::string::npos);
      FUZZ_CHECK(!HasRemovableDotDot(a));
      orv::FileString again(absolute);
      again.MakeAbsolute();
      FUZZ_CHECK(again == absolute);
    }

    const std::size_t limit = maxLength != 0 ? maxLength : kDefaultDisplayLength;
    const std::string shortName = original.GetShortName(maxLength);
    const std::string display = original.GetDisplayName(maxLength, (size & 1) != 0);
    if (name.empty()) {
      FUZZ_CHECK(shortName == "<none>");
      FUZZ_CHECK(display == ((size & 1) != 0 ? "<none>" : ""));
    } else {
      FUZZ_CHECK(display == shortName);
      FUZZ_CHECK(shortName == ShortForm(a, limit));
      if (shortName.size() > limit) {
        // Too long only when no separator is left to drop.
        const bool unshortened = shortName == a && a.find('/', 1) == std::string::npos;
        const bool lastComponentOnly =
            StartsWith(shortName, "/.../") && shortName.find('/', 5) == std::string::npos;
        FUZZ_CHECK(unshortened || lastComponentOnly);
      }
      if (shortName != a) {
        FUZZ_CHECK(StartsWith(shortName, "/.../"));
        FUZZ_CHECK(EndsWith(a, shortName.substr(4)));
      }
    }
  }
  return 0;
}
