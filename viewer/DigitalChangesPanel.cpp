#include "viewer/DigitalChangesPanel.h"

#include "analysis/RecordAnalysis.h"
#include "viewer/RecordReadout.h"

#include <QAbstractTableModel>
#include <QHeaderView>
#include <QLabel>
#include <QTableView>
#include <QVBoxLayout>

// The changes as table rows, read from the analysis as the view asks.
class DigitalChangesModel : public QAbstractTableModel
{
public:
    explicit DigitalChangesModel(QObject* parent) : QAbstractTableModel(parent) {}

    void setAnalysis(const RecordAnalysis* shown)
    {
        beginResetModel();
        analysis = shown;
        endResetModel();
    }

    int sampleAt(int row) const
    {
        return row >= 0 && row < rowCount() ? changes()[row].sample : -1;
    }

    int rowCount(const QModelIndex& parent = QModelIndex()) const override
    {
        return parent.isValid() || analysis == nullptr ? 0 : changes().size();
    }

    int columnCount(const QModelIndex& parent = QModelIndex()) const override
    {
        return parent.isValid() ? 0 : 3;
    }

    QVariant data(const QModelIndex& index, int role) const override
    {
        if (!index.isValid() || index.row() >= rowCount())
            return QVariant();
        const DigitalChange& change = changes()[index.row()];
        if (role == Qt::TextAlignmentRole)
            return int((index.column() == 0 ? Qt::AlignRight : Qt::AlignLeft) | Qt::AlignVCenter);
        if (role != Qt::DisplayRole)
            return QVariant();
        switch (index.column()) {
        case 0:
            return RecordReadout::milliseconds(analysis->timeMs(change.sample));
        case 1:
            return analysis->record().digital[change.channel].name;
        default:
            return QStringLiteral("%1→%2").arg(change.from).arg(change.to);
        }
    }

    QVariant headerData(int section, Qt::Orientation orientation, int role) const override
    {
        if (orientation != Qt::Horizontal || role != Qt::DisplayRole)
            return QAbstractTableModel::headerData(section, orientation, role);
        static const QString titles[] = {QStringLiteral("Время, мс"), QStringLiteral("Канал"),
                                         QStringLiteral("Переход")};
        return section >= 0 && section < 3 ? titles[section] : QVariant();
    }

private:
    const QVector<DigitalChange>& changes() const { return analysis->digitalChanges().all(); }

    const RecordAnalysis* analysis = nullptr;
};

DigitalChangesPanel::DigitalChangesPanel(QWidget* parent)
    : QWidget(parent), hint(new QLabel(this)), view(new QTableView(this)),
      model(new DigitalChangesModel(this))
{
    hint->setObjectName(QStringLiteral("digitalChangesNote"));
    view->setObjectName(QStringLiteral("digitalChangesTable"));
    auto* layout = new QVBoxLayout(this);
    hint->setWordWrap(true);
    layout->addWidget(hint);
    view->setModel(model);
    view->setSelectionBehavior(QAbstractItemView::SelectRows);
    view->setSelectionMode(QAbstractItemView::SingleSelection);
    view->setEditTriggers(QAbstractItemView::NoEditTriggers);
    view->verticalHeader()->hide();
    view->verticalHeader()->setDefaultSectionSize(view->fontMetrics().height() + 6);
    view->horizontalHeader()->setStretchLastSection(true);
    layout->addWidget(view, 1);

    // A click, or the arrow keys through the list.
    connect(view, &QTableView::clicked, this,
            [this](const QModelIndex& index) { choose(index.row()); });
    connect(view->selectionModel(), &QItemSelectionModel::currentRowChanged, this,
            [this](const QModelIndex& current) { choose(current.row()); });
}

void DigitalChangesPanel::setAnalysis(const RecordAnalysis* analysis)
{
    model->setAnalysis(analysis);
    const int count = model->rowCount();
    hint->setText(count == 0 ? QStringLiteral("Дискретные сигналы в осциллограмме не меняются.")
                             : QStringLiteral("Изменений: %1. Щелчок ставит курсор 1 на "
                                              "изменение.")
                                   .arg(count));
    view->resizeColumnToContents(0);
    view->resizeColumnToContents(1);
}

void DigitalChangesPanel::choose(int row)
{
    const int sample = model->sampleAt(row);
    if (sample >= 0)
        emit changeChosen(sample);
}
