// RunInChild.h - runs a piece of a test in a forked child and returns its
// exit status.
#pragma once

#include <sys/types.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>

namespace orv::test {

/// Runs `body` in a forked child, which ends with _exit(body()) so that none
/// of the parent's destructors or stdio buffers run twice, and returns the
/// child's exit status: -1 when it could not be forked or did not exit
/// normally. For what the test process must not do itself: lower its limits,
/// drop its rights, enter namespaces, run with another environment.
template <class Body>
int RunInChild(Body body) {
  std::fflush(nullptr);  // nothing buffered is written by both processes
  const pid_t child = ::fork();
  if (child == 0) ::_exit(body());
  int status = 0;
  if (child < 0 || ::waitpid(child, &status, 0) != child || !WIFEXITED(status)) return -1;
  return WEXITSTATUS(status);
}

}  // namespace orv::test
