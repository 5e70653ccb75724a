// RunTogether.h - runs a body on many threads that start at the same moment.
#pragma once

#include <functional>
#include <string>
#include <vector>

namespace orv::test {

/// Runs body(0) to body(threads - 1), each on a thread of its own. Every
/// thread waits until all have started, so that first uses really meet.
/// Returns what each body returned, an empty text meaning success; an
/// exception that leaves a body is returned as "exception: <what>".
std::vector<std::string> RunTogether(int threads, const std::function<std::string(int)>& body);

}  // namespace orv::test
