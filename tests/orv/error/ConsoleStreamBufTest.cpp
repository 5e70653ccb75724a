// ConsoleStreamBufTest.cpp - the console sink: standard output, line handler, system log, tee file.
#include "orv/error/ConsoleStreamBuf.h"

#include <fcntl.h>
#include <sched.h>
#include <sys/mount.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <syslog.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ostream>
#include <string>
#include <vector>

#include "orv/file/File.h"
#include "tests/support/RunInChild.h"
#include "tests/support/TempFolder.h"

namespace {

// Exposes the protected overrides.
class Probe : public orv::ConsoleStreamBuf {
 public:
  using orv::ConsoleStreamBuf::overflow;
  using orv::ConsoleStreamBuf::xsputn;
};

// Redirects standard output into a pipe for its lifetime. Read() returns
// what has reached the pipe so far without flushing stdout itself, so it
// shows whether the buffer flushed. Assertions are made after the capture
// ends, because a failing one would print into the pipe.
class StdoutCapture {
 public:
  StdoutCapture() {
    std::fflush(stdout);
    if (pipe(fds_) != 0) std::abort();
    fcntl(fds_[0], F_SETFL, O_NONBLOCK);
    saved_ = dup(STDOUT_FILENO);
    dup2(fds_[1], STDOUT_FILENO);
  }
  ~StdoutCapture() {
    std::fflush(stdout);
    dup2(saved_, STDOUT_FILENO);
    close(saved_);
    close(fds_[0]);
    close(fds_[1]);
  }
  std::string Read() {
    std::string text;
    char chunk[4096];
    ssize_t got;
    while ((got = read(fds_[0], chunk, sizeof chunk)) > 0)
      text.append(chunk, static_cast<std::size_t>(got));
    return text;
  }

 private:
  int fds_[2];
  int saved_;
};

TEST(ConsoleStreamBuf, StandardOutputIsWrittenAtOnce) {
  Probe buf;
  std::ostream out(&buf);
  std::vector<std::string> seen;
  {
    StdoutCapture capture;
    out << "abc";
    seen.push_back(capture.Read());
    out.put('x');  // one byte through overflow
    seen.push_back(capture.Read());
    out.write("ab\0cd", 5);
    seen.push_back(capture.Read());
    out.put('\0');  // a single byte is written as it is, even a zero byte
    out.write("\0z", 2);  // a longer chunk stops at its first zero byte
    seen.push_back(capture.Read());
    EXPECT_EQ(buf.overflow(std::char_traits<char>::eof()), std::char_traits<char>::eof());
    seen.push_back(capture.Read());
    EXPECT_EQ(buf.xsputn("line\n", 5), 5);
    EXPECT_EQ(buf.xsputn("zz", 0), 0);
    seen.push_back(capture.Read());
    EXPECT_EQ(buf.overflow('Q'), 'Q');
    EXPECT_EQ(buf.overflow(0xE4), 0xE4);
    seen.push_back(capture.Read());
  }
  const std::vector<std::string> expected = {"abc",         "x",      "ab", std::string(1, '\0'),
                                             "",            "line\n", "Q\xE4"};
  EXPECT_EQ(seen, expected);
  EXPECT_TRUE(out.good());
}

TEST(ConsoleStreamBuf, LongChunkReachesStandardOutputWhole) {
  Probe buf;
  std::string text(3000, 'k');
  text += "\n";
  std::string seen;
  {
    StdoutCapture capture;
    buf.xsputn(text.data(), static_cast<std::streamsize>(text.size()));
    seen = capture.Read();
  }
  EXPECT_EQ(seen, text);
}

TEST(ConsoleStreamBuf, NothingWhenNoDestinationOrSystemLogWins) {
  orv::ConsoleStreamBuf none;
  none.SetToStandardOutput(false);
  orv::ConsoleStreamBuf logged;
  logged.SetToSystemLog(true);
  std::string seen;
  {
    StdoutCapture capture;
    std::ostream(&none) << "to nowhere\n";
    // No line end: waits in the system-log buffer, so nothing reaches a
    // real system log either.
    std::ostream(&logged) << "waits";
    seen = capture.Read();
  }
  EXPECT_EQ(seen, "");
}

std::vector<std::string>& HandlerCalls() {
  static std::vector<std::string> calls;
  return calls;
}

void RecordLine(const char* text) { HandlerCalls().push_back(text); }

TEST(ConsoleStreamBuf, LineHandlerGathersUpToLineEndOrBeyond200Bytes) {
  HandlerCalls().clear();
  orv::ConsoleStreamBuf buf;
  buf.SetLineHandler(RecordLine);
  buf.SetToSystemLog(true);  // the handler comes first
  std::ostream out(&buf);
  std::string seen;
  std::vector<std::vector<std::string>> steps;
  {
    StdoutCapture capture;
    out << std::string(250, 'a');
    steps.push_back(HandlerCalls());
    HandlerCalls().clear();
    out << std::string(150, 'b');
    steps.push_back(HandlerCalls());
    out << std::string(150, 'c');
    steps.push_back(HandlerCalls());
    HandlerCalls().clear();
    out << std::string(200, 'd');  // exactly 200: still waits
    steps.push_back(HandlerCalls());
    out << '\n';
    steps.push_back(HandlerCalls());
    HandlerCalls().clear();
    out << "one\ntwo";  // a line feed inside the chunk does not end it
    steps.push_back(HandlerCalls());
    out << "\n";
    steps.push_back(HandlerCalls());
    seen = capture.Read();
  }
  ASSERT_EQ(steps.size(), 7u);
  EXPECT_EQ(steps[0], std::vector<std::string>{std::string(250, 'a')});
  EXPECT_TRUE(steps[1].empty());
  EXPECT_EQ(steps[2], std::vector<std::string>{std::string(150, 'b') + std::string(150, 'c')});
  EXPECT_TRUE(steps[3].empty());
  EXPECT_EQ(steps[4], std::vector<std::string>{std::string(200, 'd') + "\n"});
  EXPECT_TRUE(steps[5].empty());
  EXPECT_EQ(steps[6], std::vector<std::string>{"one\ntwo\n"});
  EXPECT_EQ(seen, "");
}

// Exit codes of the system-log child.
constexpr int kChildPassed = 0;
constexpr int kChildNoNamespace = 77;

// Runs in a forked child: a private mount namespace gets a tmpfs on /dev
// with a datagram socket at /dev/log, where the C library's syslog sends
// its entries. Returns an exit code; failures are described on stderr.
int SystemLogChild() {
  if (unshare(CLONE_NEWNS) != 0 && unshare(CLONE_NEWUSER | CLONE_NEWNS) != 0)
    return kChildNoNamespace;
  if (mount(nullptr, "/", nullptr, MS_REC | MS_PRIVATE, nullptr) != 0 ||
      mount("tmpfs", "/dev", "tmpfs", 0, "size=64k") != 0)
    return kChildNoNamespace;

  const int sock = socket(AF_UNIX, SOCK_DGRAM, 0);
  sockaddr_un address{};
  address.sun_family = AF_UNIX;
  std::strcpy(address.sun_path, "/dev/log");
  if (sock < 0 || bind(sock, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0) {
    std::fprintf(stderr, "socket at /dev/log: %s\n", std::strerror(errno));
    return 1;
  }
  timeval timeout{5, 0};
  setsockopt(sock, SOL_SOCKET, SO_RCVTIMEO, &timeout, sizeof timeout);

  char datagram[2048];
  orv::ConsoleStreamBuf buf;
  buf.SetToSystemLog(true);
  std::ostream out(&buf);
  out << "par";
  if (recv(sock, datagram, sizeof datagram, MSG_DONTWAIT) >= 0) {
    std::fprintf(stderr, "an entry was sent before the line ended\n");
    return 2;
  }
  out << "tial\n";
  const ssize_t got = recv(sock, datagram, sizeof datagram - 1, 0);
  if (got <= 0) {
    std::fprintf(stderr, "no entry received: %s\n", std::strerror(errno));
    return 3;
  }
  const std::string entry(datagram, static_cast<std::size_t>(got));
  // "<14>Mon dd hh:mm:ss ident: partial\n" (priority LOG_INFO | LOG_USER).
  if (entry.rfind("<14>", 0) != 0 || entry.find(": partial\n") == std::string::npos) {
    std::fprintf(stderr, "unexpected entry: [%s]\n", entry.c_str());
    return 4;
  }
  if (recv(sock, datagram, sizeof datagram, MSG_DONTWAIT) >= 0) {
    std::fprintf(stderr, "more than one entry\n");
    return 5;
  }
  closelog();
  close(sock);
  return kChildPassed;
}

TEST(ConsoleStreamBuf, SystemLogGetsOneEntryPerLine) {
  const int status = orv::test::RunInChild(SystemLogChild);
  ASSERT_NE(status, -1) << "the child did not exit";
  if (status == kChildNoNamespace)
    GTEST_SKIP() << "no private mount namespace with a tmpfs on /dev permitted here";
  EXPECT_EQ(status, kChildPassed) << "see the child's message above";
}

// The tee file: a real file in a temporary folder, whose size on disk shows
// when the buffer flushed it.
class ConsoleTee : public ::testing::Test {
 protected:
  long long SizeOnDisk() const {
    struct stat info;
    return stat(path.c_str(), &info) == 0 ? static_cast<long long>(info.st_size) : -1;
  }
  orv::test::TempFolder folder_{"orv-console"};
  const std::string path = folder_.Path("tee.log");
};

TEST_F(ConsoleTee, FlushesAt80ColumnsAndAtLineEnds) {
  {
    orv::ConsoleStreamBuf buf;
    buf.SetToStandardOutput(false);
    orv::File* file = new orv::File();
    file->SetName(path.c_str());
    file->Open(orv::ModeWrite | orv::ModeCreate | orv::ModeTruncate);
    buf.SetTeeFile(file);
    EXPECT_EQ(buf.GetTeeFile(), file);
    std::ostream out(&buf);

    out << "\n";  // the column is process-wide: start it at 0
    EXPECT_EQ(orv::ConsoleStreamBuf::GetTeeColumn(), 0);
    EXPECT_EQ(SizeOnDisk(), 1);

    out << std::string(79, 'x');
    EXPECT_EQ(orv::ConsoleStreamBuf::GetTeeColumn(), 79);
    EXPECT_EQ(SizeOnDisk(), 1);
    out << 'y';
    EXPECT_EQ(orv::ConsoleStreamBuf::GetTeeColumn(), 0);
    EXPECT_EQ(SizeOnDisk(), 81);

    out << "ab";
    EXPECT_EQ(SizeOnDisk(), 81);
    out << "c\r";
    EXPECT_EQ(orv::ConsoleStreamBuf::GetTeeColumn(), 0);
    EXPECT_EQ(SizeOnDisk(), 85);

    out << "tail";  // flushed by the destructor
    EXPECT_EQ(SizeOnDisk(), 85);
  }
  EXPECT_EQ(SizeOnDisk(), 89);
}

TEST_F(ConsoleTee, CopiesWhatTheDestinationGets) {
  std::string seen;
  {
    orv::ConsoleStreamBuf buf;
    orv::File* file = new orv::File();
    file->SetName(path.c_str());
    file->Open(orv::ModeWrite | orv::ModeCreate | orv::ModeTruncate);
    buf.SetTeeFile(file);
    StdoutCapture capture;
    std::ostream(&buf) << "both\n";
    seen = capture.Read();
  }
  EXPECT_EQ(seen, "both\n");
  orv::File reader;
  reader.SetName(path.c_str());
  reader.Open(orv::ModeRead);
  char content[16] = {};
  EXPECT_EQ(reader.Read(content, sizeof content, false), 5u);
  EXPECT_EQ(std::string(content), "both\n");
}

}  // namespace
