#include "shell/DialogFileChooser.h"

#include <QFileDialog>
#include <QFileInfo>
#include <QRegularExpression>

std::optional<QString> DialogFileChooser::chooseSaveFile(
    QWidget* parent, const QString& caption, const QString& suggested, const QString& filters)
{
    QString chosenFilter;
    QString path = QFileDialog::getSaveFileName(parent, caption, suggested, filters, &chosenFilter);
    if (path.isEmpty())
        return std::nullopt;
    // Desktops whose dialog adds no suffix: the one of the chosen filter, "*.xlsx" -> ".xlsx".
    if (QFileInfo(path).suffix().isEmpty()) {
        static const QRegularExpression firstPattern(QStringLiteral("\\*(\\.[A-Za-z0-9]+)"));
        if (const QRegularExpressionMatch match = firstPattern.match(chosenFilter); match.hasMatch())
            path += match.captured(1);
    }
    return path;
}
