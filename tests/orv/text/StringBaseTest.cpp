// Tests of the library's string types.
#include "orv/text/StringBase.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>

namespace {

using orv::StringBase;
using orv::StringOld;

TEST(StringBase, NullPointersMeanTheEmptyString) {
  StringBase<char> constructed(static_cast<const char*>(nullptr));
  EXPECT_TRUE(constructed.empty());

  StringBase<char> assigned("junk");
  assigned = static_cast<const char*>(nullptr);
  EXPECT_TRUE(assigned.empty());

  StringBase<char> buffer("junk");
  buffer.Assign(nullptr, 7);
  EXPECT_TRUE(buffer.empty());
}

TEST(StringBase, AssignmentReplacesAndSelfAssignmentKeeps) {
  StringBase<char> s("a long text that does not fit the short buffer");
  s = "short";
  EXPECT_EQ(s, "short");
  const StringBase<char>& alias = s;
  s = alias;
  EXPECT_EQ(s, "short");
  s = StringBase<char>();
  EXPECT_TRUE(s.empty());
}

TEST(StringBase, BufferAssignmentKeepsZeroBytes) {
  const char data[5] = {'a', '\0', 'b', '\0', 'c'};
  StringBase<char> s("junk");
  s.Assign(data, sizeof data);
  ASSERT_EQ(s.size(), 5u);
  EXPECT_EQ(std::string(s), std::string(data, 5));

  StringOld old(data, sizeof data);
  EXPECT_EQ(old.size(), 5u);
  StringOld none(nullptr, 3);
  EXPECT_TRUE(none.empty());
}

TEST(StringBase, StandardStringConversionKeepsAllBytes) {
  const std::string with_zero("x\0y", 3);
  StringBase<char> s(with_zero);
  EXPECT_EQ(s.size(), 3u);
  std::string back = s;  // usable wherever a std::string is read
  EXPECT_EQ(back, with_zero);
}

// Counts destructor runs of a class derived from StringOld.
int destroyed = 0;
struct Counted : StringOld {
  using StringOld::StringOld;
  ~Counted() override { ++destroyed; }
};

TEST(StringBase, DestroyingThroughTheBaseRunsEveryDestructor) {
  destroyed = 0;
  std::unique_ptr<StringBase<char>> s = std::make_unique<Counted>("text");
  s.reset();
  EXPECT_EQ(destroyed, 1);
}

TEST(StringBase, SharedEmptyStringIsOneObject) {
  const StringBase<char>& first = orv::SharedEmptyString();
  const StringBase<char>& second = orv::SharedEmptyString();
  EXPECT_EQ(&first, &second);
  EXPECT_TRUE(first.empty());
}

}  // namespace
