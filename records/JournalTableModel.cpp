#include "records/JournalTableModel.h"

#include "records/CrashProcessHeader.h"
#include "records/JournalCsv.h"
#include "records/RecordMatch.h"

#include <QDate>
#include <QDateTime>
#include <QTime>

#include <algorithm>
#include <limits>

JournalTableModel::JournalTableModel(QObject* parent) : QAbstractTableModel(parent) {}

JournalTableModel::~JournalTableModel() = default;

void JournalTableModel::setJournal(const QVector<JournalEntry>& newestFirst)
{
    beginResetModel();
    shown = newestFirst;
    texts.clear();
    for (const JournalEntry& event : shown)
        texts.append(event.csvFields());
    records.fill(-1, shown.size());
    matchRecords();
    endResetModel();
}

void JournalTableModel::setRecords(const QVector<CrashProcessHeader>& newHeaders)
{
    headers = newHeaders;
    matchRecords();
    if (!shown.isEmpty())
        emit dataChanged(index(0, 0), index(shown.size() - 1, ColumnCount - 1));
}

void JournalTableModel::matchRecords()
{
    for (int row = 0; row < shown.size(); ++row)
        records[row] = matchingRecord(shown.at(row), headers);
}

int JournalTableModel::recordOf(int row) const
{
    return row >= 0 && row < records.size() ? records.at(row) : -1;
}

QStringList JournalTableModel::types() const
{
    QVector<JournalEntry> byType = shown;
    std::sort(byType.begin(), byType.end(),
              [](const JournalEntry& a, const JournalEntry& b) { return a.type < b.type; });
    QStringList names;
    for (const JournalEntry& event : byType) {
        if (!names.contains(event.typeText()))
            names << event.typeText();
    }
    return names;
}

int JournalTableModel::rowCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : shown.size();
}

int JournalTableModel::columnCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : ColumnCount;
}

QVariant JournalTableModel::data(const QModelIndex& index, int role) const
{
    if (!index.isValid() || index.row() >= shown.size())
        return QVariant();
    const int row = index.row();
    switch (role) {
    case Qt::DisplayRole:
        return texts.at(row).value(index.column());
    case SortRole:
        return sortValue(row, index.column());
    case RecordRole:
        return records.at(row);
    case Qt::ToolTipRole: {
        const int record = records.at(row);
        if (record < 0)
            return QVariant();
        const CrashProcessHeader& header = headers.at(record);
        return QStringLiteral("Осциллограмма №%1 (%2 %3) — двойной щелчок открывает её")
            .arg(QString::number(record), header.dateText(), header.timeText());
    }
    case Qt::TextAlignmentRole: {
        // The currents by their decimal points.
        const bool current = index.column() == SecondaryColumn || index.column() == PrimaryColumn;
        return current ? QVariant(int(Qt::AlignRight | Qt::AlignVCenter)) : QVariant();
    }
    default:
        return QVariant();
    }
}

QVariant JournalTableModel::sortValue(int row, int column) const
{
    const JournalEntry& event = shown.at(row);
    float current = 0.0f;
    const QTime time(event.hour, event.minute, event.second, event.millisecond);
    switch (column) {
    case SecondaryColumn:
        // A current that cannot be computed sorts below every known one.
        return event.secondaryCurrent(&current) ? double(current) : -1.0;
    case PrimaryColumn:
        return event.primaryCurrent(&current) ? double(current) : -1.0;
    case DateColumn: {
        const QDateTime at(QDate(2000 + event.year, event.month, event.day), time, Qt::UTC);
        return at.isValid() ? at.toMSecsSinceEpoch() : std::numeric_limits<qint64>::min();
    }
    case TimeColumn:
        return time.isValid() ? time.msecsSinceStartOfDay() : -1;
    default:
        return texts.at(row).value(column);
    }
}

QVariant JournalTableModel::headerData(int section, Qt::Orientation orientation, int role) const
{
    if (orientation != Qt::Horizontal || role != Qt::DisplayRole)
        return QAbstractTableModel::headerData(section, orientation, role);
    return JournalCsv::columnTitles().value(section);
}
