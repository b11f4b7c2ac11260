#include "cli/CommandOptions.h"

#include "collect/Inventory.h"
#include "relay/LineLimits.h"

#include "relay/RelayMap.h"
#include "relay/SettingsSheet.h"

#include <QCommandLineOption>
#include <QCommandLineParser>
#include <QCoreApplication>
#include <QRegularExpression>

#include <climits>
#include <cmath>

namespace {

using Command = CommandOptions::Command;

using LineLimits::maxAddress;
using LineLimits::maxCharInterval;
using LineLimits::minAddress;
using LineLimits::minCharInterval;
// Up to the window's longest poll period of 100 s; below 100 ms every poll
// would only be skipped while the last one is still on the line.
constexpr int minPeriodMs = 100;
constexpr int maxPeriodMs = 100000;

// What each command takes besides the connection options.
enum Takes
{
    TakesConnection = 0x01,
    TakesJson = 0x02,
    TakesMonitor = 0x04,
    TakesOut = 0x08,
    TakesQuiet = 0x10,
    TakesPassword = 0x20,
    TakesSheet = 0x40,
    TakesIgnore = 0x80,
    TakesArchive = 0x100,
    TakesAnalysis = 0x200,
    // The frame end, which collect applies to every relay of its inventory.
    TakesLineTiming = 0x400
};

struct CommandEntry
{
    const char* name;
    Command command;
    // The one positional argument after the command's name, if any.
    const char* argument;
    int takes;
    // What --help says it does; "\n" continues on the next line.
    const char* summary;
};

const CommandEntry commandEntries[] = {
    {"values", Command::Values, nullptr, TakesConnection | TakesJson,
     "текущие значения (один опрос)"},
    {"monitor", Command::Monitor, nullptr, TakesConnection | TakesJson | TakesMonitor,
     "значения при каждом опросе (--count, --period)"},
    {"settings-read", Command::SettingsRead, "FILE", TakesConnection, "уставки в файл JSON"},
    {"records-list", Command::RecordsList, nullptr, TakesConnection | TakesJson,
     "список осциллограмм"},
    {"records-read", Command::RecordsRead, "N|all", TakesConnection | TakesOut | TakesQuiet,
     "осциллограммы в файлы COMTRADE (--out)"},
    {"journal-read", Command::JournalRead, "FILE", TakesConnection, "журнал событий в файл CSV"},
    {"comtrade-info", Command::ComtradeInfo, "FILE.cfg", TakesJson | TakesAnalysis,
     "сведения о файле COMTRADE (без связи с устройством);\n"
     "--at: векторы, гармоники и симметричные составляющие\n"
     "в момент от пуска; --events: изменения дискретных каналов"},
    // The connection only with one file: see takenBy().
    {"settings-diff", Command::SettingsDiff, "FILE [FILE2]",
     TakesConnection | TakesJson | TakesIgnore,
     "отличия уставок файла от уставок реле,\n"
     "или FILE2 от FILE (без связи с реле; --ignore)"},
    {"settings-write", Command::SettingsWrite, "FILE", TakesConnection | TakesJson | TakesPassword,
     "запись отличающихся уставок файла с проверкой\n"
     "(--password; без --yes только показывает отличия)"},
    // The connection only with --relay: see takenBy().
    {"settings-sheet", Command::SettingsSheet, "FILE|--relay", TakesOut | TakesSheet,
     "карта уставок в файл PDF или HTML (--out);\n"
     "PDF строится без дисплея"},
    // The connection comes from the inventory: see checkApplicable().
    {"collect", Command::Collect, "INVENTORY.json",
     TakesJson | TakesOut | TakesArchive | TakesLineTiming,
     "уставки, журнал и новые осциллограммы всех реле описи\n"
     "в архив и в папку --out; разные линии одновременно"},
    {"view", Command::View, "FILE.cfg", 0, "осциллограмма COMTRADE в окне просмотра"},
    // Its own arguments: see readArchiveArguments().
    {"archive", Command::Archive, "relays|list NAME|show ID|diff ID1 ID2",
     TakesJson | TakesOut | TakesArchive | TakesIgnore,
     "архив: реле; записи реле; запись в файл (--out);\n"
     "сравнение двух снимков уставок (без связи с реле)"},
};

// The help's list of commands, from the command table: the name and its
// argument in a column 23 characters wide, then what it does.
QString commandList()
{
    constexpr int column = 23;
    const QString indent(2 + column, QLatin1Char(' '));
    QString text;
    for (const CommandEntry& entry : commandEntries) {
        QString left = QLatin1String(entry.name);
        if (entry.argument != nullptr)
            left += QLatin1Char(' ') + QLatin1String(entry.argument);
        left = left.size() < column ? left.leftJustified(column) : left + QStringLiteral("  ");
        const QStringList lines = QString::fromUtf8(entry.summary).split(QLatin1Char('\n'));
        text += QStringLiteral("  ") + left + lines.first() + QLatin1Char('\n');
        for (int i = 1; i < lines.size(); ++i)
            text += indent + lines.at(i) + QLatin1Char('\n');
    }
    return text;
}

QString description()
{
    return QStringLiteral("Сервисный клиент терминала TALVIK.\n"
                          "Без аргументов открывает окно программы; с командой работает без "
                          "окна.\n"
                          "\n"
                          "Команды:\n") +
           commandList() +
           QStringLiteral("\n"
                          "Связь: --port, или --tcp / --modbus-tcp через сеть; по умолчанию ответ "
                          "принимается,\n"
                          "как только пришло ожидаемое число байт (--silence-only: только по "
                          "паузе).\n"
                          "\n"
                          "Коды завершения: 0 успешно, 1 уставки отличаются (settings-diff, "
                          "archive diff,\n"
                          "settings-write без --yes), 2 ошибка в параметрах, 3 нет связи с "
                          "устройством,\n"
                          "отказ устройства или записанная уставка не подтвердилась, 4 ошибка "
                          "чтения или\n"
                          "записи файла или архива.\n"
                          "collect: 3, если хотя бы одно реле описи не прочитано полностью "
                          "(таблица\n"
                          "в конце говорит, какое и почему).\n"
                          "\n"
                          "Архив: --archive ФАЙЛ.sqlite | postgresql://узел/база | none, иначе "
                          "TALVIK_ARCHIVE\n"
                          "или настройки программы (archive/location), иначе "
                          "~/.local/share/talvik/archive.sqlite.");
}

// Every option of the program, as the parser knows them.
struct Options
{
    QCommandLineOption demo{"demo", "Демонстрационный режим (без устройства)."};
    QCommandLineOption port{"port", "Последовательный порт, например /dev/ttyUSB0.", "NAME"};
    QCommandLineOption tcp{"tcp", "Шлюз Ethernet в прозрачном режиме (RTU поверх TCP).",
                           "HOST:PORT"};
    QCommandLineOption modbusTcp{"modbus-tcp", "Устройство или шлюз Modbus TCP.", "HOST:PORT"};
    QCommandLineOption silenceOnly{"silence-only",
                                   "Конец кадра только по паузе, чтение записей по одной."};
    QCommandLineOption baud{"baud", "Скорость: 9600, 19200 или 38400 (19200).", "RATE"};
    QCommandLineOption address{"address", "Адрес устройства 1..247 (1).", "N"};
    QCommandLineOption charInterval{"char-interval", "Пауза конца кадра, 40..200 мс (100).", "MS"};
    QCommandLineOption json{"json", "Вывод в формате JSON."};
    QCommandLineOption verbose{"verbose", "Журнал обмена (уровень отладки) в stderr."};
    QCommandLineOption logFile{"log-file",
                               "Журнал обмена (уровень отладки) также в файл PATH с отметками "
                               "времени; для папки — файл на каждый день.",
                               "PATH"};
    QCommandLineOption count{"count", "monitor: число опросов (без него до Ctrl+C).", "N"};
    QCommandLineOption period{"period", "monitor: период опроса, 100..100000 мс (1000).", "MS"};
    QCommandLineOption out{"out",
                           "records-read, collect: папка для файлов; settings-sheet: файл .pdf "
                           "или .html.",
                           "PATH"};
    QCommandLineOption quiet{"quiet", "records-read: без хода чтения в stderr."};
    QCommandLineOption password{"password",
                                "settings-write: пароль, шестнадцатеричные цифры, как в окне "
                                "(1234 и 0x1234 — одно и то же, 0..FFFF).",
                                "HEX"};
    QCommandLineOption passwordDecimal{
        "password-decimal",
        "settings-write: пароль десятичным числом 0..65535 (вместо --password).", "N"};
    QCommandLineOption yes{"yes", "settings-write: записать (без него ничего не записывается)."};
    QCommandLineOption relay{"relay", "settings-sheet: уставки из реле, а не из файла."};
    QCommandLineOption object{"object", "settings-sheet: объект / присоединение.", "TEXT"};
    QCommandLineOption archive{"archive",
                               "Архив этого запуска: файл .sqlite, postgresql://узел/база или none "
                               "(без архива); иначе TALVIK_ARCHIVE или настройки программы.",
                               "PLACE"};
    QCommandLineOption name{
        "name", "Имя реле в архиве «Объект / присоединение» (по умолчанию «ПОРТ · адрес N»).",
        "TEXT"};
    QCommandLineOption at{
        "at", "comtrade-info: анализ в момент MS от пуска (отрицательный — до пуска).", "MS"};
    QCommandLineOption reference{
        "reference", "comtrade-info --at: опорный канал углов (по умолчанию первый аналоговый).",
        "NAME"};
    QCommandLineOption events{"events", "comtrade-info: изменения дискретных каналов."};
    QCommandLineOption ignore{
        "ignore", "settings-diff: регистры, которые не сравнивать, через запятую (52,53,54).",
        "LIST"};

    void addTo(QCommandLineParser& parser) const
    {
        for (const QCommandLineOption* option : {&demo,
                                                 &port,
                                                 &tcp,
                                                 &modbusTcp,
                                                 &baud,
                                                 &address,
                                                 &charInterval,
                                                 &silenceOnly,
                                                 &json,
                                                 &verbose,
                                                 &logFile,
                                                 &count,
                                                 &period,
                                                 &out,
                                                 &quiet,
                                                 &password,
                                                 &passwordDecimal,
                                                 &yes,
                                                 &relay,
                                                 &object,
                                                 &ignore,
                                                 &archive,
                                                 &name,
                                                 &at,
                                                 &reference,
                                                 &events})
            parser.addOption(*option);
    }
};

QString dashed(const QCommandLineOption& option)
{
    return QStringLiteral("--") + option.names().constFirst();
}

// The number of an option within [min, max]; false with a message otherwise.
bool numberOf(const QCommandLineParser& parser, const QCommandLineOption& option, int min, int max,
              int* value, QString* message)
{
    const QString text = parser.value(option);
    bool ok = false;
    const int number = text.toInt(&ok);
    if (ok && number >= min && number <= max) {
        *value = number;
        return true;
    }
    *message = QStringLiteral("Неверное значение %1: %2 (допустимо %3..%4)")
                   .arg(dashed(option), text)
                   .arg(min)
                   .arg(max);
    return false;
}

// Qt's own text when an option misses its value names the option in quotes.
QString parserError(const QCommandLineParser& parser)
{
    const QStringList unknown = parser.unknownOptionNames();
    if (!unknown.isEmpty()) {
        const QString& name = unknown.constFirst();
        return QStringLiteral("Неизвестный параметр: %1%2")
            .arg(name.size() == 1 ? QStringLiteral("-") : QStringLiteral("--"), name);
    }
    const QRegularExpressionMatch quoted =
        QRegularExpression(QStringLiteral("'([^']+)'")).match(parser.errorText());
    if (quoted.hasMatch())
        return QStringLiteral("Не указано значение параметра %1").arg(quoted.captured(1));
    return QStringLiteral("Ошибка в параметрах: %1").arg(parser.errorText());
}

const CommandEntry* findCommand(const QString& name)
{
    for (const CommandEntry& entry : commandEntries) {
        if (name == QLatin1String(entry.name))
            return &entry;
    }
    return nullptr;
}

// settings-diff FILE FILE2 compares two files.
bool comparesTwoFiles(const QCommandLineParser& parser, const CommandEntry& entry)
{
    return entry.command == Command::SettingsDiff && parser.positionalArguments().size() == 3;
}

// What the command takes with these options: settings-sheet talks to the
// relay only with --relay, settings-diff only with one file.
int takenBy(const QCommandLineParser& parser, const Options& options, const CommandEntry& entry)
{
    if (entry.command == Command::SettingsSheet && parser.isSet(options.relay))
        return entry.takes | TakesConnection;
    if (comparesTwoFiles(parser, entry))
        return entry.takes & ~TakesConnection;
    return entry.takes;
}

// An option set that the command does not use is refused rather than ignored:
// a script that passes it expects something that would not happen.
bool checkApplicable(const QCommandLineParser& parser, const Options& options,
                     const CommandEntry& entry, QString* message)
{
    const int takes = takenBy(parser, options, entry);
    const struct
    {
        const QCommandLineOption* option;
        int takes;
    } rules[] = {
        {&options.demo, TakesConnection},
        {&options.port, TakesConnection},
        {&options.tcp, TakesConnection},
        {&options.modbusTcp, TakesConnection},
        {&options.silenceOnly, TakesConnection | TakesLineTiming},
        {&options.baud, TakesConnection},
        {&options.address, TakesConnection},
        {&options.charInterval, TakesConnection | TakesLineTiming},
        {&options.json, TakesJson},
        {&options.count, TakesMonitor},
        {&options.period, TakesMonitor},
        {&options.out, TakesOut},
        {&options.quiet, TakesQuiet},
        {&options.password, TakesPassword},
        {&options.passwordDecimal, TakesPassword},
        {&options.at, TakesAnalysis},
        {&options.reference, TakesAnalysis},
        {&options.events, TakesAnalysis},
        {&options.yes, TakesPassword},
        {&options.relay, TakesSheet},
        {&options.object, TakesSheet},
        {&options.ignore, TakesIgnore},
        {&options.archive, TakesConnection | TakesArchive},
        {&options.name, TakesConnection},
    };
    for (const auto& rule : rules) {
        if (parser.isSet(*rule.option) && (takes & rule.takes) == 0) {
            *message = QStringLiteral("Параметр %1 не используется командой %2")
                           .arg(dashed(*rule.option), QLatin1String(entry.name));
            if (entry.command == Command::Collect && (rule.takes & TakesConnection) != 0)
                *message += QStringLiteral(": связь с каждым реле задаёт опись");
            return false;
        }
    }
    return true;
}

// HOST:PORT of --tcp or --modbus-tcp into the settings.
bool readNetworkAddress(const QCommandLineParser& parser, const QCommandLineOption& option,
                        RelayConnection::Settings* settings, QString* message)
{
    const QString text = parser.value(option);
    if (Inventory::readHostPort(text, &settings->host, &settings->tcpPort))
        return true;
    *message = QStringLiteral("Неверное значение %1: %2 (нужно УЗЕЛ:ПОРТ, порт 1..65535)")
                   .arg(dashed(option), text);
    return false;
}

// The frame end: by length unless --silence-only, the silence of --char-interval.
bool readLineTiming(const QCommandLineParser& parser, const Options& options,
                    RelayConnection::Settings* settings, QString* message)
{
    settings->lengthFraming = !parser.isSet(options.silenceOnly);
    return !parser.isSet(options.charInterval) ||
           numberOf(parser, options.charInterval, minCharInterval, maxCharInterval,
                    &settings->charInterval, message);
}

bool readConnection(const QCommandLineParser& parser, const Options& options,
                    RelayConnection::Settings* settings, QString* message)
{
    const bool demo = parser.isSet(options.demo);
    const bool port = parser.isSet(options.port);
    const bool tcp = parser.isSet(options.tcp);
    const bool modbusTcp = parser.isSet(options.modbusTcp);
    const int ways = int(demo) + int(port) + int(tcp) + int(modbusTcp);
    if (ways != 1) {
        *message = ways > 1 ? QStringLiteral("Укажите только один из параметров --demo, --port, "
                                             "--tcp и --modbus-tcp")
                            : QStringLiteral("Укажите --demo, --port, --tcp или --modbus-tcp");
        return false;
    }
    if (!readLineTiming(parser, options, settings, message))
        return false;
    if (tcp || modbusTcp) {
        settings->transport =
            tcp ? RelayConnection::Transport::RtuOverTcp : RelayConnection::Transport::ModbusTcp;
        if (!readNetworkAddress(parser, tcp ? options.tcp : options.modbusTcp, settings, message))
            return false;
    }
    settings->demo = demo;
    settings->portName = parser.value(options.port);
    if (port && settings->portName.isEmpty()) {
        *message = QStringLiteral("Не указано значение параметра --port");
        return false;
    }
    if (parser.isSet(options.baud)) {
        const QString text = parser.value(options.baud);
        const int rate = text.toInt();
        if (!LineLimits::isBaudRate(rate)) {
            *message = QStringLiteral("Неверное значение --baud: %1 (допустимо 9600, 19200, 38400)")
                           .arg(text);
            return false;
        }
        settings->baudRate = rate;
    }
    int address = settings->deviceAddress;
    if (parser.isSet(options.address) &&
        !numberOf(parser, options.address, minAddress, maxAddress, &address, message))
        return false;
    settings->deviceAddress = static_cast<uint8_t>(address);
    return true;
}

bool readArgument(const CommandEntry& entry, const QString& argument, CommandOptions* result,
                  QString* message)
{
    if (entry.command != Command::RecordsRead) {
        result->path = argument;
        return true;
    }
    if (argument == QLatin1String("all")) {
        result->record = CommandOptions::allRecords;
        return true;
    }
    bool ok = false;
    const int number = argument.toInt(&ok);
    if (!ok || number < 0 || number >= RelayMap::recordFileCount) {
        *message = QStringLiteral("Неверный номер осциллограммы: %1 (допустимо 0..%2 или all)")
                       .arg(argument)
                       .arg(RelayMap::recordFileCount - 1);
        return false;
    }
    result->record = number;
    return true;
}

// After the command's name: its one argument if it names one; settings-sheet
// takes its file or --relay.
bool checkArgumentCount(const QCommandLineParser& parser, const Options& options,
                        const CommandEntry& entry, QString* message)
{
    const QStringList positional = parser.positionalArguments();
    if (entry.command == Command::Archive)
        return true;
    int expected = entry.argument != nullptr ? 2 : 1;
    if (entry.command == Command::SettingsSheet && parser.isSet(options.relay)) {
        if (positional.size() > 1) {
            *message =
                QStringLiteral("Укажите файл или --relay, но не оба: %1").arg(positional.at(1));
            return false;
        }
        expected = 1;
    }
    if (comparesTwoFiles(parser, entry))
        expected = 3;
    if (positional.size() < expected) {
        // "FILE [FILE2]": the optional part is not needed.
        const QString needed = QString::fromLatin1(entry.argument).section(QLatin1Char(' '), 0, 0);
        *message =
            QStringLiteral("Команде %1 нужен аргумент %2").arg(QLatin1String(entry.name), needed);
        return false;
    }
    if (positional.size() > expected) {
        *message = QStringLiteral("Лишний аргумент: %1").arg(positional.at(expected));
        return false;
    }
    return true;
}

// records-read's folder, settings-sheet's file or collect's folder (which
// may be left out).
bool readOut(const QCommandLineParser& parser, const Options& options, const CommandEntry& entry,
             CommandOptions* result, QString* message)
{
    const QString out = parser.value(options.out);
    if (entry.command == Command::Collect) {
        if (parser.isSet(options.out) && out.isEmpty()) {
            *message = QStringLiteral("Не указано значение параметра --out");
            return false;
        }
        result->outFolder = out;
        return true;
    }
    if (out.isEmpty()) {
        *message = QStringLiteral("Команде %1 нужен параметр --out").arg(QLatin1String(entry.name));
        return false;
    }
    if (entry.command == Command::RecordsRead)
        result->path = out;
    else
        result->sheetPath = out;
    return true;
}

// The password dialog shows the password in hexadecimal, so it is taken in
// either base; a leading zero does not make it octal.
// The password is typed as the window's dialog takes it, in hexadecimal
// digits ("1234" is 0x1234, as is "0x1234"), so that the same text reaches
// the relay as the same number; --password-decimal takes a decimal one.
bool readPassword(const QCommandLineParser& parser, const Options& options, CommandOptions* result,
                  QString* message)
{
    const bool hexSet = parser.isSet(options.password);
    const bool decimalSet = parser.isSet(options.passwordDecimal);
    if (hexSet == decimalSet) {
        *message = hexSet ? QStringLiteral("Укажите только один из параметров --password и "
                                           "--password-decimal")
                          : QStringLiteral("Команде settings-write нужен параметр --password");
        return false;
    }
    QString text = parser.value(hexSet ? options.password : options.passwordDecimal);
    bool ok = false;
    uint number = 0;
    if (hexSet) {
        const QString digits =
            text.startsWith(QStringLiteral("0x"), Qt::CaseInsensitive) ? text.mid(2) : text;
        static const QRegularExpression hexDigits(QStringLiteral("^[0-9A-Fa-f]{1,4}$"));
        ok = hexDigits.match(digits).hasMatch();
        number = ok ? digits.toUInt(&ok, 16) : 0;
    } else {
        number = text.toUInt(&ok, 10);
    }
    if (!ok || number > 0xFFFF) {
        *message = hexSet ? QStringLiteral("Неверное значение --password: %1 (нужны "
                                           "шестнадцатеричные цифры 0..FFFF)")
                                .arg(text)
                          : QStringLiteral("Неверное значение --password-decimal: %1 (допустимо "
                                           "0..65535)")
                                .arg(text);
        return false;
    }
    result->password = static_cast<uint16_t>(number);
    result->confirmed = parser.isSet(options.yes);
    return true;
}

// comtrade-info --at MS [--reference NAME] and --events.
bool readAnalysis(const QCommandLineParser& parser, const Options& options, CommandOptions* result,
                  QString* message)
{
    result->events = parser.isSet(options.events);
    if (parser.isSet(options.reference) && !parser.isSet(options.at)) {
        *message = QStringLiteral("Параметр --reference нужен только вместе с --at");
        return false;
    }
    if (!parser.isSet(options.at))
        return true;
    const QString text = parser.value(options.at);
    bool ok = false;
    const double ms = text.toDouble(&ok);
    if (!ok || !std::isfinite(ms)) {
        *message =
            QStringLiteral("Неверное значение --at: %1 (нужно время в мс от пуска, например 12.5)")
                .arg(text);
        return false;
    }
    result->analyseAt = true;
    result->atMs = ms;
    result->reference = parser.value(options.reference);
    return true;
}

// settings-diff --ignore: register numbers separated by commas.
bool readIgnored(const QCommandLineParser& parser, const Options& options, CommandOptions* result,
                 QString* message)
{
    if (!parser.isSet(options.ignore))
        return true;
    const QString text = parser.value(options.ignore);
    for (const QString& item : text.split(QLatin1Char(','))) {
        bool ok = false;
        const uint reg = item.trimmed().toUInt(&ok);
        if (!ok || reg >= RelayMap::registerCount) {
            *message = QStringLiteral("Неверное значение --ignore: %1 (нужны номера регистров "
                                      "0..%2 через запятую)")
                           .arg(text)
                           .arg(RelayMap::registerCount - 1);
            return false;
        }
        result->ignored.insert(static_cast<uint16_t>(reg));
    }
    return true;
}

bool readNumbers(const QCommandLineParser& parser, const Options& options, CommandOptions* result,
                 QString* message)
{
    if (parser.isSet(options.count) &&
        !numberOf(parser, options.count, 1, INT_MAX, &result->count, message))
        return false;
    if (parser.isSet(options.period) &&
        !numberOf(parser, options.period, minPeriodMs, maxPeriodMs, &result->periodMs, message))
        return false;
    result->connection.pollPeriodMs = result->periodMs;
    return true;
}

// An archive item's id: a positive number.
bool readItemId(const QString& text, qint64* id, QString* message)
{
    bool ok = false;
    *id = text.toLongLong(&ok);
    if (ok && *id > 0)
        return true;
    *message = QStringLiteral("Неверный номер записи архива: %1").arg(text);
    return false;
}

// archive relays | list NAME | show ID --out PATH | diff ID1 ID2.
bool readArchiveArguments(const QCommandLineParser& parser, const Options& options,
                          CommandOptions* result, QString* message)
{
    using Action = CommandOptions::ArchiveAction;
    const struct
    {
        const char* name;
        Action action;
        int arguments;
        const char* usage;
    } actions[] = {{"relays", Action::Relays, 0, "archive relays"},
                   {"list", Action::List, 1, "archive list NAME"},
                   {"show", Action::Show, 1, "archive show ID --out PATH"},
                   {"diff", Action::Diff, 2, "archive diff ID1 ID2"}};
    const QStringList positional = parser.positionalArguments();
    if (positional.size() < 2) {
        *message = QStringLiteral("Команде archive нужно действие: relays, list, show или diff");
        return false;
    }
    for (const auto& known : actions) {
        if (positional.at(1) != QLatin1String(known.name))
            continue;
        const int given = positional.size() - 2;
        if (given != known.arguments) {
            *message =
                given < known.arguments
                    ? QStringLiteral("Использование: %1").arg(QLatin1String(known.usage))
                    : QStringLiteral("Лишний аргумент: %1").arg(positional.at(2 + known.arguments));
            return false;
        }
        result->archiveAction = known.action;
        const bool showing = known.action == Action::Show;
        if (parser.isSet(options.out) != showing) {
            *message = showing ? QStringLiteral("Команде archive show нужен параметр --out")
                               : QStringLiteral("Параметр --out нужен только archive show");
            return false;
        }
        if (parser.isSet(options.ignore) && known.action != Action::Diff) {
            *message = QStringLiteral("Параметр --ignore нужен только archive diff");
            return false;
        }
        result->path = parser.value(options.out);
        if (known.action == Action::List)
            result->archiveRelay = positional.at(2);
        if (known.action == Action::Show || known.action == Action::Diff) {
            if (!readItemId(positional.at(2), &result->itemId, message))
                return false;
        }
        return known.action != Action::Diff ||
               readItemId(positional.at(3), &result->secondItemId, message);
    }
    *message = QStringLiteral("Неизвестное действие archive: %1").arg(positional.at(1));
    return false;
}

bool readCommand(const QCommandLineParser& parser, const Options& options, CommandOptions* result,
                 QString* message)
{
    const QStringList positional = parser.positionalArguments();
    if (positional.isEmpty()) {
        *message = QStringLiteral("Не указана команда");
        return false;
    }
    const CommandEntry* entry = findCommand(positional.constFirst());
    if (entry == nullptr) {
        *message = QStringLiteral("Неизвестная команда: %1").arg(positional.constFirst());
        return false;
    }
    result->command = entry->command;
    result->fromRelay = entry->command == Command::SettingsSheet && parser.isSet(options.relay);
    if (!checkArgumentCount(parser, options, *entry, message) ||
        !checkApplicable(parser, options, *entry, message))
        return false;
    if (positional.size() > 1 && entry->command != Command::Archive &&
        !readArgument(*entry, positional.at(1), result, message))
        return false;
    if (comparesTwoFiles(parser, *entry))
        result->secondPath = positional.at(2);
    if (!readIgnored(parser, options, result, message))
        return false;
    if ((takenBy(parser, options, *entry) & TakesConnection) != 0 &&
        !readConnection(parser, options, &result->connection, message))
        return false;
    if (entry->command == Command::Collect &&
        !readLineTiming(parser, options, &result->connection, message))
        return false;
    if (entry->command == Command::Archive) {
        if (!readArchiveArguments(parser, options, result, message))
            return false;
    } else if ((entry->takes & TakesOut) != 0 &&
               !readOut(parser, options, *entry, result, message)) {
        return false;
    }
    if ((entry->takes & TakesPassword) != 0 && !readPassword(parser, options, result, message))
        return false;
    if (!readNumbers(parser, options, result, message) ||
        !readAnalysis(parser, options, result, message))
        return false;
    result->object = parser.value(options.object);
    result->archive = parser.value(options.archive);
    result->name = parser.value(options.name).trimmed();
    result->json = parser.isSet(options.json);
    result->verbose = parser.isSet(options.verbose);
    result->logFile = parser.value(options.logFile);
    result->quiet = parser.isSet(options.quiet);
    return true;
}

} // namespace

CommandOptions::Outcome CommandOptions::parse(const QStringList& arguments, CommandOptions* options,
                                              QString* message)
{
    QCommandLineParser parser;
    parser.setApplicationDescription(description());
    const QCommandLineOption help = parser.addHelpOption();
    const QCommandLineOption version = parser.addVersionOption();
    const Options known;
    known.addTo(parser);
    parser.addPositionalArgument(QStringLiteral("команда"), QStringLiteral("Команда (см. выше)."),
                                 QStringLiteral("команда [FILE|N|all]"));

    if (!parser.parse(arguments)) {
        *message = parserError(parser);
        return Outcome::UsageError;
    }
    if (parser.isSet(help)) {
        *message = parser.helpText();
        return Outcome::ShowHelp;
    }
    if (parser.isSet(version)) {
        *message = QCoreApplication::applicationName() + QLatin1Char(' ') +
                   QCoreApplication::applicationVersion();
        return Outcome::ShowVersion;
    }
    CommandOptions result;
    if (!readCommand(parser, known, &result, message))
        return Outcome::UsageError;
    *options = result;
    return Outcome::Run;
}

bool CommandOptions::needsGui(const QStringList& arguments)
{
    QCommandLineParser parser;
    const QCommandLineOption help = parser.addHelpOption();
    const QCommandLineOption version = parser.addVersionOption();
    const Options known;
    known.addTo(parser);
    CommandOptions result;
    QString message;
    if (!parser.parse(arguments) || parser.isSet(help) || parser.isSet(version) ||
        !readCommand(parser, known, &result, &message))
        return false;
    return result.command == Command::SettingsSheet && !SettingsSheet::writesHtml(result.sheetPath);
}

QString CommandOptions::relayName() const
{
    if (!name.isEmpty())
        return name;
    QString line = connection.portName;
    if (connection.demo)
        line = QStringLiteral("Демо");
    else if (connection.transport != RelayConnection::Transport::Serial)
        line = QStringLiteral("%1:%2").arg(connection.host).arg(connection.tcpPort);
    return QStringLiteral("%1 · адрес %2").arg(line).arg(connection.deviceAddress);
}
