// The main of the benchmarks that name their cases at run time (a depth, an area, a variant in each
// name): they register them in Register, then the library runs the ones asked for.
#include "bench_support.h"

int main(int argc, char** argv) {
  benchmark::Initialize(&argc, argv);
  corv::bench::Register();
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
  return 0;
}
