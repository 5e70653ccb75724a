/* bench/modules/Extra.c - one of the extra shared objects that the catalogue
   benchmark loads; built once per index, each with its own function. */
#define BENCH_CONCAT2(a, b) a##b
#define BENCH_CONCAT(a, b) BENCH_CONCAT2(a, b)

int BENCH_CONCAT(BenchExtra, BENCH_EXTRA_INDEX)(void);
int BENCH_CONCAT(BenchExtra, BENCH_EXTRA_INDEX)(void) { return BENCH_EXTRA_INDEX; }
