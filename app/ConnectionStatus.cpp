#include "app/ConnectionStatus.h"

#include <QColor>
#include <QEvent>
#include <QFontMetrics>
#include <QLabel>
#include <QPainter>
#include <QPixmap>
#include <QStatusBar>
#include <QVariant>

namespace {

QLabel* addLabel(QStatusBar* bar, const char* name, bool permanent = false)
{
    auto* label = new QLabel(bar);
    label->setObjectName(QString::fromLatin1(name));
    label->setContentsMargins(4, 0, 8, 0);
    // A narrow window cuts the texts rather than growing wider than the
    // screen for them.
    label->setMinimumWidth(label->fontMetrics().averageCharWidth() * 3);
    if (permanent)
        bar->addPermanentWidget(label);
    else
        bar->addWidget(label);
    return label;
}

QColor colourOf(ConnectionStatus::State state)
{
    switch (state) {
    case ConnectionStatus::State::Answering:
        return QColor(0x2e, 0xa0, 0x43);
    case ConnectionStatus::State::Errors:
        return QColor(0xe0, 0xa0, 0x00);
    case ConnectionStatus::State::Silent:
        return QColor(0xd0, 0x20, 0x20);
    case ConnectionStatus::State::Demo:
        return QColor(0x2a, 0x6f, 0xd6);
    case ConnectionStatus::State::Stopped:
    case ConnectionStatus::State::Waiting:
        break;
    }
    return QColor(0x9a, 0x9a, 0x9a);
}

QString meaningOf(ConnectionStatus::State state)
{
    switch (state) {
    case ConnectionStatus::State::Stopped:
        return QStringLiteral("Опрос остановлен");
    case ConnectionStatus::State::Waiting:
        return QStringLiteral("Ожидание первого ответа реле");
    case ConnectionStatus::State::Answering:
        return QStringLiteral("Реле отвечает");
    case ConnectionStatus::State::Errors:
        return QStringLiteral("Ошибки в последних трёх опросах");
    case ConnectionStatus::State::Silent:
        return QStringLiteral("Нет ответа три периода опроса");
    case ConnectionStatus::State::Demo:
        return QStringLiteral("Демонстрационный режим");
    }
    return QString();
}

QString secondsText(qint64 ms)
{
    if (ms < 10000)
        return QString::number(ms / 1000.0, 'f', 1) + QStringLiteral(" с");
    if (ms < 120000)
        return QString::number(ms / 1000) + QStringLiteral(" с");
    return QString::number(ms / 60000) + QStringLiteral(" мин");
}

} // namespace

ConnectionStatus::ConnectionStatus(QStatusBar* bar, QObject* parent) : QObject(parent)
{
    mark = addLabel(bar, "statusMark");
    connection = addLabel(bar, "statusConnection");
    polling = addLabel(bar, "statusPolling");
    answerAge = addLabel(bar, "statusAnswerAge");
    counters = addLabel(bar, "statusCounters", true);
    counters->setToolTip(QStringLiteral("Счётчики с момента подключения; щелчок обнуляет их"));
    counters->setCursor(Qt::PointingHandCursor);
    counters->installEventFilter(this);
    showMark(State::Stopped);
}

bool ConnectionStatus::eventFilter(QObject* watched, QEvent* event)
{
    if (watched == counters && event->type() == QEvent::MouseButtonRelease)
        emit resetRequested();
    return QObject::eventFilter(watched, event);
}

int ConnectionStatus::preferredWidth() const
{
    // Texts as long as they get in everyday use, not as they are now: the
    // window is sized before the first connection.
    Counters busy;
    busy.requests = busy.answers = 99999;
    busy.timeouts = busy.frameErrors = busy.exceptions = 999;
    const QString samples[] = {
        connectionText(QStringLiteral("/dev/ttyUSB0"), 38400, 247, false),
        QStringLiteral("Опрос: 10 с"),
        QStringLiteral("Ответ 9.9 с назад"),
        countersText(busy),
    };
    const QFontMetrics metrics = counters->fontMetrics();
    int width = mark->sizeHint().width();
    for (const QString& text : samples)
        width += metrics.horizontalAdvance(text) + 12 + 8;
    // The size grip and the bar's own margins.
    return width + 24;
}

void ConnectionStatus::notePoll(quint64 failuresSoFar)
{
    failuresAtPoll.append(failuresSoFar);
    // One more than the polls looked at: the count before the oldest of them.
    while (failuresAtPoll.size() > recentPolls + 1)
        failuresAtPoll.removeFirst();
}

void ConnectionStatus::forgetPolls()
{
    failuresAtPoll.clear();
}

bool ConnectionStatus::hasRecentFailures(quint64 failuresNow) const
{
    if (failuresAtPoll.isEmpty())
        return failuresNow > 0;
    return failuresNow > failuresAtPoll.first();
}

ConnectionStatus::State ConnectionStatus::classify(const Snapshot& snapshot, bool recentFailures)
{
    if (!snapshot.recovery.isEmpty())
        return State::Silent;
    if (!snapshot.polling)
        return State::Stopped;
    if (snapshot.demo)
        return State::Demo;
    const qint64 silentAfter = qint64(recentPolls) * snapshot.periodMs;
    const qint64 silence =
        snapshot.msSinceAnswer >= 0 ? snapshot.msSinceAnswer : snapshot.pollingForMs;
    // The first answer comes one period after the start, with the first poll.
    if (silence > silentAfter + (snapshot.msSinceAnswer >= 0 ? 0 : snapshot.periodMs))
        return State::Silent;
    if (recentFailures)
        return State::Errors;
    return snapshot.msSinceAnswer >= 0 ? State::Answering : State::Waiting;
}

QString ConnectionStatus::stateName(State state)
{
    switch (state) {
    case State::Stopped:
        return QStringLiteral("stopped");
    case State::Waiting:
        return QStringLiteral("waiting");
    case State::Answering:
        return QStringLiteral("answering");
    case State::Errors:
        return QStringLiteral("errors");
    case State::Silent:
        return QStringLiteral("silent");
    case State::Demo:
        return QStringLiteral("demo");
    }
    return QString();
}

QString ConnectionStatus::connectionText(const QString& portName, int baudRate, int address,
                                         bool demo)
{
    if (demo)
        return QStringLiteral("Демо");
    if (portName.isEmpty())
        return QStringLiteral("Порт не выбран");
    return QStringLiteral("%1 · %2 · адрес %3").arg(portName).arg(baudRate).arg(address);
}

ConnectionStatus::Counters ConnectionStatus::countersOf(const ModBusClient::Counters& counted)
{
    Counters counters;
    counters.requests = counted.requests;
    counters.answers = counted.answers;
    counters.timeouts = counted.timeouts;
    counters.frameErrors = counted.frameErrors;
    counters.exceptions = counted.exceptions;
    return counters;
}

QString ConnectionStatus::countersText(const Counters& shown)
{
    return QStringLiteral("Запросы %1 · Ответы %2 · Таймауты %3 · CRC/формат %4 · Исключения %5")
        .arg(shown.requests)
        .arg(shown.answers)
        .arg(shown.timeouts)
        .arg(shown.frameErrors)
        .arg(shown.exceptions);
}

void ConnectionStatus::show(const Snapshot& snapshot)
{
    showMark(classify(snapshot, hasRecentFailures(snapshot.counters.failures())));
    connection->setText(snapshot.connection);
    polling->setText(!snapshot.recovery.isEmpty() ? snapshot.recovery
                     : snapshot.polling
                         ? QStringLiteral("Опрос: %1").arg(secondsText(snapshot.periodMs))
                         : QStringLiteral("Опрос остановлен"));
    answerAge->setText(
        snapshot.msSinceAnswer >= 0
            ? QStringLiteral("Ответ %1 назад").arg(secondsText(snapshot.msSinceAnswer))
            : QStringLiteral("Ответов не было"));
    counters->setText(countersText(snapshot.counters));
}

void ConnectionStatus::showMark(State state)
{
    if (markShown && state == current)
        return;
    current = state;
    markShown = true;
    const int side = mark->fontMetrics().height() * 3 / 4;
    const qreal ratio = mark->devicePixelRatioF();
    QPixmap picture(QSize(side, side) * ratio);
    picture.setDevicePixelRatio(ratio);
    picture.fill(Qt::transparent);
    QPainter painter(&picture);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setPen(colourOf(state).darker(140));
    painter.setBrush(colourOf(state));
    painter.drawEllipse(QRectF(0.5, 0.5, side - 1, side - 1));
    painter.end();
    mark->setPixmap(picture);
    mark->setMinimumWidth(mark->sizeHint().width());
    mark->setToolTip(meaningOf(state));
    mark->setAccessibleName(meaningOf(state));
    mark->setProperty("state", stateName(state));
}
