#include "skin/DialogButton.h"

#include <QPushButton>

QPushButton* NewDialogButton(const QString& text, const char* objectName, QWidget* parent)
{
    auto* button = new QPushButton(text, parent);
    button->setObjectName(QString::fromLatin1(objectName));
    button->setMinimumSize(75, 25);
    button->setAutoDefault(false);
    return button;
}
