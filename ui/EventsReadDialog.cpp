#include "ui/EventsReadDialog.h"

#include <QGridLayout>
#include <QProgressBar>

EventsReadDialog::EventsReadDialog(QWidget* parent)
    : QDialog(parent), progressBar(new QProgressBar(this))
{
    setObjectName(QStringLiteral("EventsReadDialog"));
    setWindowTitle(QStringLiteral("Чтение событий..."));
    setWindowFlags(windowFlags() & ~Qt::WindowContextHelpButtonHint);
    setSizeGripEnabled(false);
    setModal(false);

    progressBar->setObjectName(QStringLiteral("progressBar"));
    progressBar->setRange(0, 100);
    progressBar->setValue(0);

    auto* layout = new QGridLayout(this);
    layout->setObjectName(QStringLiteral("gridLayout"));
    layout->addWidget(progressBar, 0, 0);

    setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Fixed);
    setFixedSize(fixedWidth, fixedHeight);
}

EventsReadDialog::~EventsReadDialog() = default;

void EventsReadDialog::setProgress(int value)
{
    progressBar->setValue(value);
}

int EventsReadDialog::progress() const
{
    return progressBar->value();
}
