// Runs the benchmarks inside a GUI application (offscreen unless a platform
// is named), or, with --table FILE..., prints the table of their JSON results.

#include "ResultTable.h"

#include <QApplication>
#include <QStringList>

#include <benchmark/benchmark.h>

#include <cstring>

int main(int argc, char* argv[])
{
    if (argc >= 2 && std::strcmp(argv[1], "--table") == 0) {
        QStringList files;
        for (int i = 2; i < argc; ++i)
            files << QString::fromLocal8Bit(argv[i]);
        return ResultTable::print(files);
    }

    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication application(argc, argv);
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv))
        return 1;
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
