#ifndef TALVIK_APP_SETTINGSCHANGEDIALOG_H
#define TALVIK_APP_SETTINGSCHANGEDIALOG_H

#include <QDialog>
#include <QSet>
#include <QStringList>

#include <cstdint>

class AppSettings;
class QLabel;
class QTableWidget;
class QTableWidgetItem;
class QWidget;
class SettingsComparison;

// What a comparison compares: the window's title, the two value
// columns' names and what the summary calls the first side ("реле").
struct ComparisonSides
{
    QString title = QStringLiteral("Сравнение с файлом");
    QString first = QStringLiteral("В реле");
    QString second = QStringLiteral("Новое значение");
    QString differFrom = QStringLiteral("от реле");
};

// Shows a list of settings side by side: caption, the two values, register.
// Before a write it asks to go on (relay and new value); as a comparison of
// any two sources it only shows, with a "Не сравнивать" box on every row
// (settings that differ on purpose from one feeder to the next: the boxes
// start from the ignore list in the settings store and change it at once)
// and a button that copies the compared rows as text.
class SettingsChangeDialog : public QDialog
{
    Q_OBJECT

public:
    enum Mode
    {
        ConfirmWrite,
        CompareOnly
    };

    using Sides = ComparisonSides;

    // `comparison` holds every difference (nothing ignored); `settings`
    // (may be null) keeps the ignore list of CompareOnly.
    SettingsChangeDialog(const SettingsComparison& comparison, Mode mode, QWidget* parent = nullptr,
                         const Sides& sides = Sides(), AppSettings* settings = nullptr);

    // True when the user chose to write.
    static bool confirmWrite(QWidget* parent, const SettingsComparison& comparison);
    static void showComparison(QWidget* parent, const SettingsComparison& comparison,
                               const Sides& sides, AppSettings* settings);

    static constexpr int ignoreColumn = 4;

private:
    Q_DISABLE_COPY(SettingsChangeDialog)

    void fillTable(Mode mode, const Sides& sides);
    void ignoreToggled(QTableWidgetItem* item);
    void showSummary(Mode mode);
    QString comparedText() const;

    const SettingsComparison& comparison;
    Sides sides;
    AppSettings* settings;
    QSet<uint16_t> ignored;
    QLabel* summary;
    QTableWidget* table;
};

#endif
