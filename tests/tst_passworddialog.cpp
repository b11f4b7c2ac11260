#include "app/PasswordDialog.h"
#include "support/RunModal.h"

#include <QDialogButtonBox>
#include <QGridLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSpinBox>
#include <QTest>

class TestPasswordDialog : public QObject
{
    Q_OBJECT

private slots:
    void formHasTitleSizeAndLayout();
    void freshDialogIsNotAccepted();
    void passwordIsEnteredInHex_data();
    void passwordIsEnteredInHex();

    void closingSetsAcceptedFlag_data();
    void closingSetsAcceptedFlag();
    void cancelAfterOkClearsFlag();
    void passwordIsKeptBetweenRuns();
};

namespace {

QSpinBox* passwordBox(QWidget& dialog)
{
    return dialog.findChild<QSpinBox*>(QStringLiteral("sbPassword"));
}

QPushButton* button(QWidget& dialog, QDialogButtonBox::StandardButton which)
{
    return dialog.findChild<QDialogButtonBox*>(QStringLiteral("buttonBox"))->button(which);
}

enum class Close
{
    Ok,
    Cancel,
    Escape,
    Enter,
    TitleBar
};

void close(QDialog& dialog, Close how)
{
    switch (how) {
    case Close::Ok:
        button(dialog, QDialogButtonBox::Ok)->click();
        break;
    case Close::Cancel:
        button(dialog, QDialogButtonBox::Cancel)->click();
        break;
    case Close::Escape:
        QTest::keyClick(&dialog, Qt::Key_Escape);
        break;
    case Close::Enter:
        QTest::keyClick(passwordBox(dialog), Qt::Key_Return);
        break;
    case Close::TitleBar:
        // What the title bar's close button asks of the window.
        dialog.close();
        break;
    }
}

} // namespace

Q_DECLARE_METATYPE(Close)

void TestPasswordDialog::formHasTitleSizeAndLayout()
{
    PasswordDialog dialog;
    QCOMPARE(dialog.objectName(), QStringLiteral("PasswordDialog"));
    QCOMPARE(dialog.windowTitle(), QStringLiteral("Ввод пароля"));
    QCOMPARE(dialog.size(), QSize(215, 93));
    QVERIFY(!(dialog.windowFlags() & Qt::WindowContextHelpButtonHint));

    auto* grid = dialog.findChild<QGridLayout*>(QStringLiteral("gridLayout"));
    QVERIFY(grid);
    auto* label = qobject_cast<QLabel*>(grid->itemAtPosition(0, 0)->widget());
    QVERIFY(label);
    QCOMPARE(label->objectName(), QStringLiteral("label"));
    QCOMPARE(label->text(), QStringLiteral("Пароль (шестнадцатеричный)"));
    QCOMPARE(passwordBox(dialog)->prefix(), QStringLiteral("0x"));
    QCOMPARE(grid->itemAtPosition(0, 1)->widget(), passwordBox(dialog));

    auto* buttons = dialog.findChild<QDialogButtonBox*>(QStringLiteral("buttonBox"));
    QVERIFY(buttons);
    QCOMPARE(buttons->orientation(), Qt::Horizontal);
    QCOMPARE(buttons->standardButtons(), QDialogButtonBox::Ok | QDialogButtonBox::Cancel);
    int row, column, rowSpan, columnSpan;
    grid->getItemPosition(grid->indexOf(buttons), &row, &column, &rowSpan, &columnSpan);
    QCOMPARE(row, 1);
    QCOMPARE(column, 0);
    QCOMPARE(columnSpan, 2);
}

void TestPasswordDialog::freshDialogIsNotAccepted()
{
    PasswordDialog dialog;
    QVERIFY(!dialog.isAccepted());
    QCOMPARE(dialog.password(), 0);
    QCOMPARE(passwordBox(dialog)->minimum(), 0);
    QCOMPARE(passwordBox(dialog)->maximum(), 0xFFFF);
    QCOMPARE(passwordBox(dialog)->displayIntegerBase(), 16);
}

void TestPasswordDialog::passwordIsEnteredInHex_data()
{
    QTest::addColumn<QString>("typed");
    QTest::addColumn<int>("password");

    QTest::newRow("digits only") << "10" << 0x10;
    QTest::newRow("upper case") << "1A2B" << 0x1A2B;
    QTest::newRow("lower case") << "beef" << 0xBEEF;
    QTest::newRow("largest") << "FFFF" << 0xFFFF;
    QTest::newRow("typed with its prefix") << "0x12ab" << 0x12AB;
    QTest::newRow("zero") << "0" << 0;
}

void TestPasswordDialog::passwordIsEnteredInHex()
{
    QFETCH(QString, typed);
    QFETCH(int, password);

    PasswordDialog dialog;
    const ModalRun run = runModal(dialog, [&](QDialog& shown) {
        QSpinBox* box = passwordBox(shown);
        box->setValue(0x1234);
        auto* edit = box->findChild<QLineEdit*>();
        edit->selectAll();
        QTest::keyClicks(edit, typed);
        close(shown, Close::Ok);
    });

    QVERIFY(run.shown);
    QVERIFY(!run.timedOut);
    QCOMPARE(dialog.password(), password);
    QVERIFY(dialog.isAccepted());
}

void TestPasswordDialog::closingSetsAcceptedFlag_data()
{
    QTest::addColumn<Close>("how");
    QTest::addColumn<bool>("accepted");

    QTest::newRow("Ok") << Close::Ok << true;
    QTest::newRow("Enter") << Close::Enter << true;
    QTest::newRow("Cancel") << Close::Cancel << false;
    QTest::newRow("Escape") << Close::Escape << false;
    QTest::newRow("title bar") << Close::TitleBar << false;
}

void TestPasswordDialog::closingSetsAcceptedFlag()
{
    QFETCH(Close, how);
    QFETCH(bool, accepted);

    PasswordDialog dialog;
    // Start from the opposite outcome, so that each way of closing has to
    // change the flag rather than find it already right.
    runModal(dialog, [&](QDialog& shown) { close(shown, accepted ? Close::Cancel : Close::Ok); });
    QCOMPARE(dialog.isAccepted(), !accepted);

    const ModalRun run = runModal(dialog, [&](QDialog& shown) { close(shown, how); });
    QVERIFY(run.shown);
    QVERIFY(!run.timedOut);
    QCOMPARE(dialog.isAccepted(), accepted);
    QCOMPARE(run.result, accepted ? int(QDialog::Accepted) : int(QDialog::Rejected));
}

void TestPasswordDialog::cancelAfterOkClearsFlag()
{
    PasswordDialog dialog;
    runModal(dialog, [](QDialog& shown) { close(shown, Close::Ok); });
    QVERIFY(dialog.isAccepted());
    const ModalRun run = runModal(dialog, [](QDialog& shown) { close(shown, Close::Cancel); });
    QVERIFY(run.shown);
    QVERIFY(!dialog.isAccepted());
    runModal(dialog, [](QDialog& shown) { close(shown, Close::Ok); });
    QVERIFY(dialog.isAccepted());
}

void TestPasswordDialog::passwordIsKeptBetweenRuns()
{
    PasswordDialog dialog;
    runModal(dialog, [](QDialog& shown) {
        passwordBox(shown)->setValue(0xA5A5);
        close(shown, Close::Ok);
    });
    int shownNextTime = -1;
    runModal(dialog, [&](QDialog& shown) {
        shownNextTime = passwordBox(shown)->value();
        close(shown, Close::Cancel);
    });
    QCOMPARE(shownNextTime, 0xA5A5);
    QCOMPARE(dialog.password(), 0xA5A5);
}

QTEST_MAIN(TestPasswordDialog)
#include "tst_passworddialog.moc"
