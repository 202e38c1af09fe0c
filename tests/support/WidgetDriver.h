#pragma once

#include <QApplication>
#include <QDialog>
#include <QTimer>
#include <QWidget>

#include <functional>

class QAbstractItemView;
class QComboBox;
class QLineEdit;
class RowListView;

// Drives the desk's widgets as a user would, finding them by object name.

// The child of `parent` named `name`; the test stops (qFatal) when there is none.
template <typename T> T* Child(const QObject* parent, const QString& name)
{
    T* child = parent->findChild<T*>(name);
    if (!child)
        qFatal("no %s named %s", T::staticMetaObject.className(), qPrintable(name));
    return child;
}

// Shows the window and waits until it is on the screen; false when it never got there.
bool ShowOnScreen(QWidget& window);

// Clicks the button of `parent` named `name`.
void Click(const QWidget* parent, const QString& name);

// Types `text` key by key: a line break is the Return key, Chinese characters arrive as the
// text of a key event.
void TypeText(QWidget* widget, const QString& text);
// Empties the edit box, then types.
void TypeInto(QLineEdit* edit, const QString& text);
// Replaces what the box holds with `text` in one piece, as an input method commits a word or
// a paste puts it in: one change of the box.
void CommitInto(QLineEdit* edit, const QString& text);
// Saves `dialog` as the desk shows it on a screen of 1366×768 and of 1024×768, with a message
// box saying `message` over it, to <name>-1366x768.png and <name>-1024x768.png under the test
// output; false when a picture could not be saved.
bool SaveRefusalPictures(QWidget& dialog, const QString& message, const QString& name);
// Saves the dialog as the desk shows it, in the middle of a screen of 1366×768 and of 1024×768,
// as "<name>-1366x768.png" and "<name>-1024x768.png" among the tests' pictures.
bool SaveScreenPictures(QWidget& dialog, const QString& name);
// Chooses the item with `text` as the user would, so that the box's activated() follows.
void Choose(QComboBox* box, const QString& text);
// Clicks the first cell of `row`.
void ClickRow(RowListView& list, int row);
inline void ClickRow(RowListView* list, int row)
{
    ClickRow(*list, row);
}
// The texts of one column, top first.
QStringList Column(const RowListView& list, int column);
inline QStringList Column(const RowListView* list, int column)
{
    return Column(*list, column);
}

// Whether the focus is in `widget` or in a control inside it (an editable box's line edit).
bool HasFocus(const QWidget* widget);
// Gives `start` the focus, presses Tab `count` times and returns the object name of the
// control that has the focus after each press (of the named control it lies in).
QStringList TabOrder(QWidget* start, int count);
// The same for any list over a model (the lists of typed lines).
void ClickLine(QAbstractItemView* list, int row);
QStringList Cells(const QAbstractItemView* list, int column);

// Runs `step` on the next modal dialog of type T that opens, then returns. Use it before the
// action that opens the dialog: the step runs from the event loop of the dialog's exec().
template <typename T> void WhenDialogOpens(std::function<void(T*)> step, int attempts = 100)
{
    QTimer::singleShot(10, [step, attempts] {
        for (QWidget* widget : QApplication::topLevelWidgets()) {
            if (auto* dialog = qobject_cast<T*>(widget); dialog && dialog->isVisible()) {
                step(dialog);
                return;
            }
        }
        if (attempts > 0)
            WhenDialogOpens<T>(step, attempts - 1);
    });
}
