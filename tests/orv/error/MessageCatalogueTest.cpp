// Tests of the message catalogue: the library's texts, registration and the
// search through language modules.
#include "orv/error/MessageCatalogue.h"

#include <dlfcn.h>
#include <gtest/gtest.h>

#include <cstring>
#include <set>
#include <string>

#include "orv/error/LibraryMessages.h"

// This program is a language module too (it exports its symbols): it answers
// 61234 only.
extern "C" unsigned int OrvLoadStringFromResource(unsigned int number, unsigned int bufferSize,
                                                  char* buffer) {
  if (number != 61234) return 0;
  const std::string text = "from the main program";
  if (bufferSize > text.size()) std::memcpy(buffer, text.c_str(), text.size() + 1);
  return static_cast<unsigned int>(text.size());
}

namespace {

using orv::GetMessageText;
using orv::LoadMessageText;
using orv::MessageEntry;
using orv::RegisterMessage;
using orv::StringBase;

struct Expected {
  unsigned int number;
  const char* text;
};

// Every text the library registers, byte for byte.
const Expected kLibraryTexts[] = {
    {1001, "file %1 not found"},
    {1002, "folder not found: %1"},
    {1003, "file %1 cannot be opened"},
    {1004, "file %1 cannot be created"},
    {1005, "file %1 cannot be closed"},
    {1006, "temporary file cannot be created"},
    {1007, "temporary file cannot be renamed to %1"},
    {1008, "file %1 cannot be deleted for update"},
    {1009, "cannot read from file %1"},
    {1010, "cannot write to file %1"},
    {1011, "disk %1 is full"},
    {1012, "too many opened files"},
    {1013, "access to %1 denied"},
    {1014, "no more RAM available"},
    {1015, "invalid drive: %1"},
    {1016, "bad file/folder: %1"},
    {1017, "disk %1 is write-protected"},
    {1018, "disk %1 cannot be selected"},
    {1019, "data on disk %1 cannot be seeked"},
    {1020, "disk %1 has invalid format"},
    {1021, "invalid disk change in %1"},
    {1022, "file %1 is locked"},
    {1024, "no setting of environment variable %1"},
    {1025, "bad specification in environment variable %1: %2"},
    {1029, "file %1 already exists"},
    {1030, "line too long"},
    {1031, "file is corrupt%1"},
    {1033, "bad contents in text file%1"},
    {1034, "file has bad header%1"},
    {1035, "file has wrong CRC value%1"},
    {1036, "file has wrong file type%1"},
    {1037, "file is packed"},
    {1038, "remote computer access not suported"},
    {1039, "folder %1 cannot be created"},
    {1040, "folder %1 cannot be removed"},
    {1100, "too many relocation entries in file"},
    {1101, "file is DOS-high-load program"},
    {1102, "file is no valid executable file"},
    {1103, "file is OS/2 or Windows program"},
    {1104, "file structure is too complex"},
    {1105, "file is OS/2 or Windows map"},
    {1113, "file has version %1. Needed version is %2 or higher"},
    {1114, "file has bad version %1"},
    {1115, "file not initialized"},
    {1215, "file has no valid segment table"},
    {1216, "file has no valid symbol table"},
    {1116, "%1: no access to service manager (system error %2)"},
    {1117, "%1 is not installed"},
    {1118, "no access to %1 (system error %2)"},
    {1119, "%1 is busy (system error %2)"},
    {1120, "%1 cannot be installed (system error %2)"},
    {1121, "%1 cannot be removed (system error %2)"},
    {1122, "%1 cannot be started (system error %2)"},
    {1123, "%1 cannot be stopped (system error %2)"},
    {1124, "registry for %1 cannot be accessed (system error %2)"},
    {1125, "registry parameter setting for %1 cannot be accessed (system error %2)"},
    {1126, "\"%3\" in registry for %1 cannot be changed (system error %2)"},
    {1127, "version of %1 is unknown"},
    {1128, "%1 has wrong version %3"},
    {1129, "%1 needs client version %3"},
    {1130, "no user rights to manage %1 (system error %2)"},
    {1134, "event log for %1 cannot be accessed (system error %2)"},
    {1135, "%1 cannot be paused (system error %2)"},
    {1136, "%1 cannot be continued (system error %2)"},
    {1137, "%1 is not started"},
    {1138, "%1 cannot be installed: file %3 not found"},
    {1139, "%1 is busy (status change pending)"},
    {1140, "no access to \"%1\" in registration (%2)"},
    {1141, "\"%1\" in registration not found (%2)"},
    {1142, "\"%1\" in registration has bad data (%2)"},
    {1143, "\"%1\" in registration is out of range (%2)"},
    {1144, "\"%1\" in registration not found"},
    {1145, "item cannot be accessed (system error %1)"},
    {1146, "item contains bad data \"%1\""},
    {1147, "item not found"},
    {1150, "type of install file differs from installed file"},
    {1151, "language of install file differs from installed file"},
    {1152, "installed file is newer than install file"},
    {1131, "language module contains invalid version information"},
    {1132, "language module contains %1 as internal name"},
    {1133, "language module has wrong version %1 (%2 required)"},
    {57088, "Language Module %1"},
    {57089, "Module ignored. Embedded English language is used."},
    {1305, "no network system available"},
    {1306, "network server not found: %1"},
    {1308, "network not ready"},
    {1309, "network communication error (%1)"},
    {1312, "System error %1%2"},
    {1313, "Invalid date/time: %1"},
    {2001, "invalid option"},
    {2002, "bad argument in option"},
    {2003, "missing argument in option"},
    {2005, "value %1 out of range"},
    {2006, "no end of string %1"},
    {2007, "string too long"},
    {2010, "symbol %1 undefined"},
    {2011, "symbol %1 in different segments defined"},
    {2012, "symbol %1 has invalid type"},
    {2013, "value may not be a symbol: %1"},
    {2015, "data specification too long"},
    {2019, "file specification expected: %1"},
    {2020, "decimal number expected: %1"},
    {2021, "number expected: %1"},
    {2022, "end of input line expected: %1"},
    {2023, "bad specification: %1"},
    {2024, "missing specification"},
    {2025, "specification is ambiguous: %1"},
    {2026, "multiple specification: %1"},
    {2027, "invalid option for %1 mode"},
    {2100, "disk only permitted in first file specification: %1"},
    {2101, "folder only permitted in first file specification: %1"},
    {2102, "options only permitted after first file specification: %1"},
    {4003, "file has EXE header"},
    {4004, "file is packed"},
    {55296, "Undocumented/internal (%1)"},
    {55297, "error"},
    {55298, "warning"},
    {55299, "fatal error"},
    {55330, "What's This?"},
    {55336, "file \"%1\""},
    {55344, "\"%1\" service (%2)"},
    {55345, "\"%1\" driver (%2)"},
    {55360, "file \"%1\", topic [%2]"},
    {55361, "file \"%1\", topic [%2], value \"%3\""},
    {55376, "%1: aborted by user"},
    {55377, "[Press any key to continue]"},
    {55378, "undocumented"},
    {55312, "JanFebMarAprMayJunJulAugSepOctNovDec"},
    {55313, "SuMoTuWeThFrSa"},
    {55314, "Version %1 of %2"},
    {55315, "Level"},
    {55316, "Concept"},
    {55317, "Alpha"},
    {55318, "Beta"},
    {55319, "Gamma"},
    {55320, "Build"},
    {55321, "%2/%3/%1"},
    {55328, "Copyright \xA9" " %1 by"},
    {55329, "Copyright \xA9" " %1 - %2 by"},
};

TEST(MessageCatalogue, EveryLibraryNumberHasItsExactText) {
  EXPECT_EQ(orv::RegisterLibraryMessages("libquonvop4j"), 139u);
  EXPECT_EQ(orv::LibraryMessageCount(), 139u);
  ASSERT_EQ(sizeof kLibraryTexts / sizeof kLibraryTexts[0], 139u);
  std::set<unsigned int> numbers;
  for (const Expected& expected : kLibraryTexts) {
    SCOPED_TRACE(expected.number);
    EXPECT_TRUE(numbers.insert(expected.number).second) << "listed twice";
    StringBase<char> text("junk");
    ASSERT_TRUE(GetMessageText(text, expected.number));
    EXPECT_EQ(text, expected.text);
  }
}

TEST(MessageCatalogue, RightsNoticesHoldTheSignAsOneLatin1Byte) {
  orv::RegisterLibraryMessages("libquonvop4j");
  StringBase<char> text;
  ASSERT_TRUE(GetMessageText(text, 55328));
  EXPECT_EQ(text, std::string("Copyright \xA9" " %1 by"));
  ASSERT_TRUE(GetMessageText(text, 55329));
  EXPECT_EQ(text, std::string("Copyright \xA9" " %1 - %2 by"));
  EXPECT_EQ(text.size(), 22u);
  EXPECT_EQ(static_cast<unsigned char>(text[10]), 0xA9u);
}

TEST(MessageCatalogue, ASecondTextForANumberIsRefused) {
  orv::RegisterLibraryMessages("libquonvop4j");
  EXPECT_FALSE(RegisterMessage("libquonvop4j", MessageEntry(1313, "other text")));
  EXPECT_FALSE(RegisterMessage("another module", MessageEntry(1313, "other text")));
  StringBase<char> text;
  ASSERT_TRUE(GetMessageText(text, 1313));
  EXPECT_EQ(text, "Invalid date/time: %1");
  EXPECT_EQ(orv::RegisterLibraryMessages("libquonvop4j"), 0u);  // all present
}

TEST(MessageCatalogue, ModuleNamesTakeNoPartInTheKey) {
  EXPECT_TRUE(RegisterMessage("one", MessageEntry(70001, "seventy thousand one")));
  StringBase<char> text;
  ASSERT_TRUE(LoadMessageText("another", 70001, text));
  EXPECT_EQ(text, "seventy thousand one");
  // 7000 and 70000 share leading digits but are different keys.
  EXPECT_FALSE(LoadMessageText("one", 7000, text));
  EXPECT_FALSE(LoadMessageText("one", 70000, text));
}

TEST(MessageCatalogue, NullTextRegistersTheEmptyText) {
  EXPECT_EQ(MessageEntry(70002, nullptr).text, "");
  ASSERT_TRUE(RegisterMessage("m", MessageEntry(70002, nullptr)));
  StringBase<char> text("junk");
  ASSERT_TRUE(GetMessageText(text, 70002));
  EXPECT_EQ(text, "");
}

TEST(MessageCatalogue, AnUnknownNumberLeavesTheOutputAlone) {
  orv::RegisterLibraryMessages("libquonvop4j");
  StringBase<char> text("junk");
  EXPECT_FALSE(GetMessageText(text, 4711));
  EXPECT_EQ(text, "junk");
}

// Loads both language modules in this order into the loader's global chain.
class LanguageModules : public ::testing::Test {
 protected:
  using CallCount = unsigned int (*)(unsigned int);
  using CallSize = unsigned int (*)(unsigned int, unsigned int);

  void SetUp() override {
    orv::RegisterLibraryMessages("libquonvop4j");
    first_ = ::dlopen(TEST_MODULES_DIR "/orv_language_first.so", RTLD_NOW | RTLD_GLOBAL);
    ASSERT_NE(first_, nullptr) << ::dlerror();
    second_ = ::dlopen(TEST_MODULES_DIR "/orv_language_second.so", RTLD_NOW | RTLD_GLOBAL);
    ASSERT_NE(second_, nullptr) << ::dlerror();
  }
  void TearDown() override {
    if (second_ != nullptr) ::dlclose(second_);
    if (first_ != nullptr) ::dlclose(first_);
  }

  static unsigned int Calls(void* module, unsigned int number) {
    auto count = reinterpret_cast<CallCount>(::dlsym(module, "TestModuleCallCount"));
    return count != nullptr ? count(number) : 9999;
  }
  static unsigned int Size(void* module, unsigned int number, unsigned int index) {
    auto size = reinterpret_cast<CallSize>(::dlsym(module, "TestModuleCallSize"));
    return size != nullptr ? size(number, index) : 9999;
  }

  void* first_ = nullptr;
  void* second_ = nullptr;
};

TEST_F(LanguageModules, ARegisteredNumberIsNeverAskedOfAModule) {
  StringBase<char> text;
  ASSERT_TRUE(GetMessageText(text, 1313));
  EXPECT_EQ(text, "Invalid date/time: %1");
  EXPECT_EQ(Calls(first_, 1313), 0u);
  EXPECT_EQ(Calls(second_, 1313), 0u);
}

TEST_F(LanguageModules, ALongTextTakesASecondCallWithItsFullSize) {
  StringBase<char> text("junk");
  ASSERT_TRUE(GetMessageText(text, 60002));
  std::string expected;
  for (int i = 0; i < 300; ++i) expected += static_cast<char>('0' + i % 10);
  EXPECT_EQ(text, expected);
  ASSERT_EQ(Calls(first_, 60002), 2u);
  EXPECT_EQ(Size(first_, 60002, 0), 256u);
  EXPECT_EQ(Size(first_, 60002, 1), 301u);
  EXPECT_EQ(Calls(second_, 60002), 0u);  // the first answer wins
}

TEST_F(LanguageModules, AModuleWithoutTextLetsTheNextOneAnswer) {
  StringBase<char> text("junk");
  ASSERT_TRUE(LoadMessageText("libquonvop4j", 60001, text));
  EXPECT_EQ(text, "from the second module");
  EXPECT_GE(Calls(first_, 60001), 1u);
  EXPECT_EQ(Calls(second_, 60001), 1u);
}

// The objects to ask are found anew once a module has come or gone: one
// unloaded after a lookup is no longer asked (and is really gone: no lookup
// keeps a reference), one loaded after it is asked at the next lookup.
TEST_F(LanguageModules, AModuleLoadedOrUnloadedAfterALookupIsSeenAtTheNext) {
  const char* const path = TEST_MODULES_DIR "/orv_language_second.so";
  StringBase<char> text("junk");
  ASSERT_TRUE(GetMessageText(text, 60001));
  EXPECT_EQ(text, "from the second module");

  ASSERT_EQ(::dlclose(second_), 0);
  second_ = ::dlopen(path, RTLD_NOW | RTLD_NOLOAD);
  ASSERT_EQ(second_, nullptr) << "still loaded";
  text = "junk";
  EXPECT_FALSE(GetMessageText(text, 60001));
  EXPECT_EQ(text, "junk");
  EXPECT_EQ(::dlopen(path, RTLD_NOW | RTLD_NOLOAD), nullptr) << "loaded by the lookup";

  second_ = ::dlopen(path, RTLD_NOW | RTLD_GLOBAL);
  ASSERT_NE(second_, nullptr) << ::dlerror();
  ASSERT_TRUE(GetMessageText(text, 60001));
  EXPECT_EQ(text, "from the second module");
  EXPECT_EQ(Calls(second_, 60001), 1u);
}

// A module with an entry "ModuleInit" of its own hears of each lookup that
// asks the loaded objects: 1 before it is asked, 0 after. A registered
// number asks nobody.
TEST_F(LanguageModules, AModulesEntryHearsOfEachLookupThatAsksIt) {
  auto events = reinterpret_cast<const char* (*)()>(::dlsym(second_, "TestModuleEvents"));
  ASSERT_NE(events, nullptr);
  StringBase<char> text;
  ASSERT_TRUE(GetMessageText(text, 1313));
  EXPECT_STREQ(events(), "");
  ASSERT_TRUE(GetMessageText(text, 60001));
  EXPECT_STREQ(events(), "1a0");
  EXPECT_FALSE(GetMessageText(text, 60003));
  EXPECT_STREQ(events(), "1a01a0");
  // The first module answers: the second hears of the listing all the same.
  ASSERT_TRUE(GetMessageText(text, 60002));
  EXPECT_STREQ(events(), "1a01a010");
}

TEST_F(LanguageModules, ModuleTextsAreAskedAgainOnEveryLookup) {
  StringBase<char> text;
  ASSERT_TRUE(GetMessageText(text, 60001));
  ASSERT_TRUE(GetMessageText(text, 60001));
  EXPECT_EQ(Calls(second_, 60001), 2u);
}

TEST_F(LanguageModules, WhenNobodyAnswersTheOutputIsUntouched) {
  StringBase<char> text("junk");
  EXPECT_FALSE(GetMessageText(text, 60003));
  EXPECT_EQ(text, "junk");
  EXPECT_GE(Calls(first_, 60003), 1u);
  EXPECT_GE(Calls(second_, 60003), 1u);
}

// The text a module leaves ends at its buffer's end when it writes no
// terminator: nothing beyond the buffer is read (checked under the address
// sanitiser too).
TEST_F(LanguageModules, AnUnterminatedBufferIsReadOnlyToItsEnd) {
  StringBase<char> text;
  ASSERT_TRUE(GetMessageText(text, 60004));  // claims 300, fills 256 then 301
  EXPECT_EQ(text, std::string(301, 'M'));
  ASSERT_TRUE(GetMessageText(text, 60006));  // claims 10, fills all 256
  EXPECT_EQ(text, std::string(256, 'N'));
}

TEST_F(LanguageModules, AnOverflowingLengthCountsAsNoText) {
  StringBase<char> text("junk");
  ASSERT_TRUE(GetMessageText(text, 60005));
  EXPECT_EQ(text, "second module after an overflowing length");
  ASSERT_GE(Calls(first_, 60005), 1u);  // the first module was asked
  for (unsigned int i = 0; i < Calls(first_, 60005); ++i) {
    EXPECT_EQ(Size(first_, 60005, i), 256u);  // never a wrapped-round size
  }
}

// The main program comes first in the loader's order, before any module.
TEST_F(LanguageModules, TheMainProgramAnswersFirst) {
  StringBase<char> text("junk");
  ASSERT_TRUE(GetMessageText(text, 61234));
  EXPECT_EQ(text, "from the main program");
  EXPECT_EQ(Calls(first_, 61234), 0u);
}

// A claim beyond 1 MiB is no text: nothing of that size is allocated, the
// module is not called again, and the search goes on as for an answer of 0.
TEST_F(LanguageModules, AClaimBeyondOneMebibyteCountsAsNoText) {
  StringBase<char> text("junk");
  ASSERT_TRUE(GetMessageText(text, 60007));  // claims 0xFFFFFFFE
  EXPECT_EQ(text, "second module after a huge length");
  EXPECT_FALSE(GetMessageText(text, 60008));  // claims 1 MiB + 1; nobody else
  EXPECT_EQ(text, "second module after a huge length");
  for (unsigned int number : {60007u, 60008u}) {
    EXPECT_EQ(Calls(first_, number), 1u) << number;
    EXPECT_EQ(Size(first_, number, 0), 256u) << number;
  }
  ASSERT_TRUE(GetMessageText(text, 60009));  // exactly 1 MiB is a text
  EXPECT_EQ(text, std::string(1u << 20, 'T'));
  EXPECT_EQ(Size(first_, 60009, 1), (1u << 20) + 1);
}

}  // namespace
