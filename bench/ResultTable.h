#ifndef TALVIK_BENCH_RESULTTABLE_H
#define TALVIK_BENCH_RESULTTABLE_H

#include <QStringList>

// Turns the benchmarks' JSON result files into one Markdown table: each
// figure with its floor, its ratio to the floor and its goal.
namespace ResultTable {

// Prints the table to standard output; returns 0, or 1 when a file cannot be
// read.
int print(const QStringList& jsonFiles);

} // namespace ResultTable

#endif
