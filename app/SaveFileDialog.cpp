#include "app/SaveFileDialog.h"

#include <QFileDialog>
#include <QRegularExpression>
#include <QStringList>

QString SaveFileDialog::fileName(QWidget* parent, const QString& caption, const QString& folder,
                                 const QString& filter, const QString& defaultSuffix)
{
    QFileDialog dialog(parent, caption, folder, filter);
    dialog.setAcceptMode(QFileDialog::AcceptSave);
    dialog.setFileMode(QFileDialog::AnyFile);
    dialog.setDefaultSuffix(defaultSuffix);
    // With several formats to choose from, the chosen one's extension is added.
    QObject::connect(&dialog, &QFileDialog::filterSelected, &dialog,
                     [&dialog](const QString& filter) {
                         const QRegularExpressionMatch match =
                             QRegularExpression(QStringLiteral("\\*\\.(\\w+)")).match(filter);
                         if (match.hasMatch())
                             dialog.setDefaultSuffix(match.captured(1));
                     });
    if (dialog.exec() != QDialog::Accepted)
        return QString();
    return dialog.selectedFiles().value(0);
}
