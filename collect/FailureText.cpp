#include "collect/FailureText.h"

#include "session/RelayConnection.h"

#include <QSerialPort>
#include <QStringList>

namespace {

QString readFailureText(ModBusDevice::ReadFailure failure)
{
    using ReadFailure = ModBusDevice::ReadFailure;
    switch (failure) {
    case ReadFailure::NoAnswer:
        return QStringLiteral("нет ответа");
    case ReadFailure::Refused:
        return QStringLiteral("отказ (исключение)");
    case ReadFailure::WrongLength:
        return QStringLiteral("ответ неполный");
    case ReadFailure::Garbled:
        return QStringLiteral("ответ искажён");
    case ReadFailure::OtherSlave:
        return QStringLiteral("ответ другого устройства");
    case ReadFailure::NotSent:
        break;
    }
    return QStringLiteral("запрос не отправлен");
}

} // namespace

QString FailureText::failedReads(const QVector<ModBusDevice::FailedRead>& failed)
{
    QStringList parts;
    for (const ModBusDevice::FailedRead& read : failed)
        parts << QStringLiteral("регистры %1…%2: %3")
                     .arg(read.start)
                     .arg(read.start + read.count - 1)
                     .arg(readFailureText(read.failure));
    return parts.join(QStringLiteral("; "));
}

QString FailureText::openFailure(const RelayConnection& connection)
{
    if (connection.usesNetwork())
        return QStringLiteral("Нет связи по сети: %1").arg(connection.connectionError());
    const QSerialPort* port = connection.port();
    QString message = QStringLiteral("Невозможно открыть порт %1: %2")
                          .arg(connection.settings().portName, port->errorString());
    // On Linux the serial devices belong to the group dialout.
    if (port->error() == QSerialPort::PermissionError)
        message += QStringLiteral(" (пользователь должен входить в группу dialout)");
    return message;
}
