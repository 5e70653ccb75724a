// LanguageModule.cpp - language modules that the catalogue tests load.
//
// Built twice: ORV_LANGUAGE_MODULE 1 is loaded first, 2 second. Each records
// the calls it receives so the tests can tell who was asked, how often and
// with which buffer sizes; the second also has an entry "ModuleInit" and
// records, in order, what its entry hears and when it is asked. Any number of
// threads may call them at once (the stress test does).
#include <atomic>
#include <cstring>

#ifndef ORV_LANGUAGE_MODULE
#error "ORV_LANGUAGE_MODULE must be 1 or 2"
#endif

namespace {

// Atomic throughout: calls from several threads, and from threads that
// called an earlier load of the module at the same address, never race.
struct Call {
  std::atomic<unsigned int> number;
  std::atomic<unsigned int> size;
};
Call calls[64];
std::atomic<unsigned int> callCount{0};

void Record(unsigned int number, unsigned int size) {
  const unsigned int at = callCount.fetch_add(1);
  if (at < sizeof calls / sizeof calls[0]) {
    calls[at].number.store(number);
    calls[at].size.store(size);
  }
}

#if ORV_LANGUAGE_MODULE == 2
// "1" and "0" for what the entry hears, "a" for each question, one letter per
// event, as far as they fit.
std::atomic<char> events[64];
std::atomic<unsigned int> eventCount{0};

void RecordEvent(char event) {
  const unsigned int at = eventCount.fetch_add(1);
  if (at < sizeof events / sizeof events[0]) events[at].store(event);
}
#endif

// Writes `text` like a well-behaved module: as much as fits, terminated.
unsigned int Answer(const char* text, unsigned int bufferSize, char* buffer) {
  const unsigned int length = static_cast<unsigned int>(std::strlen(text));
  if (bufferSize > 0) {
    const unsigned int copied = length < bufferSize ? length : bufferSize - 1;
    std::memcpy(buffer, text, copied);
    buffer[copied] = '\0';
  }
  return length;
}

#if ORV_LANGUAGE_MODULE == 1
// Answers a text of `length` bytes of `c`, as much as fits, terminated.
unsigned int AnswerRepeated(char c, unsigned int length, unsigned int bufferSize,
                            char* buffer) {
  if (bufferSize > 0) {
    const unsigned int copied = length < bufferSize ? length : bufferSize - 1;
    std::memset(buffer, c, copied);
    buffer[copied] = '\0';
  }
  return length;
}

// 300 bytes: "0123456789" thirty times.
const char* LongText() {
  static char text[301];
  for (int i = 0; i < 300; ++i) text[i] = static_cast<char>('0' + i % 10);
  text[300] = '\0';
  return text;
}
#endif

}  // namespace

extern "C" {

__attribute__((visibility("default"))) unsigned int OrvLoadStringFromResource(
    unsigned int number, unsigned int bufferSize, char* buffer) {
  Record(number, bufferSize);
#if ORV_LANGUAGE_MODULE == 2
  RecordEvent('a');
#endif
#if ORV_LANGUAGE_MODULE == 1
  switch (number) {
    case 1313:  // registered in the catalogue: must never be asked
      return Answer("Datum ungueltig: %1", bufferSize, buffer);
    case 60001:  // no text here: the next module answers
      return 0;
    case 60002:  // too long for the first buffer
      return Answer(LongText(), bufferSize, buffer);
    case 60004:  // claims 300 bytes, fills every byte and never terminates
      std::memset(buffer, 'M', bufferSize);
      return 300;
    case 60005:  // a length for which no buffer of length + 1 exists
      std::memset(buffer, 'X', bufferSize);
      return 0xFFFFFFFFu;
    case 60006:  // claims a short text, but leaves the buffer unterminated
      std::memset(buffer, 'N', bufferSize);
      return 10;
    case 60007:  // a huge claim for a short text
      Answer("huge", bufferSize, buffer);
      return 0xFFFFFFFEu;
    case 60008:  // one byte longer than any text may be
      return AnswerRepeated('L', (1u << 20) + 1, bufferSize, buffer);
    case 60009:  // as long as a text may be
      return AnswerRepeated('T', 1u << 20, bufferSize, buffer);
    case 61234:  // the main program answers first
      return Answer("from the first module", bufferSize, buffer);
    default:
      return 0;
  }
#else
  switch (number) {
    case 1313:
      return Answer("second module 1313", bufferSize, buffer);
    case 60001:
      return Answer("from the second module", bufferSize, buffer);
    case 60002:
      return Answer("second module 60002", bufferSize, buffer);
    case 60005:
      return Answer("second module after an overflowing length", bufferSize, buffer);
    case 60007:
      return Answer("second module after a huge length", bufferSize, buffer);
    default:
      return 0;
  }
#endif
}

#if ORV_LANGUAGE_MODULE == 2
__attribute__((visibility("default"))) void ModuleInit(int value) {
  RecordEvent(value == 0 ? '0' : value == 1 ? '1' : '?');
}

// The events so far, zero-terminated (read with no call under way).
__attribute__((visibility("default"))) const char* TestModuleEvents() {
  constexpr unsigned int Capacity = sizeof events / sizeof events[0];
  static char copy[Capacity + 1];
  const unsigned int count = eventCount.load();
  const unsigned int kept = count < Capacity ? count : Capacity;
  for (unsigned int i = 0; i < kept; ++i) copy[i] = events[i].load();
  copy[kept] = '\0';
  return copy;
}
#endif

// How many calls this module received for `number`.
__attribute__((visibility("default"))) unsigned int TestModuleCallCount(unsigned int number) {
  unsigned int count = 0;
  const unsigned int total = callCount.load();
  for (unsigned int i = 0; i < total && i < sizeof calls / sizeof calls[0]; ++i) {
    if (calls[i].number.load() == number) ++count;
  }
  return count;
}

// The buffer size of the `index`-th call for `number`, or 0.
__attribute__((visibility("default"))) unsigned int TestModuleCallSize(unsigned int number,
                                                                        unsigned int index) {
  const unsigned int total = callCount.load();
  for (unsigned int i = 0; i < total && i < sizeof calls / sizeof calls[0]; ++i) {
    if (calls[i].number.load() == number && index-- == 0) return calls[i].size.load();
  }
  return 0;
}

}  // extern "C"
