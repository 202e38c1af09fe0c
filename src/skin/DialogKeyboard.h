#pragma once

#include <QObject>

class QAbstractButton;
class QDialog;
class QWidget;

// The keyboard rules of every window of the desk, installed once on the application so that
// no dialog has to repeat them:
// - Enter in an entry field never ends a dialog while the field holds typing that would be
//   lost. A field with a button of its own (SetEnterButton) presses that button; a field of a
//   record form (MarkAsForm) moves the focus to the next field, as desk clerks are used to; in
//   any other dialog Enter reaches the default button, which takes what was typed. Enter on
//   a push button that has the focus presses that button; in a record form Enter on a list
//   moves on like Tab, so that only a button ever ends a form.
// - Tab and Shift+Tab leave lists and multi-line fields instead of moving inside them.
// - The first time a dialog is shown its tab order becomes the visual order: the order of its
//   layouts, top to bottom and left to right; a grid of two columns of fields column by column,
//   each column top to bottom.
class DialogKeyboard : public QObject
{
    Q_OBJECT

public:
    // Installs the rules on the running application; a second call does nothing.
    static void install();

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    using QObject::QObject;
};

// Enter in `field` presses `button` (for example "增加" beside the box of unwanted numbers).
void SetEnterButton(QWidget* field, QAbstractButton* button);

// Enter in the entry fields of `dialog` moves to the next field instead of ending the dialog.
void MarkAsForm(QDialog* dialog);

// Sets the tab order of `window` to the order of its layouts (rows top to bottom, each row
// left to right); widgets outside any layout follow, by position. Done for every dialog when
// it is first shown; exposed for windows that rebuild their controls.
void ApplyVisualTabOrder(QWidget* window);
