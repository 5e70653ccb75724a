// ExpectException.h - checks that a call throws orv::Exception with a given
// number and arguments.
#pragma once

#include <exception>
#include <string>
#include <utility>

#include <gtest/gtest.h>

#include "orv/error/Exception.h"

namespace orv::test {

namespace detail {

// Runs `call` and hands what it throws as `Expected` to `check`; anything
// else it throws, or nothing at all, is a failure that says what happened.
template <class Expected, class Call, class Check>
::testing::AssertionResult CatchAndCheck(Call&& call, Check&& check) {
  try {
    std::forward<Call>(call)();
  } catch (const Expected& e) {
    return check(e);
  } catch (const std::exception& e) {
    return ::testing::AssertionFailure() << "threw another exception: " << e.what();
  } catch (...) {
    return ::testing::AssertionFailure() << "threw something that is no std::exception";
  }
  return ::testing::AssertionFailure() << "threw nothing";
}

}  // namespace detail

/// Whether `call` throws an orv::Exception (or one derived from it) with
/// `number` and exactly these three arguments. Use as
/// EXPECT_TRUE(ThrowsException([&] { ... }, 2021, "x9"));
template <class Call>
::testing::AssertionResult ThrowsException(Call&& call, long number, const std::string& arg1 = "",
                                           const std::string& arg2 = "",
                                           const std::string& arg3 = "") {
  // "1313 ("a", "b", "c")", as a failure message shows an exception.
  const auto describe = [](long n, const std::string& a1, const std::string& a2,
                           const std::string& a3) {
    return std::to_string(n) + " (\"" + a1 + "\", \"" + a2 + "\", \"" + a3 + "\")";
  };
  return detail::CatchAndCheck<orv::Exception>(
      std::forward<Call>(call), [&](const orv::Exception& e) -> ::testing::AssertionResult {
        if (e.GetNumber() == number && e.GetArg1() == arg1 && e.GetArg2() == arg2 &&
            e.GetArg3() == arg3) {
          return ::testing::AssertionSuccess();
        }
        return ::testing::AssertionFailure()
               << "threw " << describe(e.GetNumber(), e.GetArg1(), e.GetArg2(), e.GetArg3())
               << ", not " << describe(number, arg1, arg2, arg3);
      });
}

}  // namespace orv::test
