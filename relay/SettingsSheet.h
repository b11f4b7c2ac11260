#ifndef TALVIK_RELAY_SETTINGSSHEET_H
#define TALVIK_RELAY_SETTINGSSHEET_H

#include <QDateTime>
#include <QString>

#include <cstdint>
#include <functional>

class QIODevice;

// The settings sheet an engineer leaves with the customer: every setting
// with its caption, value, unit and register, grouped as on the window's
// pages, under a heading that names the object, the relay and when the
// values were taken. Written as HTML or, through Qt's own PDF writer, as PDF.
class SettingsSheet
{
public:
    struct Heading
    {
        // "Объект / присоединение" as the engineer typed it.
        QString object;
        // 0 when not known: a settings file that does not say.
        int address = 1;
        // "/dev/ttyUSB0 · 19200", "Демо" or a file name.
        QString connection;
        // Where the values come from: the relay or a settings file.
        QString source;
        QDateTime time;
    };
    // The value of a register, or false when the source does not hold it.
    using ValueOf = std::function<bool(uint16_t reg, uint16_t* value)>;

    static QString html(const Heading& heading, const ValueOf& valueOf);
    // PDF of the HTML on A4 pages; needs a GUI application object (fonts).
    static bool writePdf(QIODevice& device, const QString& html);
    // Writes html (".html") or PDF (any other name) through a temporary file
    // that replaces fileName only when complete.
    static bool save(const QString& fileName, const QString& html);
    // Whether save() writes this name as HTML (and so needs no fonts).
    static bool writesHtml(const QString& fileName);
};

#endif
