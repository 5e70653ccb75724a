// bench/BenchMain.cpp - the entry point of the benchmark program.
//
// Every benchmark is registered in pairs named "ours/<case>" and
// "base/<case>": the library's operation and the floor it is measured
// against, doing the same work. scripts/bench.sh pairs them by <case>.
#include <benchmark/benchmark.h>

BENCHMARK_MAIN();
