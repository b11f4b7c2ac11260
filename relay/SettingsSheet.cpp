#include "relay/SettingsSheet.h"

#include "relay/SettingCatalog.h"

#include <QPageSize>
#include <QPdfWriter>
#include <QSaveFile>
#include <QTextDocument>

namespace {

QString cell(const QString& text)
{
    return QStringLiteral("<td>%1</td>").arg(text.toHtmlEscaped());
}

QString headingLines(const SettingsSheet::Heading& heading)
{
    QString lines;
    auto line = [&lines](const QString& name, const QString& value) {
        lines += QStringLiteral("<tr><td><b>%1</b></td><td>%2</td></tr>")
                     .arg(name.toHtmlEscaped(), value.toHtmlEscaped());
    };
    line(QStringLiteral("Объект / присоединение"), heading.object);
    line(QStringLiteral("Адрес реле"),
         heading.address > 0 ? QString::number(heading.address) : QStringLiteral("—"));
    line(QStringLiteral("Связь"), heading.connection);
    line(QStringLiteral("Источник уставок"), heading.source);
    line(QStringLiteral("Дата и время"),
         heading.time.toString(QStringLiteral("dd.MM.yyyy hh:mm:ss")));
    return QStringLiteral("<table cellspacing=\"0\" cellpadding=\"2\">%1</table>").arg(lines);
}

} // namespace

QString SettingsSheet::html(const Heading& heading, const ValueOf& valueOf)
{
    QString body = QStringLiteral("<h2>Карта уставок TALVIK</h2>") + headingLines(heading);
    QString group;
    for (const SettingDescription& description : SettingCatalog::all()) {
        if (description.group != group) {
            if (!group.isEmpty())
                body += QStringLiteral("</table>");
            group = description.group;
            body += QStringLiteral("<h3>%1</h3>").arg(group.toHtmlEscaped());
            body += QStringLiteral("<table border=\"1\" cellspacing=\"0\" cellpadding=\"3\" "
                                   "width=\"100%\"><tr><th align=\"left\">Уставка</th>"
                                   "<th align=\"left\">Значение</th><th align=\"left\">Ед.</th>"
                                   "<th align=\"left\">Регистр</th></tr>");
        }
        uint16_t value = 0;
        const bool known = valueOf(description.reg, &value);
        body += QStringLiteral("<tr>") + cell(description.label) +
                cell(known ? description.valueText(value) : QStringLiteral("—")) +
                cell(description.unit) + cell(QString::number(description.reg)) +
                QStringLiteral("</tr>");
    }
    if (!group.isEmpty())
        body += QStringLiteral("</table>");
    return QStringLiteral("<!DOCTYPE html><html><head><meta charset=\"utf-8\">"
                          "<title>Карта уставок</title></head><body>%1</body></html>")
        .arg(body);
}

bool SettingsSheet::writePdf(QIODevice& device, const QString& html)
{
    QPdfWriter writer(&device);
    writer.setPageSize(QPageSize(QPageSize::A4));
    writer.setResolution(300);
    writer.setTitle(QStringLiteral("Карта уставок"));
    writer.setPageMargins(QMarginsF(15, 15, 15, 15), QPageLayout::Millimeter);
    QTextDocument document;
    QFont font = document.defaultFont();
    font.setPointSizeF(9);
    document.setDefaultFont(font);
    document.setHtml(html);
    // Without a page size of its own the document is laid out on the
    // writer's pages, fonts scaled to its resolution.
    document.print(&writer);
    return true;
}

bool SettingsSheet::save(const QString& fileName, const QString& html)
{
    QSaveFile file(fileName);
    if (!file.open(QIODevice::WriteOnly))
        return false;
    bool written = false;
    if (writesHtml(fileName)) {
        const QByteArray bytes = html.toUtf8();
        written = file.write(bytes) == bytes.size();
    } else {
        written = writePdf(file, html);
    }
    if (!written || !file.flush()) {
        file.cancelWriting();
        return false;
    }
    return file.commit();
}

bool SettingsSheet::writesHtml(const QString& fileName)
{
    return fileName.endsWith(QStringLiteral(".html"), Qt::CaseInsensitive) ||
           fileName.endsWith(QStringLiteral(".htm"), Qt::CaseInsensitive);
}
