#include "ResultTable.h"

#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QRegularExpression>

#include <cstdio>
#include <functional>

namespace {

struct Row
{
    QString what;
    QString value;
    QString floor;
    QString ratio;
    QString goal;
    QString met;
};

QString number(double value, int decimals)
{
    return QString::number(value, 'f', decimals);
}

QString verdict(bool met)
{
    return met ? "yes" : "**no**";
}

// "BM_PollOverPty/baud:9600/interval:40/..." -> {baud: 9600, interval: 40}
QMap<QString, int> arguments(const QString& name)
{
    QMap<QString, int> found;
    QRegularExpressionMatchIterator it = QRegularExpression("/(\\w+):(\\d+)").globalMatch(name);
    while (it.hasNext()) {
        const QRegularExpressionMatch match = it.next();
        found.insert(match.captured(1), match.captured(2).toInt());
    }
    return found;
}

// The benchmark's own time in the unit its JSON states, converted.
double timeIn(const QJsonObject& run, const QString& unit)
{
    static const QMap<QString, double> perSecond = {
        {"ns", 1e9}, {"us", 1e6}, {"ms", 1e3}, {"s", 1}};
    const double seconds =
        run.value("real_time").toDouble() / perSecond.value(run.value("time_unit").toString(), 1e9);
    return seconds * perSecond.value(unit, 1);
}

void addRows(const QJsonObject& run, QList<Row>& rows)
{
    const QString name = run.value("name").toString();
    const QMap<QString, int> args = arguments(name);
    const auto counter = [&run](const char* key) { return run.value(key).toDouble(); };

    if (run.contains("error_occurred") && run.value("error_occurred").toBool()) {
        rows << Row{name, "failed: " + run.value("error_message").toString(), "", "", "", "**no**"};
        return;
    }
    if (name.startsWith("BM_Transaction/")) {
        const double us = timeIn(run, "us");
        rows << Row{
            QString("1. one transaction, function %1 (loopback link)").arg(args.value("fc")),
            number(us, 2) + " µs",
            "",
            "",
            "< 20 µs",
            verdict(us < 20)};
    } else if (name.startsWith("BM_Crc16/")) {
        rows << Row{QString("1. CRC-16 over %1 bytes").arg(args.value("bytes")),
                    number(counter("bytes_per_second") / 1e6, 0) + " MB/s",
                    "",
                    "",
                    "",
                    ""};
    } else if (name.startsWith("BM_PollOverPty/")) {
        const double ratio = counter("floor_ratio");
        rows << Row{QString("2. poll over a pty, %1 Bd, interval %2 ms")
                        .arg(args.value("baud"))
                        .arg(args.value("interval")),
                    number(timeIn(run, "ms"), 1) + " ms (worst " + number(counter("worst_ms"), 1) +
                        ")",
                    number(counter("floor_ms"), 1) + " ms",
                    number(ratio, 4),
                    "≤ 1.02 × floor",
                    verdict(ratio <= 1.02)};
    } else if (name.startsWith("BM_DemoRecordRead")) {
        const double ratio = counter("floor_ratio");
        rows << Row{QString("3. fault record of %1 samples, demo mode").arg(counter("samples")),
                    number(timeIn(run, "s"), 3) + " s",
                    number(counter("floor_ms") / 1000, 3) + " s",
                    number(ratio, 4),
                    "≤ 1.05 × floor",
                    verdict(ratio <= 1.05)};
    } else if (name.startsWith("BM_ParameterMapRefresh")) {
        const double us = timeIn(run, "us");
        rows << Row{QString("4. refresh of the parameter map (%1 visualize() calls)")
                        .arg(counter("visualizers")),
                    number(us, 1) + " µs",
                    "",
                    "",
                    "< 1000 µs",
                    verdict(us < 1000)};
        rows << Row{"4. repaint that follows the refresh",
                    number(counter("repaint_us"), 1) + " µs",
                    "",
                    "",
                    "",
                    ""};
    } else if (name.startsWith("BM_DebugLog/")) {
        const bool shown = args.value("shown") != 0;
        const QString list = shown ? "log list on screen" : "log list off screen";
        const int lines = static_cast<int>(counter("lines"));
        const double perLine = counter("us_per_line");
        const double worst = counter("worst_step_ms");
        const bool complete = lines >= args.value("lines");
        rows << Row{
            QString("5. debug log, %1: lines appended").arg(list),
            complete ? QString::number(lines)
                     : QString("%1 of %2 in the 60 s budget").arg(lines).arg(args.value("lines")),
            "",
            "",
            QString::number(args.value("lines")),
            verdict(complete)};
        rows << Row{QString("5. debug log, %1: time per line (loop passes included)").arg(list),
                    number(perLine, 2) + " µs (first lines " +
                        number(counter("us_per_line_first"), 1) + " µs, last lines " +
                        number(counter("us_per_line_recent"), 1) + " µs)",
                    "",
                    "",
                    "< 10 µs",
                    verdict(perLine < 10 && complete)};
        // A 1 s poll in debug mode adds 12 lines; at the length reached.
        const double share = counter("us_per_line_recent") * 12 / 1e6 * 100;
        rows << Row{
            QString("5. debug log, %1: share of a core polling at 1 s, at the end").arg(list),
            number(share, 3) + " %",
            "",
            "",
            "< 5 %",
            verdict(share < 5 && complete)};
        rows << Row{QString("5. debug log, %1: slowest step (one line or one loop pass)").arg(list),
                    number(worst, 2) + " ms", "", "", "< 50 ms",
                    // A run cut short never reached the size where the steps are slowest.
                    complete ? verdict(worst < 50) : QString("**no** (cut short)")};
        if (!shown)
            rows << Row{"5. debug log: turning to the log tab afterwards (one step)",
                        number(counter("reveal_ms"), 0) + " ms",
                        "",
                        "",
                        "< 50 ms",
                        verdict(counter("reveal_ms") < 50)};
        rows << Row{QString("5. debug log, %1: resident memory afterwards").arg(list),
                    number(counter("rss_after_MiB"), 1) + " MiB (+" +
                        number(counter("rss_growth_MiB"), 1) + ")",
                    "",
                    "",
                    "",
                    ""};
    } else if (name.startsWith("BM_DeviceSearchSilentLine")) {
        const double seconds = timeIn(run, "s");
        rows << Row{QString("5b. device search, silent line, %1 probes (3 speeds x 247 addresses)")
                        .arg(counter("probes")),
                    number(seconds, 1) + " s",
                    "",
                    "",
                    "< 60 s",
                    verdict(seconds < 60 && counter("probes") == 741)};
    } else if (name.startsWith("BM_StartUp")) {
        const double ms = timeIn(run, "ms");
        rows << Row{"6. start-up to the shown main window (offscreen)",
                    number(ms, 1) + " ms",
                    "",
                    "",
                    "< 300 ms",
                    verdict(ms < 300)};
        rows << Row{"6. resident memory at idle",
                    number(counter("rss_idle_MiB"), 1) + " MiB",
                    "",
                    "",
                    "",
                    ""};
    } else if (name.startsWith("BM_ViewerOpenLong")) {
        const double ms = timeIn(run, "ms");
        rows << Row{QString("7. viewer: open and draw %1 samples × 8 channels, BINARY")
                        .arg(static_cast<qint64>(counter("samples"))),
                    number(ms, 0) + " ms (reading " + number(counter("read_ms"), 0) +
                        " ms, worst " + number(counter("worst_ms"), 0) + " ms)",
                    "",
                    "",
                    "< 1000 ms",
                    verdict(counter("worst_ms") < 1000)};
    } else if (name.startsWith("BM_ViewerOpenExport")) {
        const double ms = timeIn(run, "ms");
        rows << Row{
            QString("7. viewer: open and draw our export of %1 samples").arg(counter("samples")),
            number(ms, 1) + " ms (reading " + number(counter("read_ms"), 1) + " ms, worst " +
                number(counter("worst_ms"), 1) + " ms)",
            "",
            "",
            "< 50 ms",
            verdict(counter("worst_ms") < 50)};
    } else if (name.startsWith("BM_ViewerPanZoom/")) {
        static const char* views[] = {"whole record", "a tenth", "a hundredth"};
        const double ms = timeIn(run, "ms");
        rows << Row{QString("7. viewer: redraw while panning the 1,000,000-sample record, %1 "
                            "in view")
                        .arg(views[qBound(0, args.value("zoom"), 2)]),
                    number(ms, 2) + " ms (worst " + number(counter("worst_ms"), 2) + " ms)",
                    "",
                    "",
                    "< 30 ms",
                    verdict(counter("worst_ms") < 30)};
    } else if (name.startsWith("BM_ViewerCursorAnalysis")) {
        const double ms = timeIn(run, "ms");
        rows << Row{"7. viewer: moving cursor 1 on the 1,000,000-sample record, readout, phasors, "
                    "components and harmonics updated and drawn",
                    number(ms, 2) + " ms (updating " + number(counter("update_ms"), 2) +
                        " ms, worst " + number(counter("worst_ms"), 2) + " ms)",
                    "",
                    "",
                    "< 16 ms",
                    verdict(counter("worst_ms") < 16)};
    } else if (name.startsWith("BM_ViewerOverlayLong")) {
        const double ms = timeIn(run, "ms");
        rows << Row{QString("7. viewer: overlay of a second %1-sample record on the first "
                            "(read, laid over, drawn)")
                        .arg(static_cast<qint64>(counter("samples"))),
                    number(ms, 0) + " ms (reading " + number(counter("read_ms"), 0) +
                        " ms, worst " + number(counter("worst_ms"), 0) + " ms)",
                    "",
                    "",
                    "< 1000 ms",
                    verdict(counter("worst_ms") < 1000)};
    } else if (name.startsWith("BM_ArchiveStore/")) {
        const int kind = qBound(0, args.value("kind"), 2);
        const QString what[] = {
            QString("a settings snapshot (%1 registers)").arg(counter("registers")),
            QString("a %1-sample fault record").arg(counter("samples")),
            QString("a %1-entry journal, every entry new").arg(counter("entries"))};
        rows << Row{"9. archive, SQLite file on disk: storing " + what[kind],
                    number(timeIn(run, "ms"), 2) + " ms (worst " + number(counter("worst_ms"), 2) +
                        " ms)",
                    "",
                    "",
                    "< 20 ms",
                    verdict(counter("worst_ms") < 20)};
    } else if (name.startsWith("BM_ArchiveList/")) {
        const bool relays = args.value("relays") != 0;
        rows << Row{
            QString("9. archive of %1 snapshots: %2")
                .arg(counter("snapshots"))
                .arg(relays ? QString("relays() (%1 relays)").arg(counter("listed"))
                            : QString("the items of one relay (%1)").arg(counter("listed"))),
            number(timeIn(run, "ms"), 2) + " ms (worst " + number(counter("worst_ms"), 2) + " ms)",
            "",
            "",
            "< 100 ms",
            verdict(counter("worst_ms") < 100)};
    } else if (name.startsWith("BM_CollectMemory")) {
        const double growth = counter("rss_all_MiB") - counter("rss_one_MiB");
        rows << Row{QString("10. collect of %1 relays on 8 lines: peak resident memory against "
                            "one relay")
                        .arg(counter("relays")),
                    number(counter("rss_all_MiB"), 1) + " MiB (one relay " +
                        number(counter("rss_one_MiB"), 1) + " MiB, +" + number(growth, 1) + " MiB)",
                    "",
                    "",
                    "≤ +20 MiB",
                    verdict(growth <= 20)};
    } else if (name.startsWith("BM_Collect/")) {
        const bool oneLine = args.value("one_line") != 0;
        const int relays = args.value("relays");
        const double ratio = counter("floor_ratio");
        const double goal = oneLine ? 1.05 : 1.15;
        rows << Row{oneLine ? QString("10. collect, %1 relays on one line (floor: the sum of each "
                                      "alone)")
                                  .arg(relays)
                            : QString("10. collect, %1 relays on %1 lines (floor: the slowest "
                                      "alone)")
                                  .arg(relays),
                    number(timeIn(run, "s"), 2) + " s",
                    number(counter("floor_ms") / 1000, 2) + " s",
                    number(ratio, 4),
                    QString("≤ %1 × floor").arg(goal),
                    verdict(ratio <= goal)};
    } else if (name.startsWith("BM_PollingMemory/")) {
        const double rssGrowth = counter("rss_growth_KiB");
        const double heapGrowth = counter("heap_growth_KiB");
        rows << Row{
            QString("6. %1 demo polls (one hour at 1 s): resident memory").arg(counter("polls")),
            number(counter("rss_end_MiB"), 1) + " MiB",
            "",
            "",
            "",
            ""};
        // Allocator and font caches settle during the first polls; after
        // them a leak of even one small block per poll would show here.
        rows << Row{"6. growth from poll 100 to the last: resident / heap in use",
                    number(rssGrowth, 0) + " KiB / " + number(heapGrowth, 1) + " KiB",
                    "",
                    "",
                    "no growth",
                    verdict(heapGrowth < 16 && rssGrowth < 256)};
    }
}

// The paced-line runs, by work and mode (0 today's, 1 the new one).
using PacedRuns = QMap<int, QMap<int, QJsonObject>>;

QString seconds(const QJsonObject& run)
{
    return number(run.value("measured_ms").toDouble() / 1000, 2) + " s";
}

QString milliseconds(const QJsonObject& run)
{
    return number(run.value("measured_ms").toDouble(), 1) + " ms";
}

bool failed(const QJsonObject& run)
{
    return run.isEmpty() || run.value("error_occurred").toBool();
}

// A cell of one mode's figure, or why there is none.
QString cell(const QJsonObject& run, const std::function<QString(const QJsonObject&)>& format)
{
    if (run.isEmpty())
        return "—";
    if (failed(run))
        return "failed: " + run.value("error_message").toString();
    return format(run);
}

QString noisyCell(const QJsonObject& run)
{
    return QString("%1 (clean %2 s, %3 lost, %4 corrupted; bound %5 s)")
        .arg(seconds(run))
        .arg(number(run.value("clean_ms").toDouble() / 1000, 2))
        .arg(run.value("dropped").toDouble())
        .arg(run.value("corrupted").toDouble())
        .arg(number(run.value("bound_ms").toDouble() / 1000, 2));
}

// The benchmark fails the run when the data read differs from the clean read.
QString lateCell(const QJsonObject& run)
{
    return QString("%1 (clean %2 s, %3 late answers)")
        .arg(seconds(run))
        .arg(number(run.value("clean_ms").toDouble() / 1000, 2))
        .arg(run.value("late").toDouble());
}

void printPacedTable(const PacedRuns& runs)
{
    if (runs.isEmpty())
        return;
    struct Work
    {
        int id;
        const char* what;
        const char* goal;
        std::function<QString(const QJsonObject&)> format;
        // Whether the new mode's run meets the goal.
        std::function<bool(const QJsonObject&)> met;
    };
    const auto underSeconds = [](double limit) {
        return [limit](const QJsonObject& run) {
            return run.value("measured_ms").toDouble() <= limit * 1000;
        };
    };
    const QList<Work> works = {
        {0, "one poll (3 reads of 85 registers)", "≤ 1.1 × floor", milliseconds,
         [](const QJsonObject& run) {
             return run.value("measured_ms").toDouble() <= 1.1 * run.value("floor_ms").toDouble();
         }},
        {1, "720-sample fault record", "≤ 7 s", seconds, underSeconds(7)},
        {2, "journal (30 entries)", "≤ 1 s", seconds, underSeconds(1)},
        {3, "writing 77 settings (154 writes)", "≤ 2.5 s", seconds, underSeconds(2.5)},
        {4, "150-sample record, every 4th answer lost, every 7th corrupted",
         "≤ clean + 2.1 s × lost + 0.6 s × corrupted", noisyCell,
         [](const QJsonObject& run) {
             return run.value("measured_ms").toDouble() <= run.value("bound_ms").toDouble();
         }},
        {5, "720-sample fault record over RTU over TCP (loopback)", "≤ 7 s", seconds,
         underSeconds(7)},
        {6, "720-sample fault record, one answer in ten 1.5 s late", "the relay's data", lateCell,
         [](const QJsonObject&) { return true; }},
    };
    std::printf("\n| work (19200 Bd, silence 100 ms) | today's mode: frame end by silence, one "
                "sample or entry a request | frame end by length, batched reads | floor of the "
                "new mode's exchanges | goal | met |\n");
    std::printf("|---|---|---|---|---|---|\n");
    for (const Work& work : works) {
        const QJsonObject today = runs.value(work.id).value(0);
        const QJsonObject fast = runs.value(work.id).value(1);
        if (today.isEmpty() && fast.isEmpty())
            continue;
        QString floor;
        if (!failed(fast)) {
            const double floorMs = fast.value("floor_ms").toDouble();
            floor = work.id == 0 ? number(floorMs, 1) + " ms" : number(floorMs / 1000, 2) + " s";
        }
        bool met = !failed(fast) && work.met(fast);
        // On the noisy line the bound holds for either mode.
        if (work.id == 4 && !today.isEmpty())
            met = met && !failed(today) && work.met(today);
        std::printf("| %s | %s | %s | %s | %s | %s |\n", work.what,
                    qPrintable(cell(today, work.format)), qPrintable(cell(fast, work.format)),
                    qPrintable(floor), work.goal, qPrintable(verdict(met)));
    }
}

} // namespace

namespace ResultTable {

int print(const QStringList& jsonFiles)
{
    QList<Row> rows;
    PacedRuns paced;
    for (const QString& path : jsonFiles) {
        QFile file(path);
        if (!file.open(QIODevice::ReadOnly)) {
            std::fprintf(stderr, "cannot read %s\n", qPrintable(path));
            return 1;
        }
        const QJsonArray runs =
            QJsonDocument::fromJson(file.readAll()).object().value("benchmarks").toArray();
        for (const QJsonValue& value : runs) {
            const QJsonObject run = value.toObject();
            const QString name = run.value("name").toString();
            if (name.startsWith("BM_PacedLine/")) {
                const QMap<QString, int> args = arguments(name);
                paced[args.value("work")][args.value("fast")] = run;
                continue;
            }
            addRows(run, rows);
        }
    }
    std::printf("| measurement | measured | floor | ratio to floor | goal | met |\n");
    std::printf("|---|---|---|---|---|---|\n");
    for (const Row& row : rows)
        std::printf("| %s | %s | %s | %s | %s | %s |\n", qPrintable(row.what),
                    qPrintable(row.value), qPrintable(row.floor), qPrintable(row.ratio),
                    qPrintable(row.goal), qPrintable(row.met));
    printPacedTable(paced);
    return 0;
}

} // namespace ResultTable
