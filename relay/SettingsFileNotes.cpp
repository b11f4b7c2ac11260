#include "relay/SettingsFileNotes.h"

#include "relay/ConfigFile.h"
#include "relay/IModBusDev.h"
#include "relay/SettingCatalog.h"

#include <QDateTime>
#include <QJsonArray>
#include <QJsonValue>
#include <QSet>

namespace {

// The registers a settings file holds: those of its template's ranges.
QSet<uint16_t> savedRegisters()
{
    QSet<uint16_t> registers;
    const QJsonArray ranges = QJsonDocument::fromJson(QByteArray(ConfigFile::rangesTemplate))
                                  .object()
                                  .value(QStringLiteral("regs"))
                                  .toArray();
    for (const QJsonValue range : ranges) {
        const int start = range.toObject().value(QStringLiteral("start")).toInt();
        const int length = range.toObject().value(QStringLiteral("length")).toInt();
        for (int reg = start; reg < start + length; ++reg)
            registers.insert(static_cast<uint16_t>(reg));
    }
    return registers;
}

} // namespace

QString SettingsFileNotes::programName()
{
    return QStringLiteral("TALVIK Клиент");
}

QString SettingsFileNotes::programVersion()
{
    return QStringLiteral(TALVIK_VERSION);
}

QJsonObject SettingsFileNotes::describe(const IModBusDev& image, uint8_t address,
                                        const QDateTime& saved)
{
    return describe(image, address, saved, savedRegisters());
}

QJsonObject SettingsFileNotes::describe(const IModBusDev& image, uint8_t address,
                                        const QDateTime& saved, const QSet<uint16_t>& inFile)
{
    QJsonArray settings;
    for (const SettingDescription& description : SettingCatalog::all()) {
        if (!inFile.contains(description.reg))
            continue;
        QJsonObject setting;
        setting.insert(QStringLiteral("register"), description.reg);
        setting.insert(QStringLiteral("caption"), description.caption());
        setting.insert(QStringLiteral("unit"), description.unit);
        setting.insert(QStringLiteral("value"),
                       description.valueText(image.getRegister(description.reg)));
        settings.append(setting);
    }
    QJsonObject program;
    program.insert(QStringLiteral("name"), programName());
    program.insert(QStringLiteral("version"), programVersion());

    QJsonObject notes;
    // With the offset from UTC, so the time means the same anywhere.
    notes.insert(QStringLiteral("saved"),
                 saved.toOffsetFromUtc(saved.offsetFromUtc()).toString(Qt::ISODate));
    notes.insert(QStringLiteral("address"), address);
    notes.insert(QStringLiteral("program"), program);
    notes.insert(QStringLiteral("settings"), settings);
    return notes;
}
