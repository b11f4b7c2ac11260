#ifndef TALVIK_RECORDS_JOURNALTABLEMODEL_H
#define TALVIK_RECORDS_JOURNALTABLEMODEL_H

#include "records/JournalEntry.h"

#include <QAbstractTableModel>
#include <QStringList>
#include <QVector>

struct CrashProcessHeader;

// The journal as the window's table shows it: one row per event, newest
// first, the columns and texts of the CSV file (JournalCsv). An event that a
// fault record belongs to (matchingRecord) carries the record's number in
// RecordRole and names it in its tool tip. SortRole gives the values the
// columns sort by: the currents as numbers, the date as the whole time, the
// time as the time of day.
class JournalTableModel : public QAbstractTableModel
{
    Q_OBJECT

public:
    enum Column
    {
        TypeColumn,
        SecondaryColumn,
        PrimaryColumn,
        DateColumn,
        TimeColumn,
        ColumnCount
    };
    enum Role
    {
        SortRole = Qt::UserRole + 1,
        // The record's number, -1 for an event without one.
        RecordRole
    };

    explicit JournalTableModel(QObject* parent = nullptr);
    ~JournalTableModel() override;

    // The events, newest first (JournalCsv::newestFirst); the records known
    // are matched to them again.
    void setJournal(const QVector<JournalEntry>& newestFirst);
    // The record headers, index = the record's number; invalid ones match
    // nothing.
    void setRecords(const QVector<CrashProcessHeader>& headers);

    const QVector<JournalEntry>& events() const { return shown; }
    // The record the event in `row` belongs to; -1 for none.
    int recordOf(int row) const;
    // The types of the events shown, each once, in the relay's order.
    QStringList types() const;

    int rowCount(const QModelIndex& parent = QModelIndex()) const override;
    int columnCount(const QModelIndex& parent = QModelIndex()) const override;
    QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;
    QVariant headerData(int section, Qt::Orientation orientation,
                        int role = Qt::DisplayRole) const override;

private:
    QVariant sortValue(int row, int column) const;
    void matchRecords();

    QVector<JournalEntry> shown;
    QVector<QStringList> texts;
    QVector<CrashProcessHeader> headers;
    QVector<int> records;
};

#endif
