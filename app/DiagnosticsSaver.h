#ifndef TALVIK_APP_DIAGNOSTICSSAVER_H
#define TALVIK_APP_DIAGNOSTICSSAVER_H

#include <QObject>

class AppSettings;
class LineRecovery;
class LogPage;
class QMenu;
class QWidget;
class RelayConnection;

// "Справка › Сохранить диагностику…": one text file with what a colleague
// needs to help (see DiagnosticsReport), written where the user chooses.
class DiagnosticsSaver : public QObject
{
    Q_OBJECT

public:
    struct Parts
    {
        QWidget* window = nullptr;
        QMenu* menu = nullptr;
        RelayConnection* connection = nullptr;
        LineRecovery* recovery = nullptr;
        LogPage* log = nullptr;
        AppSettings* settings = nullptr;
    };

    DiagnosticsSaver(const Parts& parts, QObject* parent);

    // The report as it would be saved now.
    QString reportText() const;
    // Asks for the file and writes the report; false when it was not written.
    bool save();

private:
    Parts parts;
};

#endif
