#include "relay/ConfigFile.h"

#include "relay/IModBusDev.h"
#include "relay/SettingWrite.h"

#include <QByteArray>
#include <QFile>
#include <QJsonArray>
#include <QJsonObject>
#include <QJsonParseError>
#include <QJsonValue>
#include <QSaveFile>
#include <QString>

const char ConfigFile::rangesTemplate[] =
    "{  \"regs\": [    {       \"start\":8,       \"length\":47,       \"values\":[]    },    "
    "{       \"start\":56,       \"length\":15,       \"values\":[]    },    {       "
    "\"start\":72,       \"length\":2,       \"values\":[]    }  ]}";

namespace {

const QString regsKey = QStringLiteral("regs");
const QString startKey = QStringLiteral("start");
const QString lengthKey = QStringLiteral("length");
const QString valuesKey = QStringLiteral("values");

// Register addresses are 16-bit: a range running past 65535 continues at 0.
uint16_t registerAddress(int start, int offset)
{
    return static_cast<uint16_t>(static_cast<uint32_t>(start) + static_cast<uint32_t>(offset));
}

} // namespace

ConfigFile::ConfigFile(IModBusDev* dev) : device(dev) {}

QJsonDocument ConfigFile::document() const
{
    QJsonParseError error;
    const QJsonDocument ranges = QJsonDocument::fromJson(QByteArray(rangesTemplate), &error);
    if (error.error != QJsonParseError::NoError || !ranges.isObject())
        return QJsonDocument();

    QJsonArray filled;
    const QJsonArray templateRanges = ranges.object().value(regsKey).toArray();
    for (const QJsonValue item : templateRanges) {
        QJsonObject range = item.toObject();
        const int start = range.value(startKey).toInt();
        const int length = range.value(lengthKey).toInt();
        QJsonArray values;
        for (int j = 0; j < length; ++j) {
            const uint16_t value =
                device != nullptr ? device->getRegister(registerAddress(start, j)) : 0;
            values.append(static_cast<int>(value));
        }
        range.insert(valuesKey, values);
        filled.append(range);
    }

    QJsonObject root;
    root.insert(regsKey, filled);
    return QJsonDocument(root);
}

bool ConfigFile::save(const QString& fileName, const QJsonObject& notes) const
{
    QJsonObject root = document().object();
    for (auto note = notes.constBegin(); note != notes.constEnd(); ++note) {
        if (note.key() != regsKey)
            root.insert(note.key(), note.value());
    }
    return write(fileName, root);
}

bool ConfigFile::write(const QString& fileName, const QJsonObject& root)
{
    const QByteArray text = QJsonDocument(root).toJson(QJsonDocument::Indented);
    QSaveFile file(fileName);
    if (!file.open(QIODevice::WriteOnly))
        return false;
    // The text sits in the file's write buffer until flushed, and commit()
    // would rename a temporary file cut short by a full disk over the old
    // one: a failed flush has to cancel the save here.
    if (file.write(text) != text.size() || !file.flush()) {
        file.cancelWriting();
        return false;
    }
    // A failed rename removes the temporary file and leaves the old one as it was.
    return file.commit();
}

QJsonDocument ConfigFile::load(const QString& fileName, bool* ok)
{
    if (ok != nullptr)
        *ok = false;

    QFile file(fileName);
    if (!file.open(QIODevice::ReadOnly))
        return QJsonDocument();
    const QByteArray text = file.readAll();
    const bool readFailed = file.error() != QFileDevice::NoError;
    file.close();
    if (readFailed)
        return QJsonDocument();

    QJsonParseError error;
    const QJsonDocument doc = QJsonDocument::fromJson(text, &error);
    if (error.error != QJsonParseError::NoError)
        return QJsonDocument();

    if (ok != nullptr)
        *ok = true;
    return doc;
}

bool ConfigFile::hasRanges(const QJsonDocument& doc)
{
    return doc.isObject() && doc.object().value(regsKey).isArray();
}

QVector<ConfigFile::RegisterValue> ConfigFile::registerValues(const QJsonDocument& doc)
{
    QVector<RegisterValue> result;
    const QJsonArray ranges = doc.object().value(regsKey).toArray();
    for (const QJsonValue item : ranges) {
        const QJsonObject range = item.toObject();
        const int start = range.value(startKey).toInt();
        const int length = range.value(lengthKey).toInt();
        if (length < 0 || length > maxRangeLength)
            continue;
        const QJsonArray values = range.value(valuesKey).toArray();
        for (int j = 0; j < length; ++j) {
            // A short "values" array leaves the rest of the range at 0.
            const int number = j < values.size() ? values.at(j).toInt() : 0;
            result.append(RegisterValue{registerAddress(start, j), static_cast<uint16_t>(number)});
        }
    }
    return result;
}

void ConfigFile::apply(const QJsonDocument& doc, uint16_t password) const
{
    apply(registerValues(doc), password);
}

void ConfigFile::apply(const QVector<RegisterValue>& values, uint16_t password) const
{
    if (device == nullptr)
        return;
    for (const RegisterValue& item : values)
        writeSetting(*device, item.reg, item.value, password);
}
