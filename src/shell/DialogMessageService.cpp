#include "shell/DialogMessageService.h"

#include <QApplication>
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
    return box.exec();
}

} // namespace

void DialogMessageService::inform(const QString& text, const QString& caption, Icon icon)
{
    runBox(text, caption, icon, QMessageBox::Ok);
}

bool DialogMessageService::ask(const QString& text, const QString& caption, Icon icon)
{
    return runBox(text, caption, icon, QMessageBox::Ok | QMessageBox::Cancel) == QMessageBox::Ok;
}
