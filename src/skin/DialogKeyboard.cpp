#include "skin/DialogKeyboard.h"

#include <QAbstractButton>
#include <QAbstractItemView>
#include <QAbstractSpinBox>
#include <QApplication>
#include <QComboBox>
#include <QDialog>
#include <QGridLayout>
#include <QKeyEvent>
#include <QLineEdit>
#include <QMap>
#include <QPlainTextEdit>
#include <QPointer>
#include <QPushButton>
#include <QTextEdit>

#include <algorithm>

namespace {

constexpr char EnterButtonProperty[] = "tavrelEnterButton";
constexpr char FormProperty[] = "tavrelForm";
constexpr char TabOrderDoneProperty[] = "tavrelTabOrderDone";

// Qt's own dialogs (file, print, message boxes) keep the order Qt gives them.
bool IsQtStandardDialog(const QObject* dialog)
{
    static const char* const Standard[]
        = { "QMessageBox", "QFileDialog", "QPrintDialog", "QPageSetupDialog", "QPrintPreviewDialog", "QInputDialog",
              "QProgressDialog", "QColorDialog", "QFontDialog", "QErrorMessage", "QWizard" };
    return std::any_of(std::begin(Standard), std::end(Standard),
        [dialog](const char* className) { return dialog->inherits(className); });
}

// The control a line edit belongs to: an editable combo box or a spin box owns its line edit.
QWidget* OwningField(QLineEdit* edit)
{
    QWidget* parent = edit->parentWidget();
    if (qobject_cast<QComboBox*>(parent) || qobject_cast<QAbstractSpinBox*>(parent))
        return parent;
    return edit;
}

bool IsEnterKey(const QKeyEvent* key)
{
    return (key->key() == Qt::Key_Return || key->key() == Qt::Key_Enter)
        && !(key->modifiers() & (Qt::ControlModifier | Qt::AltModifier));
}

// The entry field that an Enter sent to `target` belongs to, or null when `target` is not one.
QWidget* EntryField(QObject* target)
{
    if (auto* edit = qobject_cast<QLineEdit*>(target))
        return OwningField(edit);
    if (auto* combo = qobject_cast<QComboBox*>(target); combo && combo->isEditable())
        return combo;
    return qobject_cast<QAbstractSpinBox*>(target);
}

bool IsForm(const QWidget* window)
{
    return qobject_cast<const QDialog*>(window) && window->property(FormProperty).toBool();
}

// The standard Tab handling moves the focus along the tab chain.
void MoveToNextField(QWidget* widget)
{
    QKeyEvent tab(QEvent::KeyPress, Qt::Key_Tab, Qt::NoModifier);
    QCoreApplication::sendEvent(widget, &tab);
}

bool HandleEnter(QWidget* field)
{
    const auto button = field->property(EnterButtonProperty).value<QPointer<QAbstractButton>>();
    if (button) {
        if (button->isEnabled())
            button->click();
        return true;
    }
    if (IsForm(field->window())) {
        MoveToNextField(field);
        return true;
    }
    return false;
}

// A push button of one of the desk's dialogs that has the focus: Enter presses it, as Space
// does. Without this, Enter on "添加" would reach the default button "确定" and close the
// dialog with the typed record unsaved.
QPushButton* FocusedDialogButton(QObject* target)
{
    auto* button = qobject_cast<QPushButton*>(target);
    if (!button || !button->hasFocus())
        return nullptr;
    const QWidget* window = button->window();
    return qobject_cast<const QDialog*>(window) && !IsQtStandardDialog(window) ? button : nullptr;
}

// In a record form Enter never reaches the default button: on a list or any other control
// that is neither an entry field nor a button, it moves on like Tab.
bool IsOtherFormControl(QObject* target)
{
    auto* widget = qobject_cast<QWidget*>(target);
    return widget && widget->hasFocus() && IsForm(widget->window()) && !qobject_cast<QAbstractButton*>(widget)
        && !qobject_cast<QTextEdit*>(widget) && !qobject_cast<QPlainTextEdit*>(widget);
}

// Lists and multi-line fields give Tab back to the window.
void LetTabLeave(QObject* widget)
{
    if (auto* view = qobject_cast<QAbstractItemView*>(widget))
        view->setTabKeyNavigation(false);
    else if (auto* text = qobject_cast<QTextEdit*>(widget))
        text->setTabChangesFocus(true);
    else if (auto* plain = qobject_cast<QPlainTextEdit*>(widget))
        plain->setTabChangesFocus(true);
}

bool TakesTabFocus(const QWidget* widget, const QWidget* window)
{
    return (widget->focusPolicy() & Qt::TabFocus) && widget->isVisibleTo(window);
}

// Controls that manage their own inner widgets: the walk stops at them.
bool IsCompound(const QWidget* widget)
{
    return qobject_cast<const QComboBox*>(widget) || qobject_cast<const QAbstractSpinBox*>(widget)
        || qobject_cast<const QAbstractItemView*>(widget) || qobject_cast<const QTextEdit*>(widget)
        || qobject_cast<const QPlainTextEdit*>(widget);
}

void CollectWidget(QWidget* widget, const QWidget* window, QList<QWidget*>& order);
void CollectLayout(QLayout* layout, const QWidget* window, QList<QWidget*>& order);

void CollectItem(QLayoutItem* item, const QWidget* window, QList<QWidget*>& order)
{
    if (item->widget())
        CollectWidget(item->widget(), window, order);
    else if (item->layout())
        CollectLayout(item->layout(), window, order);
}

// Whether an item of a grid holds an entry field (anything that takes Tab but a button).
bool HoldsEntryField(QLayoutItem* item, const QWidget* window)
{
    QList<QWidget*> inside;
    CollectItem(item, window, inside);
    return std::any_of(inside.cbegin(), inside.cend(),
        [](const QWidget* widget) { return !qobject_cast<const QAbstractButton*>(widget); });
}

// A grid of two or more columns of fields, the first of them holding fields in two rows or
// more, is read column by column, each from top to bottom, as the eye reads a two-column
// form; any other grid (a row of fields with a button, a block of buttons) row by row.
bool ReadByColumns(QGridLayout* grid, const QWidget* window)
{
    QMap<int, int> fieldsPerColumn;
    for (int i = 0; i < grid->count(); ++i) {
        int row = 0, column = 0, rowSpan = 0, columnSpan = 0;
        grid->getItemPosition(i, &row, &column, &rowSpan, &columnSpan);
        if (HoldsEntryField(grid->itemAt(i), window))
            ++fieldsPerColumn[column];
    }
    return fieldsPerColumn.size() >= 2 && fieldsPerColumn.first() >= 2;
}

void CollectLayout(QLayout* layout, const QWidget* window, QList<QWidget*>& order)
{
    if (auto* grid = qobject_cast<QGridLayout*>(layout)) {
        // Row by row, each row from left to right, or column by column; an item spanning cells
        // is taken once, at its first cell.
        const bool byColumns = ReadByColumns(grid, window);
        const int outer = byColumns ? grid->columnCount() : grid->rowCount();
        const int inner = byColumns ? grid->rowCount() : grid->columnCount();
        QList<QLayoutItem*> seen;
        for (int i = 0; i < outer; ++i) {
            for (int j = 0; j < inner; ++j) {
                QLayoutItem* item = byColumns ? grid->itemAtPosition(j, i) : grid->itemAtPosition(i, j);
                if (!item || seen.contains(item))
                    continue;
                seen.append(item);
                CollectItem(item, window, order);
            }
        }
        return;
    }
    for (int i = 0; i < layout->count(); ++i)
        CollectItem(layout->itemAt(i), window, order);
}

void CollectWidget(QWidget* widget, const QWidget* window, QList<QWidget*>& order)
{
    if (widget->isWindow() || order.contains(widget))
        return;
    if (TakesTabFocus(widget, window))
        order.append(widget);
    if (!IsCompound(widget) && widget->layout())
        CollectLayout(widget->layout(), window, order);
}

bool IsInsideCompound(const QWidget* widget, const QWidget* window)
{
    for (const QWidget* parent = widget->parentWidget(); parent && parent != window; parent = parent->parentWidget()) {
        if (IsCompound(parent))
            return true;
    }
    return false;
}

} // namespace

void DialogKeyboard::install()
{
    auto* application = QCoreApplication::instance();
    if (!application || application->findChild<DialogKeyboard*>(QString(), Qt::FindDirectChildrenOnly))
        return;
    application->installEventFilter(new DialogKeyboard(application));
}

bool DialogKeyboard::eventFilter(QObject* watched, QEvent* event)
{
    switch (event->type()) {
    case QEvent::Polish:
        LetTabLeave(watched);
        break;
    case QEvent::Show:
        if (auto* dialog = qobject_cast<QDialog*>(watched);
            dialog && !IsQtStandardDialog(dialog) && !dialog->property(TabOrderDoneProperty).toBool()) {
            dialog->setProperty(TabOrderDoneProperty, true);
            ApplyVisualTabOrder(dialog);
        }
        break;
    case QEvent::KeyPress:
        if (IsEnterKey(static_cast<QKeyEvent*>(event))) {
            if (QWidget* field = EntryField(watched))
                return HandleEnter(field);
            if (QPushButton* button = FocusedDialogButton(watched)) {
                if (button->isEnabled())
                    button->click();
                return true;
            }
            if (IsOtherFormControl(watched)) {
                MoveToNextField(static_cast<QWidget*>(watched));
                return true;
            }
        }
        break;
    default:
        break;
    }
    return QObject::eventFilter(watched, event);
}

void SetEnterButton(QWidget* field, QAbstractButton* button)
{
    field->setProperty(EnterButtonProperty, QVariant::fromValue(QPointer<QAbstractButton>(button)));
}

void MarkAsForm(QDialog* dialog)
{
    dialog->setProperty(FormProperty, true);
}

void ApplyVisualTabOrder(QWidget* window)
{
    QList<QWidget*> order;
    if (QLayout* layout = window->layout()) {
        layout->activate();
        CollectLayout(layout, window, order);
    }
    // Controls placed by hand follow, top to bottom and left to right.
    QList<QWidget*> placed;
    const QList<QWidget*> children = window->findChildren<QWidget*>();
    for (QWidget* widget : children) {
        if (!widget->isWindow() && !order.contains(widget) && TakesTabFocus(widget, window)
            && !IsInsideCompound(widget, window) && !widget->focusProxy()
            && !(qobject_cast<QLineEdit*>(widget) && OwningField(static_cast<QLineEdit*>(widget)) != widget))
            placed.append(widget);
    }
    std::stable_sort(placed.begin(), placed.end(), [window](const QWidget* a, const QWidget* b) {
        const QPoint pa = a->mapTo(window, QPoint(0, 0));
        const QPoint pb = b->mapTo(window, QPoint(0, 0));
        return pa.y() != pb.y() ? pa.y() < pb.y() : pa.x() < pb.x();
    });
    order += placed;
    for (qsizetype i = 1; i < order.size(); ++i)
        QWidget::setTabOrder(order[i - 1], order[i]);
}
