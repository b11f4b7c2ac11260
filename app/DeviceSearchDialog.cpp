#include "app/DeviceSearchDialog.h"

#include "relay/DeviceSearch.h"

#include <QDialogButtonBox>
#include <QLabel>
#include <QListWidget>
#include <QProgressBar>
#include <QPushButton>
#include <QShowEvent>
#include <QVBoxLayout>

namespace {

constexpr int addressRole = Qt::UserRole;
constexpr int baudRateRole = Qt::UserRole + 1;

} // namespace

DeviceSearchDialog::DeviceSearchDialog(const QString& portName, QWidget* parent)
    : QDialog(parent), port(portName), scanner(new DeviceSearch(this))
{
    setObjectName(QStringLiteral("DeviceSearchDialog"));
    setWindowTitle(QStringLiteral("Поиск устройства"));
    setWindowFlags(windowFlags() & ~Qt::WindowContextHelpButtonHint);

    auto* portLabel = new QLabel(QStringLiteral("Порт: %1").arg(portName), this);
    status = new QLabel(this);
    status->setObjectName(QStringLiteral("searchStatus"));
    bar = new QProgressBar(this);
    bar->setObjectName(QStringLiteral("searchProgress"));
    results = new QListWidget(this);
    results->setObjectName(QStringLiteral("listFound"));
    buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    buttons->setObjectName(QStringLiteral("buttonBox"));
    buttons->button(QDialogButtonBox::Ok)->setText(QStringLiteral("Выбрать"));
    buttons->button(QDialogButtonBox::Ok)->setEnabled(false);
    QPushButton* addAll =
        buttons->addButton(QStringLiteral("Добавить все в недавние"), QDialogButtonBox::ActionRole);
    addAll->setObjectName(QStringLiteral("btnAddAllToRecent"));
    addAll->setEnabled(false);

    auto* column = new QVBoxLayout(this);
    column->addWidget(portLabel);
    column->addWidget(bar);
    column->addWidget(status);
    column->addWidget(new QLabel(QStringLiteral("Ответившие реле:"), this));
    column->addWidget(results);
    column->addWidget(buttons);
    resize(360, 300);

    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    connect(results, &QListWidget::currentRowChanged, this,
            [this](int row) { buttons->button(QDialogButtonBox::Ok)->setEnabled(row >= 0); });
    connect(results, &QListWidget::itemDoubleClicked, this, &QDialog::accept);
    connect(addAll, &QPushButton::clicked, this, [this, addAll] {
        emit addAllToRecentRequested();
        addAll->setText(QStringLiteral("Добавлено в недавние"));
        addAll->setEnabled(false);
    });
    connect(scanner, &DeviceSearch::relayFound, addAll, [addAll] { addAll->setEnabled(true); });
    connect(scanner, &DeviceSearch::progress, this, &DeviceSearchDialog::showProgress);
    connect(scanner, &DeviceSearch::relayFound, this, &DeviceSearchDialog::addFound);
    connect(scanner, &DeviceSearch::finished, this, &DeviceSearchDialog::showFinished);
}

QVector<QPair<int, int>> DeviceSearchDialog::found() const
{
    QVector<QPair<int, int>> relays;
    for (int row = 0; row < results->count(); ++row) {
        const QListWidgetItem* item = results->item(row);
        relays.append({item->data(addressRole).toInt(), item->data(baudRateRole).toInt()});
    }
    return relays;
}

QString DeviceSearchDialog::foundText(int foundAddress, int foundBaudRate)
{
    return QStringLiteral("Адрес %1, %2 Бд").arg(foundAddress).arg(foundBaudRate);
}

void DeviceSearchDialog::showEvent(QShowEvent* event)
{
    QDialog::showEvent(event);
    if (!started) {
        started = true;
        startSearch();
    }
}

void DeviceSearchDialog::startSearch()
{
    if (!scanner->start(port)) {
        status->setText(QStringLiteral("Не удалось открыть порт: %1").arg(scanner->errorText()));
        return;
    }
    bar->setRange(0, scanner->probeCount());
    bar->setValue(0);
    showProgress(0, scanner->probeCount());
}

void DeviceSearchDialog::showProgress(int done, int total)
{
    bar->setRange(0, total);
    bar->setValue(done);
    status->setText(QStringLiteral("%1 Бд, адрес %2")
                        .arg(scanner->currentBaudRate())
                        .arg(scanner->currentAddress()));
}

void DeviceSearchDialog::addFound(int foundAddress, int foundBaudRate)
{
    auto* item = new QListWidgetItem(foundText(foundAddress, foundBaudRate), results);
    item->setData(addressRole, foundAddress);
    item->setData(baudRateRole, foundBaudRate);
    // The first relay found is the likely choice.
    if (results->currentRow() < 0)
        results->setCurrentRow(0);
}

void DeviceSearchDialog::showFinished()
{
    bar->setValue(bar->maximum());
    status->setText(
        results->count() == 0
            ? QStringLiteral("Поиск завершён: реле не ответило")
            : QStringLiteral("Поиск завершён: найдено реле — %1").arg(results->count()));
    buttons->button(QDialogButtonBox::Cancel)->setText(QStringLiteral("Закрыть"));
}

void DeviceSearchDialog::accept()
{
    QListWidgetItem* item = results->currentItem();
    if (item == nullptr)
        return;
    address = item->data(addressRole).toInt();
    baudRate = item->data(baudRateRole).toInt();
    scanner->cancel();
    QDialog::accept();
}

void DeviceSearchDialog::reject()
{
    scanner->cancel();
    QDialog::reject();
}
