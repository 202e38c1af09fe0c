#include "skin/DialogKeyboard.h"

#include <QComboBox>
#include <QDialog>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTableWidget>
#include <QTextEdit>
#include <QVBoxLayout>
#include <QtTest>

namespace {

// A dialog shaped like the desk's record forms. The controls are created in an order unlike
// the visual one, as dialogs that grow over time end up with.
class SampleDialog : public QDialog
{
public:
    SampleDialog()
    {
        ok = new QPushButton(QStringLiteral("确定"), this);
        ok->setObjectName(QStringLiteral("okButton"));
        ok->setDefault(true);
        connect(ok, &QPushButton::clicked, this, &QDialog::accept);
        notes = new QTextEdit(this);
        notes->setObjectName(QStringLiteral("notes"));
        list = new QTableWidget(3, 2, this);
        list->setObjectName(QStringLiteral("list"));
        add = new QPushButton(QStringLiteral("增加"), this);
        add->setObjectName(QStringLiteral("addButton"));
        connect(add, &QPushButton::clicked, this, [this] { ++addClicks; });
        unwanted = new QLineEdit(this);
        unwanted->setObjectName(QStringLiteral("unwanted"));
        category = new QComboBox(this);
        category->setObjectName(QStringLiteral("category"));
        category->setEditable(true);
        name = new QLineEdit(this);
        name->setObjectName(QStringLiteral("name"));

        auto* grid = new QGridLayout(this);
        grid->addWidget(name, 0, 0, 1, 2);
        grid->addWidget(category, 1, 0, 1, 2);
        grid->addWidget(unwanted, 2, 0);
        grid->addWidget(add, 2, 1);
        grid->addWidget(list, 3, 0, 1, 2);
        grid->addWidget(notes, 4, 0, 1, 2);
        auto* buttons = new QHBoxLayout;
        buttons->addStretch();
        buttons->addWidget(ok);
        grid->addLayout(buttons, 5, 0, 1, 2);
        SetEnterButton(unwanted, add);
    }

    QLineEdit* name;
    QComboBox* category;
    QLineEdit* unwanted;
    QPushButton* add;
    QTableWidget* list;
    QTextEdit* notes;
    QPushButton* ok;
    int addClicks = 0;
};

// Whether the focus is in `field` (an editable combo box passes it to its line edit).
bool HasFocus(const QWidget* field)
{
    const QWidget* focus = QApplication::focusWidget();
    return focus && (focus == field || field->isAncestorOf(focus));
}

void showAndFocus(QDialog& dialog, QWidget* field)
{
    dialog.show();
    QVERIFY(QTest::qWaitForWindowExposed(&dialog));
    field->setFocus();
    QTRY_VERIFY(HasFocus(field));
}

} // namespace

class TestDialogKeyboard : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase() { DialogKeyboard::install(); }

    void enterInAFormMovesToTheNextField()
    {
        SampleDialog dialog;
        MarkAsForm(&dialog);
        showAndFocus(dialog, dialog.name);
        QTest::keyClicks(dialog.name, QStringLiteral("zhang"));
        QTest::keyClick(dialog.name, Qt::Key_Return);
        QVERIFY(dialog.isVisible());
        QCOMPARE(dialog.result(), 0);
        QVERIFY(HasFocus(dialog.category));
        QTest::keyClicks(QApplication::focusWidget(), QStringLiteral("tech"));
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Enter);
        QVERIFY(dialog.isVisible());
        QVERIFY(HasFocus(dialog.unwanted));
        QCOMPARE(dialog.category->currentText(), QStringLiteral("tech"));
        QCOMPARE(dialog.name->text(), QStringLiteral("zhang"));
    }

    void enterOutsideAFormReachesTheDefaultButton()
    {
        SampleDialog dialog;
        showAndFocus(dialog, dialog.name);
        QTest::keyClicks(dialog.name, QStringLiteral("101"));
        QTest::keyClick(dialog.name, Qt::Key_Return);
        QCOMPARE(dialog.result(), int(QDialog::Accepted));
        QVERIFY(!dialog.isVisible());
    }

    void enterInAFieldWithItsOwnButtonPressesIt()
    {
        for (const bool form : { false, true }) {
            SampleDialog dialog;
            if (form)
                MarkAsForm(&dialog);
            showAndFocus(dialog, dialog.unwanted);
            QTest::keyClicks(dialog.unwanted, QStringLiteral("213"));
            QTest::keyClick(dialog.unwanted, Qt::Key_Return);
            QCOMPARE(dialog.addClicks, 1);
            QVERIFY(dialog.isVisible());
            dialog.add->setEnabled(false);
            QTest::keyClick(dialog.unwanted, Qt::Key_Return);
            QCOMPARE(dialog.addClicks, 1);
            QVERIFY(dialog.isVisible());
        }
    }

    // Enter on a push button that has the focus presses that button, not the default one.
    void enterOnAFocusedButtonPressesIt()
    {
        for (const bool form : { false, true }) {
            SampleDialog dialog;
            if (form)
                MarkAsForm(&dialog);
            // As in the desk's dialogs, where only "确定" is a default button.
            dialog.add->setAutoDefault(false);
            showAndFocus(dialog, dialog.add);
            QTest::keyClick(dialog.add, Qt::Key_Return);
            QCOMPARE(dialog.addClicks, 1);
            QVERIFY(dialog.isVisible());
            QCOMPARE(dialog.result(), 0);
            dialog.ok->setFocus();
            QTest::keyClick(dialog.ok, Qt::Key_Enter);
            QCOMPARE(dialog.result(), int(QDialog::Accepted));
        }
    }

    // In a form Enter on a list moves on; elsewhere it still reaches the default button.
    void enterOnAListOfAFormMovesOn()
    {
        SampleDialog form;
        MarkAsForm(&form);
        showAndFocus(form, form.list);
        QTest::keyClick(form.list, Qt::Key_Return);
        QVERIFY(form.isVisible());
        QVERIFY(HasFocus(form.notes));

        SampleDialog plain;
        showAndFocus(plain, plain.list);
        QTest::keyClick(plain.list, Qt::Key_Return);
        QCOMPARE(plain.result(), int(QDialog::Accepted));
    }

    void tabLeavesListsAndMultiLineFields()
    {
        SampleDialog dialog;
        showAndFocus(dialog, dialog.list);
        dialog.list->setCurrentCell(0, 0);
        QTest::keyClick(dialog.list, Qt::Key_Tab);
        QCOMPARE(QApplication::focusWidget(), dialog.notes);
        QTest::keyClicks(dialog.notes, QStringLiteral("line one"));
        QTest::keyClick(dialog.notes, Qt::Key_Tab);
        QCOMPARE(QApplication::focusWidget(), dialog.ok);
        QCOMPARE(dialog.notes->toPlainText(), QStringLiteral("line one"));
        QTest::keyClick(dialog.ok, Qt::Key_Backtab);
        QCOMPARE(QApplication::focusWidget(), dialog.notes);
        QTest::keyClick(dialog.notes, Qt::Key_Backtab);
        QCOMPARE(QApplication::focusWidget(), dialog.list);
    }

    void tabOrderFollowsTheLayout()
    {
        SampleDialog dialog;
        showAndFocus(dialog, dialog.name);
        const QList<QWidget*> expected
            = { dialog.category, dialog.unwanted, dialog.add, dialog.list, dialog.notes, dialog.ok, dialog.name };
        for (QWidget* next : expected) {
            QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
            QVERIFY2(HasFocus(next), qPrintable(next->objectName()));
        }
    }

    // A form of two columns of fields is read column by column, each top to bottom; a block of
    // buttons and a field with its button beside it stay row by row.
    void tabInATwoColumnFormFollowsTheColumns()
    {
        QDialog dialog;
        auto* grid = new QGridLayout;
        QList<QWidget*> fields;
        const auto addField = [&](const char* name, int row, int column) {
            auto* edit = new QLineEdit(&dialog);
            edit->setObjectName(QString::fromLatin1(name));
            grid->addWidget(new QLabel(QString::fromLatin1(name), &dialog), row, column);
            grid->addWidget(edit, row, column + 1);
            return edit;
        };
        QLineEdit* massage = addField("massage", 0, 0);
        QLineEdit* freeClocks = addField("freeClocks", 0, 3);
        QLineEdit* footWash = addField("footWash", 1, 0);
        QLineEdit* pedicure = addField("pedicure", 2, 0);
        QLineEdit* discount = addField("discount", 2, 3);

        auto* buttons = new QGridLayout;
        QList<QPushButton*> button;
        for (int i = 0; i < 4; ++i) {
            button << new QPushButton(QString::number(i), &dialog);
            buttons->addWidget(button.last(), i / 2, i % 2);
        }
        auto* searchRow = new QGridLayout;
        auto* search = new QLineEdit(&dialog);
        auto* find = new QPushButton(QStringLiteral("查询"), &dialog);
        auto* other = new QLineEdit(&dialog);
        searchRow->addWidget(search, 0, 0);
        searchRow->addWidget(find, 0, 1);
        searchRow->addWidget(other, 1, 0);

        auto* layout = new QVBoxLayout(&dialog);
        layout->addLayout(grid);
        layout->addLayout(buttons);
        layout->addLayout(searchRow);
        showAndFocus(dialog, massage);
        const QList<QWidget*> expected = { footWash, pedicure, freeClocks, discount, button[0], button[1], button[2],
            button[3], search, find, other, massage };
        for (QWidget* next : expected) {
            QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
            QVERIFY2(HasFocus(next), qPrintable(next->objectName() + u' ' + QApplication::focusWidget()->objectName()));
        }
    }
};

QTEST_MAIN(TestDialogKeyboard)
#include "tst_dialogkeyboard.moc"
