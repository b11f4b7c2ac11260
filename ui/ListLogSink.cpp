#include "ui/ListLogSink.h"

#include "base/Logger.h"

#include <QBrush>
#include <QColor>
#include <QItemSelectionModel>
#include <QListWidget>
#include <QTime>

ListLogSink::ListLogSink(QListWidget* list) : output(list)
{
    Logger::instance().addSink(this);
}

ListLogSink::~ListLogSink()
{
    Logger::instance().removeSink(this);
}

void ListLogSink::logLine(int, LogLineKind kind, const QString& text)
{
    auto* line = new QListWidgetItem(
        timeStamps ? QTime::currentTime().toString(QStringLiteral("hh:mm:ss.zzz ")) + text : text);
    // Coloured before it joins the list: one change for the view, not two.
    if (kind != LogLineKind::Plain)
        line->setForeground(colourOf(kind));
    output->addItem(line);
    // Follow the newest line without disturbing what the user has selected.
    if (following)
        output->setCurrentRow(output->count() - 1, QItemSelectionModel::NoUpdate);
}

QColor ListLogSink::colourOf(LogLineKind kind)
{
    // Dark enough to read on a white list and apart from each other for the
    // common kinds of colour blindness (blue against orange-brown).
    switch (kind) {
    case LogLineKind::Sent:
        return QColor(0x1f, 0x4e, 0xa8);
    case LogLineKind::Received:
        return QColor(0x8a, 0x55, 0x00);
    case LogLineKind::Error:
        return QColor(0xc0, 0x00, 0x00);
    case LogLineKind::Plain:
        break;
    }
    return QColor();
}
