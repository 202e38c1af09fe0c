#include "support/WidgetDriver.h"

#include "app/RowListModel.h"
#include "app/RowListView.h"
#include "support/TestEnvironment.h"

#include <QAbstractButton>
#include <QAbstractItemView>
#include <QComboBox>
#include <QLineEdit>
#include <QMessageBox>
#include <QPainter>
#include <QtTest>

bool ShowOnScreen(QWidget& window)
{
    window.show();
    return QTest::qWaitForWindowExposed(&window);
}

void Click(const QWidget* parent, const QString& name)
{
    Child<QAbstractButton>(parent, name)->click();
}

void TypeText(QWidget* widget, const QString& text)
{
    for (const QChar c : text) {
        if (c == u'\n')
            QTest::keyClick(widget, Qt::Key_Return);
        else if (c.unicode() < 0x80)
            QTest::keyClick(widget, c.toLatin1());
        else
            QTest::sendKeyEvent(QTest::Click, widget, Qt::Key_unknown, QString(c), Qt::NoModifier);
    }
}

void TypeInto(QLineEdit* edit, const QString& text)
{
    edit->clear();
    TypeText(edit, text);
}

void CommitInto(QLineEdit* edit, const QString& text)
{
    edit->setFocus();
    edit->selectAll();
    QTest::sendKeyEvent(QTest::Click, edit, Qt::Key_unknown, text, Qt::NoModifier);
}

bool SaveRefusalPictures(QWidget& dialog, const QString& message, const QString& name)
{
    const QPixmap window = dialog.grab();
    QMessageBox box(QMessageBox::Information, QApplication::applicationDisplayName(), message, QMessageBox::Ok);
    box.show();
    const bool exposed = QTest::qWaitForWindowExposed(&box);
    const QPixmap question = box.grab();
    box.close();
    bool saved = exposed;
    for (const QSize screen : { QSize(1366, 768), QSize(1024, 768) }) {
        QImage picture(screen, QImage::Format_RGB32);
        picture.fill(QColor(90, 110, 140));
        QPainter painter(&picture);
        const QPoint corner((screen.width() - window.width()) / 2, (screen.height() - window.height()) / 2);
        painter.drawPixmap(corner, window);
        painter.drawPixmap(
            (screen.width() - question.width()) / 2, (screen.height() - question.height()) / 2, question);
        painter.end();
        saved = picture.save(
                    TestOutputPath(QStringLiteral("%1-%2x%3.png").arg(name).arg(screen.width()).arg(screen.height())))
            && saved;
    }
    return saved;
}

bool SaveScreenPictures(QWidget& dialog, const QString& name)
{
    const QPixmap window = dialog.grab();
    bool saved = true;
    for (const QSize screen : { QSize(1366, 768), QSize(1024, 768) }) {
        QImage picture(screen, QImage::Format_RGB32);
        picture.fill(QColor(90, 110, 140));
        QPainter painter(&picture);
        painter.drawPixmap((screen.width() - window.width()) / 2, (screen.height() - window.height()) / 2, window);
        painter.end();
        saved = picture.save(
                    TestOutputPath(QStringLiteral("%1-%2x%3.png").arg(name).arg(screen.width()).arg(screen.height())))
            && saved;
    }
    return saved;
}

void Choose(QComboBox* box, const QString& text)
{
    const int index = box->findText(text);
    if (index < 0)
        qFatal("%s offers no %s", qPrintable(box->objectName()), qPrintable(text));
    box->setCurrentIndex(index);
    emit box->activated(index);
}

bool HasFocus(const QWidget* widget)
{
    const QWidget* focus = QApplication::focusWidget();
    return focus && (focus == widget || widget->isAncestorOf(focus));
}

namespace {

QString FocusName()
{
    for (const QWidget* widget = QApplication::focusWidget(); widget; widget = widget->parentWidget()) {
        if (!widget->objectName().isEmpty())
            return widget->objectName();
    }
    return {};
}

} // namespace

QStringList TabOrder(QWidget* start, int count)
{
    start->setFocus(Qt::OtherFocusReason);
    if (!QTest::qWaitFor([start] { return HasFocus(start); }))
        return { QStringLiteral("(no focus in %1)").arg(start->objectName()) };
    QStringList names;
    for (int press = 0; press < count; ++press) {
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
        names << FocusName();
    }
    return names;
}

void ClickRow(RowListView& list, int row)
{
    ClickLine(&list, row);
}

void ClickLine(QAbstractItemView* list, int row)
{
    const QRect cell = list->visualRect(list->model()->index(row, 0));
    QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, cell.center());
}

QStringList Cells(const QAbstractItemView* list, int column)
{
    QStringList cells;
    for (int row = 0; row < list->model()->rowCount(); ++row)
        cells.append(list->model()->index(row, column).data().toString());
    return cells;
}

QStringList Column(const RowListView& list, int column)
{
    QStringList cells;
    for (int row = 0; row < list.rowCount(); ++row)
        cells.append(list.rows().cell(row, column));
    return cells;
}
