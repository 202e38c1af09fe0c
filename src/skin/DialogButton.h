#pragma once

#include <QString>

class QPushButton;
class QWidget;

// A push button of a dialog's button row, at least 75 x 25 like the desk's other buttons. It
// never takes Enter for itself: a dialog chooses which field's Enter presses which button
// (SetEnterButton), so that Enter never ends a dialog that holds typing.
QPushButton* NewDialogButton(const QString& text, const char* objectName, QWidget* parent);
