#include "app/ArchivePage.h"

#include "app/AppSettings.h"
#include "app/ArchiveWindow.h"
#include "app/SettingsFilePage.h"
#include "app/SettingsPage.h"
#include "records/CrashProcessReader.h"
#include "records/LogReader.h"
#include "relay/ConfigFile.h"
#include "relay/VerificationReport.h"
#include "session/ArchiveLocation.h"
#include "session/RelayConnection.h"
#include "session/RelayHistory.h"

#include <QInputDialog>
#include <QMainWindow>
#include <QStatusBar>

namespace {

constexpr int failureShownMs = 15000;

} // namespace

ArchivePage::ArchivePage(const Parts& parts, QObject* parent) : QObject(parent), parts(parts)
{
    useLocation();
    ArchiveWindow::attach(
        parts.archiveAction, parts.window, parts.store, [this](ArchiveWindow* archive) {
            connect(archive, &ArchiveWindow::openSnapshotRequested, this->parts.filePage,
                    &SettingsFilePage::openValues);
            connect(archive, &ArchiveWindow::locationChanged, this, &ArchivePage::useLocation);
            connect(archive, &ArchiveWindow::compareWithRelayRequested, this->parts.settingsPage,
                    &SettingsPage::compareWithRelay);
            connect(archive, &ArchiveWindow::writeSnapshotRequested, this,
                    [this](const QVector<ConfigFile::RegisterValue>& values) {
                        writeSnapshot(values, QStringLiteral("Снимок архива"));
                    });
        });
    if (parts.store == nullptr)
        return;
    connect(parts.settingsPage, &SettingsPage::settingsSaved, this,
            &ArchivePage::keepSettingsImage);
    connect(parts.verifier, &SettingsVerifier::batchStarted, this,
            &ArchivePage::keepImageBeforeWrite);
    connect(parts.verifier, &SettingsVerifier::verified, this, &ArchivePage::keepWrite);
    connect(parts.connection->logReader(), &LogReader::logReadingFinished, this,
            &ArchivePage::keepJournal);
    connect(parts.connection->crashReader(), &CrashProcessReader::recordReadingFinished, this,
            &ArchivePage::keepRecord);
}

ArchivePage::~ArchivePage() = default;

void ArchivePage::useLocation()
{
    history = std::make_unique<RelayHistory>(
        parts.store != nullptr ? ArchiveLocation::resolve(QString(), parts.store) : QString());
}

QString ArchivePage::relayName()
{
    const RelayConnection::Settings& inForce = parts.connection->settings();
    const QString line = inForce.lineText();
    const int address = inForce.deviceAddress;
    const QString fallback = QStringLiteral("%1 · адрес %2")
                                 .arg(inForce.demo ? QStringLiteral("Демо") : inForce.portName)
                                 .arg(address);
    if (inForce.demo)
        return fallback;
    const QString kept = parts.settings->relayName(line, address);
    if (!kept.isEmpty())
        return kept;
    const QString key = QStringLiteral("%1|%2").arg(line).arg(address);
    if (asked.contains(key))
        return fallback;
    asked.insert(key);
    bool given = false;
    const QString name = QInputDialog::getText(
        parts.window, QStringLiteral("Архив"),
        QStringLiteral("Объект / присоединение (реле %1, адрес %2):").arg(line).arg(address),
        QLineEdit::Normal, fallback, &given);
    if (!given || name.trimmed().isEmpty())
        return fallback;
    parts.settings->setRelayName(line, address, name);
    return name.trimmed();
}

ArchiveRelayIdentity ArchivePage::identity()
{
    const RelayConnection::Settings& inForce = parts.connection->settings();
    return {relayName(), inForce.lineText(), inForce.deviceAddress};
}

void ArchivePage::keepSettingsImage()
{
    if (!history->enabled())
        return;
    history->keepSettings(identity(),
                          ConfigFile::registerValues(parts.connection->configFile()->document()));
    tellFailure();
}

void ArchivePage::keepImageBeforeWrite()
{
    imageBefore = ConfigFile::registerValues(parts.connection->configFile()->document());
}

// The whole image before and after: after, the written registers as they
// were read back (one not read back keeps its last known value).
void ArchivePage::keepWrite(const QVector<SettingsVerifier::Check>& checks)
{
    if (checks.isEmpty() || !history->enabled())
        return;
    QVector<ConfigFile::RegisterValue> imageAfter = imageBefore;
    for (ConfigFile::RegisterValue& item : imageAfter) {
        for (const SettingsVerifier::Check& check : checks) {
            if (check.reg == item.reg && check.readBack)
                item.value = check.actual;
        }
    }
    const VerificationReport report(checks);
    history->keepWrite(identity(), imageBefore, imageAfter, checks.size(), report.allHold(),
                       report.text());
    tellFailure();
}

void ArchivePage::keepJournal()
{
    if (!history->enabled())
        return;
    history->keepJournal(identity(), *parts.connection->logReader());
    tellFailure();
}

void ArchivePage::keepRecord(int number)
{
    if (!history->enabled())
        return;
    const CrashProcessReader* reader = parts.connection->crashReader();
    const CrashProcessHeader* header = reader->header(number);
    const QByteArray* samples = reader->samples(number);
    if (header == nullptr || samples == nullptr)
        return;
    history->keepRecord(identity(), *header, *samples);
    tellFailure();
}

// Shown as a file first, so that the relay is read and compared before
// anything is written.
void ArchivePage::writeSnapshot(const QVector<ConfigFile::RegisterValue>& values,
                                const QString& title)
{
    if (parts.filePage->openValues(values, title))
        parts.filePage->writeToRelay();
}

void ArchivePage::tellFailure()
{
    const QString failure = history->takeFailure();
    if (!failure.isEmpty())
        parts.window->statusBar()->showMessage(failure, failureShownMs);
}
