#include "shell/DialogMessageService.h"

#include <QApplication>
#include <QFontMetrics>
#include <QGridLayout>
#include <QInputDialog>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>

namespace {

QMessageBox::Icon boxIcon(MessageService::Icon icon)
{
    switch (icon) {
    case MessageService::Icon::Warning:
        return QMessageBox::Warning;
    case MessageService::Icon::Critical:
        return QMessageBox::Critical;
    case MessageService::Icon::Question:
        return QMessageBox::Question;
    case MessageService::Icon::Information:
        break;
    }
    return QMessageBox::Information;
}

int runBox(const QString& text, const QString& caption, MessageService::Icon icon, QMessageBox::StandardButtons buttons)
{
    QMessageBox box(boxIcon(icon), caption.isEmpty() ? QApplication::applicationDisplayName() : caption, text, buttons,
        QApplication::activeWindow());
    box.button(QMessageBox::Ok)->setText(QStringLiteral("确定"));
    if (QAbstractButton* cancel = box.button(QMessageBox::Cancel))
        cancel->setText(QStringLiteral("取消"));
    // A box as narrow as a short text ("交班完毕!") leaves the window manager no room for its
    // caption beside the title bar's buttons. A message box sizes itself from its layout, so
    // the width is held open by a spacer under its contents.
    if (auto* grid = qobject_cast<QGridLayout*>(box.layout())) {
        grid->addItem(new QSpacerItem(DialogMessageService::minimumBoxWidth(box.windowTitle(), box.font()), 0,
                          QSizePolicy::Minimum, QSizePolicy::Fixed),
            grid->rowCount(), 0, 1, grid->columnCount());
    }
    return box.exec();
}

} // namespace

int DialogMessageService::minimumBoxWidth(const QString& caption, const QFont& font)
{
    // Title bars often use a larger, bold face; the window's icon and three buttons take the
    // rest of the width.
    QFont title = font;
    title.setBold(true);
    title.setPointSizeF(title.pointSizeF() * 1.25);
    return qMax(MinimumBoxWidth, QFontMetrics(title).horizontalAdvance(caption) + TitleBarControlsWidth);
}

void DialogMessageService::inform(const QString& text, const QString& caption, Icon icon)
{
    runBox(text, caption, icon, QMessageBox::Ok);
}

bool DialogMessageService::ask(const QString& text, const QString& caption, Icon icon)
{
    return runBox(text, caption, icon, QMessageBox::Ok | QMessageBox::Cancel) == QMessageBox::Ok;
}

std::optional<QString> DialogMessageService::askPassword(const QString& text, const QString& caption)
{
    QInputDialog dialog(QApplication::activeWindow());
    dialog.setObjectName(QStringLiteral("passwordDialog"));
    dialog.setWindowTitle(caption.isEmpty() ? QApplication::applicationDisplayName() : caption);
    dialog.setLabelText(text);
    dialog.setTextEchoMode(QLineEdit::Password);
    dialog.setOkButtonText(QStringLiteral("确定"));
    dialog.setCancelButtonText(QStringLiteral("取消"));
    dialog.setMinimumWidth(MinimumBoxWidth + TitleBarControlsWidth);
    if (dialog.exec() != QDialog::Accepted)
        return std::nullopt;
    return dialog.textValue();
}
