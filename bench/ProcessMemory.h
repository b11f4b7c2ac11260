#ifndef TALVIK_BENCH_PROCESSMEMORY_H
#define TALVIK_BENCH_PROCESSMEMORY_H

// What the process holds in memory, as the benchmarks report it.
namespace ProcessMemory {

// Resident set size in KiB (VmRSS), 0 when it cannot be read.
long residentKiB();
// Bytes of heap the program has allocated and not freed: unlike the resident
// size this does not hide a leak behind memory the allocator keeps cached.
long heapInUseBytes();

} // namespace ProcessMemory

#endif
