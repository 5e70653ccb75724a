// FileTest.cpp - files: open modes, reads at the end, cutting, wiping, times
// and the message numbers of real failures.
#include "orv/file/File.h"

#include <fcntl.h>
#include <sched.h>
#include <sys/mount.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/syscall.h>
#include <unistd.h>

#include <cerrno>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <functional>
#include <memory>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include <gtest/gtest.h>

#include "orv/file/FileException.h"
#include "orv/file/FileImplStream.h"
#include "tests/support/ExpectFileException.h"
#include "tests/support/RunInChild.h"
#include "tests/support/TempFolder.h"

namespace {

using orv::test::RunInChild;
using orv::test::ThrowsFileException;

class FileTest : public ::testing::Test {
 protected:
  std::string Path(const char* leaf) const { return folder_.Path(leaf); }

  static void Put(const std::string& path, const std::string& content) {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out << content;
  }

  static std::string Get(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    if (!in) return "<missing>";
    std::ostringstream content;
    content << in.rdbuf();
    return content.str();
  }

  orv::test::TempFolder folder_{"orv-file"};
};

// The message number of the FileException that `call` throws; 0 if none.
template <class Call>
long ThrownNumber(Call call) {
  try {
    call();
  } catch (const orv::FileException& e) {
    return e.GetNumber();
  }
  return 0;
}

long OpenNumber(orv::File& file, int mode) {
  return ThrownNumber([&] { file.Open(mode); });
}

class RecordingFile : public orv::File {
 public:
  void Write(const void* data, std::size_t length) override {
    lengths.push_back(length);
    orv::File::Write(data, length);
  }
  std::vector<std::size_t> lengths;
};

// Counts what it is asked to write and writes nothing, so that wiping a file
// of gigabytes costs neither disk nor time.
class CountingFile : public orv::File {
 public:
  void Write(const void* /*data*/, std::size_t length) override { written += length; }
  std::uint64_t written = 0;
};

// The lowest free descriptor: a descriptor left open moves it up.
int LowestFreeDescriptor() {
  const int fd = dup(0);
  if (fd >= 0) close(fd);
  return fd;
}

TEST_F(FileTest, OpenModes) {
  struct {
    int mode;
    const char* before;  // null: missing
    long openNumber;
    long writeNumber;  // after writing "XY"
    const char* after;
  } const cases[] = {
      {orv::ModeRead | orv::ModeReadAlt | orv::ModeMustExist, nullptr, 1001, 0, "<missing>"},
      {orv::ModeCreate | orv::ModeRead | orv::ModeMustExist, nullptr, 1001, 0, "<missing>"},
      {orv::ModeRead, nullptr, 1001, 0, "<missing>"},
      {orv::ModeRead | orv::ModeWrite, nullptr, 1001, 0, "<missing>"},
      {orv::ModeRead, "hello", 0, 1010, "hello"},
      {orv::ModeCreate | orv::ModeRead, nullptr, 0, 0, "XY"},
      {orv::ModeCreate | orv::ModeRead, "hello", 0, 0, "XYllo"},
      {orv::ModeRead | orv::ModeWrite, "hello", 0, 0, "XYllo"},
      {orv::ModeWrite, "hello", 0, 0, "XY"},
      {orv::ModeRead | orv::ModeWrite | orv::ModeTruncate, "hello", 0, 0, "XY"},
      {orv::ModeAppend, "hello", 0, 0, "helloXY"},
      {orv::ModeAppend, nullptr, 0, 0, "XY"},
      {orv::ModeCreate | orv::ModeAppend, nullptr, 0, 0, "XY"},
      {orv::ModeCreate | orv::ModeAppend, "hello", 0, 0, "helloXY"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(testing::Message() << "mode " << std::hex << c.mode << " on "
                                    << (c.before ? c.before : "<missing>"));
    const std::string path = Path("modes.bin");
    std::remove(path.c_str());
    if (c.before != nullptr) Put(path, c.before);
    orv::File file;
    file.SetName(path.c_str());
    ASSERT_EQ(OpenNumber(file, c.mode), c.openNumber);
    if (c.openNumber == 0) {
      EXPECT_EQ(ThrownNumber([&] {
                  file.Write("XY", 2);
                  file.Flush();
                }),
                c.writeNumber);
      file.Close();
    }
    EXPECT_EQ(Get(path), c.after);
  }

  // A folder is no file, for reading either, and is not left open.
  const int freeBefore = LowestFreeDescriptor();
  for (const int mode : {orv::ModeRead, orv::ModeReadAlt, orv::ModeRead | orv::ModeWrite,
                         orv::ModeWrite, orv::ModeCreate | orv::ModeRead}) {
    SCOPED_TRACE(testing::Message() << "folder, mode " << std::hex << mode);
    orv::File folder;
    folder.SetName(folder_.Path().c_str());
    EXPECT_EQ(OpenNumber(folder, mode), 1003);
    EXPECT_FALSE(folder.implementation->IsOpen());
  }
  EXPECT_EQ(LowestFreeDescriptor(), freeBefore);
}

TEST_F(FileTest, ReadsAtTheEnd) {
  Put(Path("four.bin"), "abcd");
  folder_.Enter();
  orv::File file;
  file.SetName("four.bin");  // relative: exceptions must name it so
  file.Open(orv::ModeRead);
  char buffer[10];
  // An exact read of 10 from 4 bytes.
  EXPECT_TRUE(ThrowsFileException([&] { file.Read(buffer, sizeof buffer, true); }, 1009,
                                  "four.bin"));

  orv::FileImplStream impl;
  impl.Open(Path("four.bin").c_str(), orv::ModeRead);
  std::memset(buffer, '#', sizeof buffer);
  EXPECT_EQ(impl.Read(buffer, sizeof buffer), 4u);
  EXPECT_EQ(std::string(buffer, sizeof buffer), "abcd######");
  EXPECT_EQ(impl.Tell(), 4);  // a short read leaves the stream usable
  EXPECT_EQ(impl.GetSize(), 4u);
  EXPECT_EQ(impl.Read(buffer, sizeof buffer), 0u);
  EXPECT_TRUE(impl.eof());
  EXPECT_EQ(impl.Tell(), -1);
  EXPECT_EQ(impl.GetSize(), 0u);
  EXPECT_EQ(impl.Read(buffer, 0), 0u);
}

TEST_F(FileTest, AppendAloneWritesButKeepsNoPosition) {
  Put(Path("log.txt"), "hello");
  orv::FileImplStream impl;
  impl.Open(Path("log.txt").c_str(), orv::ModeAppend);
  impl.Write(" world", 6);
  impl.Seek(2);
  impl.Write("!", 1);
  EXPECT_EQ(impl.Tell(), 0);
  EXPECT_EQ(impl.GetSize(), 0u);
  impl.Flush();
  EXPECT_EQ(Get(Path("log.txt")), "hello world!");

  // Reopened for appending after reading, the stream follows the new mode.
  orv::FileImplStream reused;
  reused.Open(Path("log.txt").c_str(), orv::ModeRead);
  reused.Close();
  reused.Open(Path("log.txt").c_str(), orv::ModeAppend);
  EXPECT_EQ(reused.Tell(), 0);
  EXPECT_EQ(reused.GetSize(), 0u);
}

TEST_F(FileTest, TruncateCutsAtThePosition) {
  orv::FileImplStream impl;
  impl.Create(Path("cut.bin").c_str(), 0);
  impl.Write("0123456789abcdefghij", 20);
  EXPECT_EQ(impl.GetSize(), 20u);
  impl.Seek(5);
  EXPECT_EQ(impl.Tell(), 5);
  impl.Truncate();
  EXPECT_EQ(impl.Tell(), 5);
  EXPECT_EQ(impl.GetSize(), 5u);
  EXPECT_EQ(Get(Path("cut.bin")), "01234");
  impl.Write("Z", 1);
  impl.Flush();
  EXPECT_EQ(Get(Path("cut.bin")), "01234Z");

  // A stream that keeps no position of its own is cut where its writes
  // went, never at the 0 its Tell reports.
  const struct {
    int mode;
    const char* written;
    const char* after;
  } alone[] = {
      {orv::ModeAppend, "", "01234"},
      {orv::ModeAppend, "56789", "0123456789"},
      {orv::ModeTruncate, "56789", "56789"},
  };
  for (const auto& c : alone) {
    SCOPED_TRACE(testing::Message() << "mode " << c.mode << ", writing " << c.written);
    Put(Path("cut.bin"), "01234");
    orv::FileImplStream stream;
    stream.Open(Path("cut.bin").c_str(), c.mode);
    stream.Write(c.written, std::strlen(c.written));
    stream.Truncate();
    stream.Close();
    EXPECT_EQ(Get(Path("cut.bin")), c.after);
  }
}

TEST_F(FileTest, TruncateCutsTheOpenFileNotTheName) {
  // The file is renamed away and its name now leads to another file, or to a
  // link to it: the cut must still hit the open file and nothing else.
  for (const bool link : {false, true}) {
    SCOPED_TRACE(link ? "name is a link to another file" : "name is another file");
    const std::string path = Path("data.bin");
    const std::string moved = Path("moved.bin");
    const std::string victim = Path("victim.txt");
    for (const std::string* p : {&path, &moved, &victim}) std::remove(p->c_str());
    orv::FileImplStream impl;
    impl.Create(path.c_str(), 0);
    impl.Write("0123456789", 10);
    impl.Seek(5);
    ASSERT_EQ(std::rename(path.c_str(), moved.c_str()), 0);
    Put(victim, "VICTIM-DATA-MUST-STAY");
    if (link) {
      ASSERT_EQ(symlink(victim.c_str(), path.c_str()), 0);
    } else {
      ASSERT_EQ(std::rename(victim.c_str(), path.c_str()), 0);
    }
    impl.Truncate();
    EXPECT_EQ(impl.Tell(), 5);
    impl.Write("Z", 1);
    impl.Flush();
    EXPECT_EQ(Get(moved), "01234Z");
    EXPECT_EQ(Get(link ? victim : path), "VICTIM-DATA-MUST-STAY");
  }
}

TEST_F(FileTest, FailuresOfTheCutAreReported) {
  // ftruncate() refuses character devices: the cut must not report success.
  orv::FileImplStream device;
  device.Open("/dev/null", orv::ModeRead | orv::ModeWrite);
  EXPECT_TRUE(ThrowsFileException([&] { device.Truncate(); }, 1010, "/dev/null"));

  // A file opened for reading only is cut as by its name, and still the
  // open file, not what its name leads to afterwards.
  Put(Path("read-only.bin"), "0123456789");
  orv::FileImplStream reading;
  reading.Open(Path("read-only.bin").c_str(), orv::ModeRead);
  reading.Seek(5);
  ASSERT_EQ(std::rename(Path("read-only.bin").c_str(), Path("moved.bin").c_str()), 0);
  Put(Path("read-only.bin"), "VICTIM-DATA");
  reading.Truncate();
  EXPECT_EQ(Get(Path("moved.bin")), "01234");
  EXPECT_EQ(Get(Path("read-only.bin")), "VICTIM-DATA");
}

TEST_F(FileTest, ReadOnlyCutUsesTheCallingThreadsDescriptors) {
  // The main table holds another file under the number that a thread with
  // a table of its own gets for its file: the cut must reach the thread's.
  Put(Path("own.bin"), "0123456789");
  Put(Path("victim.txt"), "VICTIM-DATA-MUST-STAY");
  const int victim = open(Path("victim.txt").c_str(), O_RDONLY | O_CLOEXEC);
  ASSERT_GE(victim, 0);
  std::string outcome;
  std::thread([&] {
    if (unshare(CLONE_FILES) != 0) {
      outcome = "unshare failed";
      return;
    }
    close(victim);  // in this thread's table only: its own file gets the number
    orv::FileImplStream reading;
    reading.Open(Path("own.bin").c_str(), orv::ModeRead);
    if (fcntl(victim, F_GETFD) == -1) outcome = "the number was not reused";
    reading.Seek(5);
    try {
      reading.Truncate();
    } catch (const orv::FileException& e) {
      outcome = "threw " + std::to_string(e.GetNumber());
    }
  }).join();
  close(victim);
  EXPECT_EQ(outcome, "");
  EXPECT_EQ(Get(Path("own.bin")), "01234");
  EXPECT_EQ(Get(Path("victim.txt")), "VICTIM-DATA-MUST-STAY");

  // The process's first thread has exited, and /proc/self/fd with it: a
  // child's second thread cuts its file all the same.
  Put(Path("own.bin"), "0123456789");
  const std::string own = Path("own.bin");
  const int status = RunInChild([&] {
    const std::string leader = "/proc/self/task/" + std::to_string(getpid()) + "/stat";
    std::thread([leader, own] {
      // Waits (5 s at most) until the first thread is a zombie.
      for (int i = 0; i < 500 && Get(leader).find(") Z ") == std::string::npos; ++i) {
        usleep(10000);
      }
      orv::FileImplStream reading;
      reading.Open(own.c_str(), orv::ModeRead);
      reading.Seek(5);
      const long thrown = ThrownNumber([&] { reading.Truncate(); });
      if (thrown != 0) std::fprintf(stderr, "the cut threw %ld\n", thrown);
      _exit(thrown == 0 && Get(own) == "01234" ? 0 : 1);
    }).detach();
    syscall(SYS_exit, 0);  // this thread alone, without unwinding through the test
    return 2;
  });
  EXPECT_EQ(status, 0);
}

TEST_F(FileTest, ReadOnlyCutWithoutItsOwnLinkInProc) {
  // In a mount namespace of its own, a child puts an empty folder in the
  // place of /proc, then links there that lead to another file: the cut
  // fails as a write (not as a missing file) and touches neither file.
  const std::string own = Path("own.bin");
  const std::string victim = Path("victim.txt");
  Put(own, "0123456789");
  Put(victim, "VICTIM-DATA-MUST-STAY");
  const int status = RunInChild([&] {
    if (unshare(CLONE_NEWNS) != 0 ||
        mount(nullptr, "/", nullptr, MS_REC | MS_PRIVATE, nullptr) != 0 ||
        mount("none", "/proc", "tmpfs", 0, nullptr) != 0) {
      return 77;
    }
    int failures = 0;  // one bit for each case
    for (const bool links : {false, true}) {
      const int number = LowestFreeDescriptor();
      if (links) {
        for (const char* table : {"/proc/self", "/proc/thread-self"}) {
          const std::string folder = std::string(table) + "/fd";
          mkdir(table, 0755);
          mkdir(folder.c_str(), 0755);
          if (symlink(victim.c_str(), (folder + "/" + std::to_string(number)).c_str()) != 0) {
            return 4;
          }
        }
      }
      orv::FileImplStream reading;
      reading.Open(own.c_str(), orv::ModeRead);
      reading.Seek(5);
      const long thrown = ThrownNumber([&] { reading.Truncate(); });
      if (thrown != 1010 || Get(own) != "0123456789" || Get(victim) != "VICTIM-DATA-MUST-STAY") {
        std::fprintf(stderr, "%s: got %ld, own file \"%s\", other file \"%s\"\n",
                     links ? "links elsewhere" : "no /proc", thrown, Get(own).c_str(),
                     Get(victim).c_str());
        failures |= links ? 2 : 1;
      }
    }
    return failures;
  });
  if (status == 77) GTEST_SKIP() << "needs a mount namespace of its own (root)";
  EXPECT_EQ(status, 0);
}

TEST_F(FileTest, OpensTheNameAsTheSystemResolvesIt) {
  // dir/link leads to dir/real/inner, so the system takes dir/link/../name
  // for dir/real/name; the text without "link/.." names dir/name.
  for (const char* folder : {"dir", "dir/real", "dir/real/inner"}) {
    ASSERT_EQ(mkdir(Path(folder).c_str(), 0755), 0);
  }
  ASSERT_EQ(symlink("real/inner", Path("dir/link").c_str()), 0);
  Put(Path("dir/real/name"), "SYSTEM");
  Put(Path("dir/name"), "TEXTUAL");
  folder_.Enter();
  orv::File file;
  file.SetName("dir/link/../name");
  file.Open(orv::ModeRead);
  char buffer[6];
  EXPECT_EQ(file.Read(buffer, sizeof buffer, false), 6u);
  EXPECT_EQ(std::string(buffer, sizeof buffer), "SYSTEM");
  EXPECT_EQ(file.implementation->name, Path("dir/name"));  // what messages show
  file.implementation->SetTimes(orv::CompactTime(), orv::CompactTime(1000),
                                orv::CompactTime(200000000));
  struct stat info {};
  ASSERT_EQ(stat(Path("dir/real/name").c_str(), &info), 0);
  EXPECT_EQ(info.st_mtime, orv::CompactTime::ToTime(orv::CompactTime(200000000)));
  ASSERT_EQ(stat(Path("dir/name").c_str(), &info), 0);
  EXPECT_NE(info.st_mtime, orv::CompactTime::ToTime(orv::CompactTime(200000000)));
  file.Open(orv::ModeWrite);
  file.Write("NEW", 3);
  file.Close();
  EXPECT_EQ(Get(Path("dir/real/name")), "NEW");
  EXPECT_EQ(Get(Path("dir/name")), "TEXTUAL");
}

TEST_F(FileTest, OpenStartsFromAClearedState) {
  orv::FileImplStream impl;
  EXPECT_THROW(impl.Open(Path("missing").c_str(), orv::ModeRead), orv::FileException);
  Put(Path("there"), "x");
  impl.Open(Path("there").c_str(), orv::ModeRead);
  EXPECT_TRUE(impl.IsOpen());
}

TEST_F(FileTest, WipeOverwritesInBlocksAndEmpties) {
  Put(Path("secret.bin"), std::string(100000, 'x'));
  RecordingFile file;
  file.SetName(Path("secret.bin").c_str());
  EXPECT_TRUE(file.Wipe());
  EXPECT_EQ(file.lengths, (std::vector<std::size_t>{61440, 38560}));
  EXPECT_EQ(std::filesystem::file_size(Path("secret.bin")), 0u);
  EXPECT_THROW(file.GetSize(), orv::FileException);  // closed

  RecordingFile missing;
  missing.SetName(Path("none.bin").c_str());
  EXPECT_TRUE(ThrowsFileException([&] { missing.Wipe(); }, 1001, Path("none.bin")));
  EXPECT_TRUE(missing.lengths.empty());
}

// Runs a shell command and returns whether it succeeded; its standard
// output, without the last line break, goes to `output` when given.
bool RunCommand(const std::string& command, std::string* output = nullptr) {
  FILE* pipe = popen(command.c_str(), "r");
  if (pipe == nullptr) return false;
  std::string text;
  char buffer[256];
  for (std::size_t got; (got = std::fread(buffer, 1, sizeof buffer, pipe)) > 0;) {
    text.append(buffer, got);
  }
  const int status = pclose(pipe);
  if (!text.empty() && text.back() == '\n') text.pop_back();
  if (output != nullptr) *output = text;
  return status == 0;
}

TEST_F(FileTest, WipedContentLeavesTheDevice) {
  // A fresh ext4 file system on a loop device over an image in the folder:
  // after the wipe and unmounting, the raw image holds none of the lines.
  if (geteuid() != 0 ||
      !RunCommand("command -v losetup && command -v mkfs.ext4 && test -e /dev/loop-control")) {
    GTEST_SKIP() << "needs root, losetup, mkfs.ext4 and loop devices";
  }
  // Detaches the loop device and unmounts its file system on the way out.
  struct LoopMount {
    std::string device;
    std::string folder;
    bool mounted = false;
    bool Unmount() {
      if (mounted && umount(folder.c_str()) == 0) mounted = false;
      return !mounted;
    }
    ~LoopMount() {
      Unmount();
      if (!device.empty()) RunCommand("losetup -d " + device);
    }
  } loop;
  const std::string image = Path("ext4.img");
  loop.folder = Path("mnt");
  { std::ofstream create(image); }
  ASSERT_EQ(truncate(image.c_str(), 16 << 20), 0);
  ASSERT_TRUE(RunCommand("mkfs.ext4 -q -F " + image + " 2>&1"));
  std::string device;
  if (!RunCommand("losetup --find --show " + image, &device)) GTEST_SKIP() << "no loop device free";
  loop.device = device;
  ASSERT_EQ(mkdir(loop.folder.c_str(), 0700), 0);
  ASSERT_EQ(mount(loop.device.c_str(), loop.folder.c_str(), "ext4", 0, nullptr), 0) << errno;
  loop.mounted = true;

  constexpr int Lines = 4096;
  const std::string secret = loop.folder + "/secret.txt";
  {
    std::string content;
    char line[64];
    for (int i = 0; i < Lines; ++i) {
      std::snprintf(line, sizeof line, "SECRET-LINE-%04d-do-not-keep\n", i);
      content += line;
    }
    const int fd = open(secret.c_str(), O_CREAT | O_WRONLY | O_CLOEXEC, 0600);
    ASSERT_GE(fd, 0);
    ASSERT_EQ(write(fd, content.data(), content.size()), static_cast<ssize_t>(content.size()));
    ASSERT_EQ(fsync(fd), 0);
    close(fd);
  }
  const auto count = [&] {
    const std::string raw = Get(image);
    int found = 0;
    for (std::size_t at = raw.find("SECRET-LINE-"); at != std::string::npos;
         at = raw.find("SECRET-LINE-", at + 1)) {
      ++found;
    }
    return found;
  };
  ASSERT_EQ(count(), Lines);  // on the device before the wipe

  orv::File file;
  file.SetName(secret.c_str());
  EXPECT_TRUE(file.Wipe());
  ASSERT_TRUE(loop.Unmount()) << errno;
  EXPECT_EQ(count(), 0);
}

TEST_F(FileTest, SizesAndPositionsBeyondFourGiB) {
  // A sparse file of 4 GiB + 1 MiB with one byte written behind 4 GiB: its
  // size, positions and wiping need 64 bits on every architecture.
  constexpr std::uint64_t kSize = (std::uint64_t{4} << 30) + (std::uint64_t{1} << 20);
  constexpr std::int64_t kMarker = (std::int64_t{4} << 30) + 4096;
  const std::string path = Path("sparse.bin");
  const int fd = open(path.c_str(), O_CREAT | O_WRONLY, 0600);
  ASSERT_GE(fd, 0);
  const bool made = ftruncate(fd, static_cast<off_t>(kSize)) == 0 &&
                    pwrite(fd, "Z", 1, static_cast<off_t>(kMarker)) == 1;
  close(fd);
  if (!made) GTEST_SKIP() << "this file system holds no sparse file of 4 GiB";

  orv::File file;
  file.SetName(path.c_str());
  file.Open(orv::ModeRead);
  EXPECT_EQ(file.GetSize(), kSize);
  file.implementation->Seek(kMarker);
  EXPECT_EQ(file.implementation->Tell(), kMarker);
  char byte = 0;
  EXPECT_EQ(file.Read(&byte, 1, true), 1u);
  EXPECT_EQ(byte, 'Z');
  file.SeekToEnd();
  EXPECT_EQ(file.implementation->Tell(), static_cast<std::int64_t>(kSize));
  file.Close();

  CountingFile wiped;
  wiped.SetName(path.c_str());
  EXPECT_TRUE(wiped.Wipe());
  EXPECT_EQ(wiped.written, kSize);
  EXPECT_EQ(std::filesystem::file_size(path), 0u);
}

TEST_F(FileTest, TimesRoundTrip) {
  Put(Path("times.bin"), "t");
  orv::FileImplStream impl;
  impl.Open(Path("times.bin").c_str(), orv::ModeRead);
  impl.SetTimes(orv::CompactTime(7), orv::CompactTime(1000), orv::CompactTime(200000000));
  orv::CompactTime created(0x12345678), accessed(0x12345678), modified(0x12345678);
  impl.GetTimes(created, accessed, modified);
  EXPECT_EQ(accessed.value, 1000u);
  EXPECT_EQ(modified.value, 200000000u);
  const std::uint32_t now = orv::CompactTime::Now().value;
  EXPECT_LE(created.value, now);  // the status change: just now, not 7
  EXPECT_GE(created.value + 60, now);

  std::remove(Path("times.bin").c_str());
  orv::CompactTime untouched(42);
  EXPECT_TRUE(ThrowsFileException([&] { impl.GetTimes(untouched, untouched, untouched); }, 1001,
                                  Path("times.bin")));
  EXPECT_EQ(untouched.value, 42u);
  EXPECT_TRUE(ThrowsFileException(
      [&] { impl.SetTimes(orv::CompactTime(), orv::CompactTime(), orv::CompactTime()); }, 1001,
      Path("times.bin")));
}

TEST_F(FileTest, NamesAndFilesNeverOpened) {
  orv::File file;
  EXPECT_TRUE(ThrowsFileException([&] { file.GetName(); }, 1016, ""));  // no empty name
  EXPECT_EQ(OpenNumber(file, orv::ModeRead), 1016);  // not the current directory
  EXPECT_EQ(OpenNumber(file, orv::ModeRead | orv::ModeMustExist), 1001);  // no such file

  orv::File never;
  never.SetName("never.bin");
  EXPECT_EQ(never.GetName(), "never.bin");
  char byte = 0;
  const struct {
    const char* what;
    std::function<void()> call;
    long number;
  } cases[] = {
      {"Write", [&] { never.Write("x", 1); }, 1010},
      {"Read", [&] { never.Read(&byte, 1, false); }, 1009},
      {"GetSize", [&] { never.GetSize(); }, 1016},
      {"Flush", [&] { never.Flush(); }, 1016},
      {"Rewind", [&] { never.Rewind(); }, 1016},
      {"SeekToEnd", [&] { never.SeekToEnd(); }, 1016},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    EXPECT_TRUE(ThrowsFileException(c.call, c.number, "never.bin"));
  }
  never.Close();  // nothing to close: no failure
  never.SetName(nullptr);
  EXPECT_THROW(never.GetName(), orv::FileException);
}

TEST_F(FileTest, StaleErrnoDoesNotPickTheMessage) {
  Put(Path("ro.bin"), "r");
  orv::File file;
  file.SetName(Path("ro.bin").c_str());
  file.Open(orv::ModeRead);
  errno = EEXIST;  // would read as 1029
  EXPECT_TRUE(ThrowsFileException(
      [&] {
        file.Write("x", 1);
        file.Flush();
      },
      1010, Path("ro.bin")));
}

TEST_F(FileTest, FullDeviceFailsTheWriteTheFlushOrTheClose) {
  for (const bool viaClose : {false, true}) {
    SCOPED_TRACE(viaClose ? "Close" : "Flush");
    orv::File file;
    file.SetName("/dev/full");
    file.Open(orv::ModeWrite);
    // Data reported written to /dev/full would be lost.
    EXPECT_TRUE(ThrowsFileException(
        [&] {
          file.Write("0123456789", 10);
          if (viaClose) {
            file.Close();
          } else {
            file.Flush();
          }
        },
        1010, "/dev/full"));
    if (viaClose) {
      EXPECT_EQ(file.implementation, nullptr);  // closed all the same
    }
  }
  // The destructor cannot report, and stays silent.
  EXPECT_NO_THROW({
    orv::File file;
    file.SetName("/dev/full");
    file.Open(orv::ModeWrite);
    file.Write("0123456789", 10);
  });
}

TEST_F(FileTest, TooManyOpenFiles) {
#if defined(__SANITIZE_ADDRESS__)
  // The sanitizer runtime opens pipes of its own to check memory while the
  // library throws; with no descriptor left it reports false errors.
  GTEST_SKIP() << "needs free descriptors under AddressSanitizer";
#endif
  Put(Path("one.bin"), "1");
  const std::string path = Path("one.bin");
  const int status = RunInChild([&] {
    // dup returns the lowest free descriptor: every one below it is in use.
    const int next = dup(0);
    if (next < 0) return 10;
    close(next);
    const rlimit limit{static_cast<rlim_t>(next), static_cast<rlim_t>(next)};
    if (setrlimit(RLIMIT_NOFILE, &limit) != 0) return 11;
    orv::File file;
    file.SetName(path.c_str());
    const long number = OpenNumber(file, orv::ModeRead);
    if (number != 1012) std::fprintf(stderr, "got %ld\n", number);
    return number == 1012 ? 0 : 1;
  });
  EXPECT_EQ(status, 0);
}

TEST_F(FileTest, RefusedPermissionIsCannotOpen) {
  Put(Path("locked.bin"), "secret");
  Put(Path("open.bin"), "public");
  ASSERT_EQ(chmod(Path("locked.bin").c_str(), 0), 0);
  ASSERT_EQ(chmod(Path("open.bin").c_str(), 0644), 0);
  ASSERT_EQ(chmod(folder_.Path().c_str(), 0755), 0);
  const std::string locked = Path("locked.bin");
  const std::string readable = Path("open.bin");
  const auto check = [&] {
    orv::File control;
    control.SetName(readable.c_str());
    if (OpenNumber(control, orv::ModeRead) != 0) return 2;  // the folder itself refuses
    orv::File file;
    file.SetName(locked.c_str());
    const long number = OpenNumber(file, orv::ModeRead);
    if (number != 1003) std::fprintf(stderr, "got %ld\n", number);
    return number == 1003 ? 0 : 1;
  };
  if (geteuid() == 0) {
    // Permissions do not bite for root: drop to 'nobody' in a child.
    EXPECT_EQ(RunInChild([&] {
                if (setgid(65534) != 0 || setuid(65534) != 0) return 3;
                return check();
              }),
              0);
    return;
  }
  if (access(locked.c_str(), R_OK) == 0) GTEST_SKIP() << "permissions do not apply here";
  EXPECT_EQ(check(), 0);
}

// A caller's implementation written before FileImpl had Close: it counts the
// flushes that reach it.
class ImplementationWithoutClose : public orv::FileImpl {
 public:
  ImplementationWithoutClose(int& flushes, bool open) : flushes_(flushes), open_(open) {}
  void Open(const char*, int) override {}
  std::size_t Read(void*, std::size_t) override { return 0; }
  void Write(const void*, std::size_t) override {}
  void Create(const char*, int) override {}
  std::uint64_t GetSize() override { return 0; }
  std::int64_t Tell() override { return 0; }
  bool IsOpen() override { return open_; }
  void Seek(std::int64_t) override {}
  void SeekToEnd() override {}
  void Flush() override { ++flushes_; }
  void Truncate() override {}
  void GetTimes(orv::CompactTime&, orv::CompactTime&, orv::CompactTime&) override {}
  void SetTimes(const orv::CompactTime&, const orv::CompactTime&,
                const orv::CompactTime&) override {}
  [[noreturn]] void ThrowError(int number) override { throw orv::FileException(number, name); }

 private:
  int& flushes_;
  bool open_;
};

TEST(FileImplDefault, CloseWritesPendingDataOnlyOfAnOpenFile) {
  int flushes = 0;
  ImplementationWithoutClose closed(flushes, false);
  closed.Close();
  EXPECT_EQ(flushes, 0);

  orv::File file;
  file.implementation = std::make_unique<ImplementationWithoutClose>(flushes, true);
  file.Close();
  EXPECT_EQ(flushes, 1);
  EXPECT_EQ(file.implementation, nullptr);
}

}  // namespace
