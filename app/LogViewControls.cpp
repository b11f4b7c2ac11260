#include "app/LogViewControls.h"

#include "ui/ListLogSink.h"

#include <QAction>
#include <QApplication>
#include <QClipboard>
#include <QItemSelectionModel>
#include <QKeySequence>
#include <QLineEdit>
#include <QListWidget>
#include <QPalette>
#include <QToolButton>

#include <algorithm>

LogViewControls::LogViewControls(const Widgets& widgets, QObject* parent)
    : QObject(parent), ui(widgets)
{
    connect(ui.pause, &QToolButton::toggled, this, &LogViewControls::setPaused);
    connect(ui.find, &QLineEdit::returnPressed, this, &LogViewControls::findNext);
    connect(ui.find, &QLineEdit::textChanged, this, [this] { showFindFailed(false); });
    connect(ui.findNext, &QToolButton::clicked, this, &LogViewControls::findNext);
    connect(ui.findPrevious, &QToolButton::clicked, this, &LogViewControls::findPrevious);
    connect(ui.timeStamps, &QAction::toggled, this, &LogViewControls::setTimeStamps);

    addShortcut(ui.logTab, QKeySequence::Find, Qt::WidgetWithChildrenShortcut,
                &LogViewControls::focusFind);
    addShortcut(ui.logTab, QKeySequence::FindNext, Qt::WidgetWithChildrenShortcut,
                &LogViewControls::findNext);
    addShortcut(ui.logTab, QKeySequence::FindPrevious, Qt::WidgetWithChildrenShortcut,
                &LogViewControls::findPrevious);
    // Only while the list has the focus: elsewhere Ctrl+C copies what the
    // focused field holds.
    addShortcut(ui.list, QKeySequence::Copy, Qt::WidgetShortcut, &LogViewControls::copySelection);
}

void LogViewControls::addShortcut(QWidget* owner, const QKeySequence& keys,
                                  Qt::ShortcutContext context, void (LogViewControls::*slot)())
{
    auto* action = new QAction(owner);
    action->setShortcut(keys);
    action->setShortcutContext(context);
    owner->addAction(action);
    connect(action, &QAction::triggered, this, slot);
}

void LogViewControls::focusFind()
{
    ui.find->setFocus(Qt::ShortcutFocusReason);
    ui.find->selectAll();
}

void LogViewControls::findNext()
{
    find(true);
}

void LogViewControls::findPrevious()
{
    find(false);
}

int LogViewControls::findRow(bool forward) const
{
    const QString text = ui.find->text();
    const int rows = ui.list->count();
    if (text.isEmpty() || rows == 0)
        return -1;
    const int step = forward ? 1 : -1;
    const int current = ui.list->currentRow();
    const int start = current < 0 ? (forward ? 0 : rows - 1) : current + step;
    for (int i = 0; i < rows; ++i) {
        const int row = ((start + i * step) % rows + rows) % rows;
        if (ui.list->item(row)->text().contains(text, Qt::CaseInsensitive))
            return row;
    }
    return -1;
}

void LogViewControls::find(bool forward)
{
    const int row = findRow(forward);
    showFindFailed(row < 0 && !ui.find->text().isEmpty());
    if (row < 0)
        return;
    // The match would scroll away with the next line if the list went on
    // following them.
    ui.pause->setChecked(true);
    ui.list->setCurrentRow(row, QItemSelectionModel::ClearAndSelect);
    ui.list->scrollToItem(ui.list->item(row), QAbstractItemView::PositionAtCenter);
}

void LogViewControls::showFindFailed(bool failed)
{
    QPalette palette = ui.find->parentWidget()->palette();
    if (failed)
        palette.setColor(QPalette::Base, QColor(0xff, 0xd6, 0xd6));
    ui.find->setPalette(palette);
}

QString LogViewControls::selectedText() const
{
    QModelIndexList selected = ui.list->selectionModel()->selectedIndexes();
    std::sort(selected.begin(), selected.end(),
              [](const QModelIndex& a, const QModelIndex& b) { return a.row() < b.row(); });
    QStringList lines;
    lines.reserve(selected.size());
    for (const QModelIndex& index : qAsConst(selected))
        lines << index.data(Qt::DisplayRole).toString();
    return lines.join(QLatin1Char('\n'));
}

void LogViewControls::copySelection()
{
    const QString text = selectedText();
    if (!text.isEmpty())
        QApplication::clipboard()->setText(text);
}

void LogViewControls::setPaused(bool paused)
{
    ui.sink->setFollowing(!paused);
    if (paused || ui.list->count() == 0)
        return;
    // Back to the newest line, as if it had been followed all along.
    ui.list->setCurrentRow(ui.list->count() - 1, QItemSelectionModel::NoUpdate);
    ui.list->scrollToBottom();
}

void LogViewControls::setTimeStamps(bool on)
{
    ui.sink->setTimeStamps(on);
}
