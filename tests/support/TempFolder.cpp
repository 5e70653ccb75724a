// TempFolder.cpp - a fresh folder for one test, removed with everything in it.
#include "tests/support/TempFolder.h"

#include <limits.h>
#include <stdlib.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <filesystem>
#include <stdexcept>
#include <system_error>

#include <gtest/gtest.h>

namespace orv::test {

namespace {

std::runtime_error Failure(const std::string& what) {
  return std::runtime_error(what + ": " + std::strerror(errno));
}

}  // namespace

TempFolder::TempFolder(const char* prefix) : owner_(::getpid()) {
  std::string pattern = std::string("/tmp/") + prefix + "-XXXXXX";
  if (::mkdtemp(&pattern[0]) == nullptr) throw Failure("mkdtemp " + pattern);
  char resolved[PATH_MAX];
  if (::realpath(pattern.c_str(), resolved) == nullptr) {
    const std::runtime_error failure = Failure("realpath " + pattern);
    ::rmdir(pattern.c_str());
    throw failure;
  }
  path_ = resolved;
}

TempFolder::~TempFolder() {
  if (::getpid() != owner_) return;
  if (!previousDirectory_.empty() && ::chdir(previousDirectory_.c_str()) != 0) {
    ADD_FAILURE() << "cannot return to " << previousDirectory_ << ": " << std::strerror(errno);
  }
  std::error_code error;
  std::filesystem::remove_all(path_, error);
  if (error) ADD_FAILURE() << "temporary folder " << path_ << " stays: " << error.message();
}

void TempFolder::Enter() {
  if (!previousDirectory_.empty()) return;
  char current[PATH_MAX];
  if (::getcwd(current, sizeof current) == nullptr) throw Failure("getcwd");
  if (::chdir(path_.c_str()) != 0) throw Failure("chdir " + path_);
  previousDirectory_ = current;
}

}  // namespace orv::test
