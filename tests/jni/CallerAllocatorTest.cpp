// A C++ program that takes strings from the library and hands strings to it,
// as callers do: a block allocated on one side is grown or freed on the
// other, so both sides must allocate with the program's operator new and
// delete. The program replaces them with counting versions that mark their
// blocks and abort on a block they did not hand out. Built with
// AddressSanitizer instead (ASAN_CALLER=1), it keeps the sanitizer's
// operators, which report any block freed by another allocator than the one
// that made it.
#include <gtest/gtest.h>

#include <atomic>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <new>
#include <string>

#include "orv/orv.h"

#if !ASAN_CALLER
namespace {

constexpr std::uint64_t kCountedBlock = 0x6f72762d626c6f63;  // "orv-bloc"

struct alignas(alignof(std::max_align_t)) BlockHeader {
  std::uint64_t mark;
};

std::atomic<long> allocations{0};

void* Allocate(std::size_t size) {
  auto* header = static_cast<BlockHeader*>(std::malloc(sizeof(BlockHeader) + size));
  if (header == nullptr) throw std::bad_alloc();
  header->mark = kCountedBlock;
  allocations.fetch_add(1, std::memory_order_relaxed);
  return header + 1;
}

void Release(void* block) noexcept {
  if (block == nullptr) return;
  BlockHeader* header = static_cast<BlockHeader*>(block) - 1;
  if (header->mark != kCountedBlock) {
    std::fprintf(stderr, "operator delete: %p does not come from this program's operator new\n",
                 block);
    std::abort();
  }
  header->mark = 0;
  std::free(header);
}

long Allocations() { return allocations.load(std::memory_order_relaxed); }

}  // namespace

void* operator new(std::size_t size) { return Allocate(size); }
void* operator new[](std::size_t size) { return Allocate(size); }
void operator delete(void* block) noexcept { Release(block); }
void operator delete[](void* block) noexcept { Release(block); }
void operator delete(void* block, std::size_t) noexcept { Release(block); }
void operator delete[](void* block, std::size_t) noexcept { Release(block); }
#endif

#if ASAN_CALLER
#define CALLER AsanCallerAllocator
#else
#define CALLER CallerAllocator
#endif

namespace {

// Longer than any string keeps inside itself, so every copy is a heap block.
const std::string kLong(200, 'x');

#if !ASAN_CALLER
TEST(CALLER, TheLibraryAllocatesWithTheProgramsOperatorNew) {
  const long before = Allocations();
  orv::StringBase<char> text(kLong.c_str());  // built inside the library
  EXPECT_GT(Allocations(), before);
}
#endif

TEST(CALLER, StringsFilledInsideAreGrownAndFreedOutside) {
  orv::StringBase<char> text;
  ASSERT_TRUE(orv::GetMessageText(text, 1003));  // the library fills it
  std::string& standard = text;
  standard.append(kLong);     // the caller grows it: frees the library's block
  std::string copy = standard;
  copy.assign(kLong);
  orv::Exception error(1000, copy);  // the library copies the caller's text
  EXPECT_STREQ(error.what(), ("libquonvop4j: fatal error - " + kLong + ".").c_str());
}

TEST(CALLER, StringsFilledOutsideAreGrownAndFreedInside) {
  orv::FileString name;
  static_cast<std::string&>(name).assign("/" + kLong);  // the caller's block
  name.AppendPath(kLong.c_str());  // the library grows it: frees the caller's block
  EXPECT_EQ(name, "/" + kLong + "/" + kLong);
  orv::StringBase<char> text;
  static_cast<std::string&>(text).assign(kLong);
}  // destroyed inside the library: the library frees the caller's blocks

}  // namespace
