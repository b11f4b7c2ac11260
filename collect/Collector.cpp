#include "collect/Collector.h"

#include "collect/CollectJob.h"
#include "collect/CollectLine.h"
#include "session/RelayHistory.h"

#include <QFileInfo>
#include <QMap>

namespace {

// Relays with one key share a line, and so its one master: a serial port
// (however it is named: a udev symlink is the same device), a gateway's
// HOST:PORT whatever the protocol. Each demo relay is a line of its own.
QString lineKey(const InventoryRelay& relay, int index)
{
    const RelayConnection::Settings& settings = relay.connection;
    if (settings.demo)
        return QStringLiteral("demo %1").arg(index);
    if (settings.transport == RelayConnection::Transport::Serial) {
        const QString device = QFileInfo(settings.portName).canonicalFilePath();
        return QStringLiteral("port %1").arg(device.isEmpty() ? settings.portName : device);
    }
    return QStringLiteral("net %1:%2").arg(settings.host.toLower()).arg(settings.tcpPort);
}

} // namespace

Collector::Collector(const QVector<InventoryRelay>& relays, const CollectOptions& options,
                     QObject* parent)
    : QObject(parent), options(options),
      history(std::make_unique<RelayHistory>(options.archiveLocation))
{
    buildLines(relays);
}

// The lines' connections and the jobs go before the history the jobs keep
// into.
Collector::~Collector()
{
    qDeleteAll(lines);
    qDeleteAll(jobs);
}

QVector<int> Collector::lineNumbersOf(const QVector<InventoryRelay>& relays)
{
    QMap<QString, int> numbers;
    QVector<int> lineOf;
    for (int index = 0; index < relays.size(); ++index) {
        int& number = numbers[lineKey(relays.at(index), index)];
        if (number == 0)
            number = numbers.size();
        lineOf.append(number);
    }
    return lineOf;
}

void Collector::buildLines(const QVector<InventoryRelay>& relays)
{
    const QVector<int> lineOf = lineNumbersOf(relays);
    for (int index = 0; index < relays.size(); ++index) {
        InventoryRelay relay = relays.at(index);
        relay.connection.lengthFraming = !options.silenceOnly;
        relay.connection.charInterval = options.charInterval;
        auto* job = new CollectJob(relay, history.get(), options.outFolder, this);
        jobs.append(job);
        connect(job, &CollectJob::progress, this,
                [this, index](const QString& text) { emit progress(index, text); });
        connect(job, &CollectJob::stateChanged, this, [this, index] { emit relayChanged(index); });
        // Numbered in order of first appearance: a new number is the next line.
        if (lineOf.at(index) > lines.size()) {
            auto* line = new CollectLine(this);
            lines.append(line);
            connect(line, &CollectLine::finished, this, [this, line] { lineFinished(line); });
        }
        lines.at(lineOf.at(index) - 1)->add(job);
    }
}

Collector::Readiness Collector::prepare(QString* message)
{
    if (!options.outFolder.isEmpty()) {
        const QFileInfo folder(options.outFolder);
        if (!folder.isDir() || !folder.isWritable()) {
            *message = QStringLiteral("Невозможно записать в папку %1").arg(options.outFolder);
            return Readiness::FolderUnwritable;
        }
    }
    if (!history->enabled() && options.outFolder.isEmpty())
        return Readiness::NothingToKeep;
    if (history->isUsable())
        return Readiness::Ready;
    *message = history->takeFailure();
    return Readiness::ArchiveUnusable;
}

void Collector::start()
{
    linesRunning = lines.size();
    for (CollectLine* line : qAsConst(lines))
        line->start();
}

void Collector::stop()
{
    for (CollectLine* line : qAsConst(lines)) {
        if (line != nullptr)
            line->stop();
    }
}

// A line that has ended lets its port or network connection go (the window
// opens its own port again); the jobs keep their outcomes.
void Collector::lineFinished(CollectLine* line)
{
    const int index = lines.indexOf(line);
    lines[index] = nullptr;
    line->deleteLater();
    if (--linesRunning == 0)
        emit finished();
}
