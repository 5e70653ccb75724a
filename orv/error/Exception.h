// orv/error/Exception.h - the one exception type of the base library.
//
// An exception carries a message number, up to three argument strings for
// "%1" to "%3" of the number's text, and the error location that was current
// on the throwing thread. No text is built at the throw site: what() composes
// it from the message catalogue each time it is called.
//
// The number's value is its class (fatal error, error, warning) and tells
// whether it is a free text; MessageNumbers.h names the numbers and holds the
// classification.
//
// Threads: an exception object is used by one thread at a time. Two threads
// must not call what() or ComposeText() on the same object at once, since
// each call refills the object's own text buffer; a copy has a buffer of its
// own, so threads that each hold a copy are independent.
#ifndef ORV_ERROR_EXCEPTION_H
#define ORV_ERROR_EXCEPTION_H

#include <exception>
#include <memory>

#include "orv/Export.h"
#include "orv/text/StringBase.h"

namespace orv {

class ORV_API Exception : public std::exception {
 public:
  /// Stores the number and arguments. An empty `location` takes the thread's
  /// current error location; a given one is chained to the thread's
  /// locations (see ErrorLocationScope).
  explicit Exception(long messageNumber,
                     const StringBase<char>& a1 = SharedEmptyString(),
                     const StringBase<char>& a2 = SharedEmptyString(),
                     const StringBase<char>& a3 = SharedEmptyString(),
                     const StringBase<char>& givenLocation = SharedEmptyString());
  /// Copies number, arguments and location; the copy composes its text anew.
  Exception(const Exception& other);
  Exception& operator=(const Exception& other);
  ~Exception() override;

  /// The composed one-line text, e.g.
  ///   libquonvop4j: fatal error QV1313 - Invalid date/time: not set.
  /// Never throws: if composition fails, a shorter line naming the number is
  /// returned. The pointer stays valid until the next call on this object
  /// (or, for the shorter line, the calling thread's next failed
  /// composition).
  const char* what() const noexcept override;

  /// Composes the text; a subclass overrides it to pass other arguments to
  /// BuildText.
  virtual const char* ComposeText() const;

  long GetNumber() const noexcept { return number; }
  const StringBase<char>& GetArg1() const noexcept { return arg1; }
  const StringBase<char>& GetArg2() const noexcept { return arg2; }
  const StringBase<char>& GetArg3() const noexcept { return arg3; }
  const StringBase<char>& GetLocation() const noexcept { return location; }
  /// Changes the number, keeping arguments and location (used where one
  /// layer renumbers the failure of a lower one).
  void SetNumber(long newNumber) noexcept { number = newNumber; }

  long number;
  StringBase<char> arg1;
  StringBase<char> arg2;
  StringBase<char> arg3;
  StringBase<char> location;

  mutable std::unique_ptr<StringBase<char>> text;  // the last composed text, null until then

 protected:
  /// Composes into the owned text buffer (created on first use, refilled on
  /// each call) and returns its characters.
  const char* BuildText(const StringBase<char>& a1, const StringBase<char>& a2,
                        const StringBase<char>& a3,
                        const StringBase<char>& where) const;
};

}  // namespace orv

#endif
