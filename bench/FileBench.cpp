// bench/FileBench.cpp - sequential file reading and writing against the raw
// system calls, with the same 64 KiB blocks, in the page cache.
#include <fcntl.h>
#include <unistd.h>

#include <benchmark/benchmark.h>

#include <cstdint>
#include <cstdlib>
#include <string>
#include <vector>

#include "orv/file/File.h"
#include "orv/file/FileImpl.h"

namespace {

constexpr std::size_t kBlock = 64 * 1024;

// 256 MiB, or ORV_BENCH_FILE_MIB (the smoke run uses a few MiB).
std::size_t FileBytes() {
  const char* configured = std::getenv("ORV_BENCH_FILE_MIB");
  const long mib = configured != nullptr ? std::atol(configured) : 256;
  return static_cast<std::size_t>(mib > 0 ? mib : 1) * 1024 * 1024;
}

// A temporary folder with one file name in it, removed with its file.
class TempFile {
 public:
  TempFile() {
    const char* base = std::getenv("TMPDIR");
    folder_ = std::string(base != nullptr && *base != '\0' ? base : "/tmp") +
              "/orv-bench-XXXXXX";
    if (mkdtemp(&folder_[0]) == nullptr) folder_.clear();
    path_ = folder_ + "/data.bin";
  }
  ~TempFile() {
    unlink(path_.c_str());
    if (!folder_.empty()) rmdir(folder_.c_str());
  }
  TempFile(const TempFile&) = delete;
  TempFile& operator=(const TempFile&) = delete;
  bool Ok() const { return !folder_.empty(); }
  const std::string& Path() const { return path_; }

 private:
  std::string folder_;
  std::string path_;
};

std::vector<char> Block() {
  std::vector<char> block(kBlock);
  for (std::size_t i = 0; i < kBlock; ++i) block[i] = static_cast<char>(i * 131 + 7);
  return block;
}

bool RawWrite(const std::string& path, const char* data, std::size_t total) {
  const int fd = open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
  if (fd < 0) return false;
  bool ok = true;
  for (std::size_t done = 0; ok && done < total; done += kBlock) {
    ok = write(fd, data, kBlock) == static_cast<ssize_t>(kBlock);
  }
  return close(fd) == 0 && ok;
}

void BM_FileWrite(benchmark::State& state) {
  TempFile temp;
  const std::vector<char> block = Block();
  const std::size_t total = FileBytes();
  for (auto _ : state) {
    orv::File file;
    file.SetName(temp.Path().c_str());
    file.Open(orv::ModeWrite | orv::ModeCreate | orv::ModeTruncate);
    for (std::size_t done = 0; done < total; done += kBlock) file.Write(block.data(), kBlock);
    file.Close();
  }
  state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * total));
}

void BM_RawWrite(benchmark::State& state) {
  TempFile temp;
  const std::vector<char> block = Block();
  const std::size_t total = FileBytes();
  for (auto _ : state) {
    if (!RawWrite(temp.Path(), block.data(), total)) {
      state.SkipWithError("write(2) failed");
      break;
    }
  }
  state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * total));
}

void BM_FileRead(benchmark::State& state) {
  TempFile temp;
  const std::vector<char> pattern = Block();
  const std::size_t total = FileBytes();
  if (!RawWrite(temp.Path(), pattern.data(), total)) {
    state.SkipWithError("cannot create the file to read");
    return;
  }
  std::vector<char> block(kBlock);
  for (auto _ : state) {
    orv::File file;
    file.SetName(temp.Path().c_str());
    file.Open(orv::ModeRead);
    std::size_t done = 0;
    while (std::size_t got = file.Read(block.data(), kBlock, false)) done += got;
    file.Close();
    if (done != total) {
      state.SkipWithError("short read");
      break;
    }
  }
  state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * total));
}

void BM_RawRead(benchmark::State& state) {
  TempFile temp;
  const std::vector<char> pattern = Block();
  const std::size_t total = FileBytes();
  if (!RawWrite(temp.Path(), pattern.data(), total)) {
    state.SkipWithError("cannot create the file to read");
    return;
  }
  std::vector<char> block(kBlock);
  for (auto _ : state) {
    const int fd = open(temp.Path().c_str(), O_RDONLY);
    std::size_t done = 0;
    ssize_t got = 0;
    while ((got = read(fd, block.data(), kBlock)) > 0) done += static_cast<std::size_t>(got);
    close(fd);
    if (done != total) {
      state.SkipWithError("short read");
      break;
    }
  }
  state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * total));
}

void BM_FileWriteZeros(benchmark::State& state) {
  TempFile temp;
  const std::size_t total = FileBytes();
  for (auto _ : state) {
    orv::File file;
    file.SetName(temp.Path().c_str());
    file.Open(orv::ModeWrite | orv::ModeCreate | orv::ModeTruncate);
    file.WriteZeros(total);
    file.Close();
  }
  state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * total));
}

void BM_RawWriteZeros(benchmark::State& state) {
  TempFile temp;
  const std::vector<char> zeros(kBlock, 0);
  const std::size_t total = FileBytes();
  for (auto _ : state) {
    if (!RawWrite(temp.Path(), zeros.data(), total)) {
      state.SkipWithError("write(2) failed");
      break;
    }
  }
  state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * total));
}

BENCHMARK(BM_FileWrite)->Name("ours/File.Write.64KiB")->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_RawWrite)->Name("base/File.Write.64KiB")->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_FileRead)->Name("ours/File.Read.64KiB")->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_RawRead)->Name("base/File.Read.64KiB")->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_FileWriteZeros)->Name("ours/File.WriteZeros")->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_RawWriteZeros)->Name("base/File.WriteZeros")->Unit(benchmark::kMillisecond)->UseRealTime();

}  // namespace
