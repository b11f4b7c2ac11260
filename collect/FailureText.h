#ifndef TALVIK_COLLECT_FAILURETEXT_H
#define TALVIK_COLLECT_FAILURETEXT_H

#include "relay/ModBusDevice.h"

#include <QString>
#include <QVector>

class RelayConnection;

// The words for what went wrong on the line, one text for every command
// that talks to a relay and for the window's collecting.
namespace FailureText {

// "регистры 32…63: нет ответа; регистры 64…84: ответ искажён"
QString failedReads(const QVector<ModBusDevice::FailedRead>& failed);

// Why the connection's port or network connection did not open, after
// openPort() or a connection that failed: "Невозможно открыть порт …" with
// the system's words, or "Нет связи по сети: …".
QString openFailure(const RelayConnection& connection);

} // namespace FailureText

#endif
