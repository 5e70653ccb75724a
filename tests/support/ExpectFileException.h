// ExpectFileException.h - checks that a call throws orv::FileException with
// a given number for a given file name.
#pragma once

#include <string>
#include <utility>

#include <gtest/gtest.h>

#include "orv/file/FileException.h"
#include "tests/support/ExpectException.h"

namespace orv::test {

/// Whether `call` throws an orv::FileException with `number` that names
/// `fileName` exactly as the caller gave it. Use as
/// EXPECT_TRUE(ThrowsFileException([&] { file.Flush(); }, 1010, "/dev/full"));
template <class Call>
::testing::AssertionResult ThrowsFileException(Call&& call, long number,
                                               const std::string& fileName) {
  return detail::CatchAndCheck<orv::FileException>(
      std::forward<Call>(call), [&](const orv::FileException& e) -> ::testing::AssertionResult {
        if (e.GetNumber() == number && e.GetFileName() == fileName) {
          return ::testing::AssertionSuccess();
        }
        return ::testing::AssertionFailure() << "threw " << e.GetNumber() << " for \""
                                             << e.GetFileName() << "\", not " << number
                                             << " for \"" << fileName << "\"";
      });
}

}  // namespace orv::test
