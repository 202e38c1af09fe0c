// The view of the query window's list: a list of millions of rows that keeps only the rows on
// screen, with a scroll bar, keys and a selection over the whole list.

#include "app/LongListView.h"

#include <QAbstractTableModel>
#include <QApplication>
#include <QHeaderView>
#include <QScrollBar>
#include <QTest>

namespace {

// A list of `rows` rows whose cells say where they stand: "row:column".
class NumberedRows : public QAbstractTableModel
{
public:
    explicit NumberedRows(int rows)
        : m_rows(rows)
    { }

    int rowCount(const QModelIndex& parent = {}) const override { return parent.isValid() ? 0 : m_rows; }
    int columnCount(const QModelIndex& parent = {}) const override { return parent.isValid() ? 0 : 3; }
    QVariant data(const QModelIndex& index, int role) const override
    {
        if (role != Qt::DisplayRole || !index.isValid())
            return {};
        return QStringLiteral("%1:%2").arg(index.row()).arg(index.column());
    }
    QVariant headerData(int section, Qt::Orientation orientation, int role) const override
    {
        if (orientation == Qt::Horizontal && role == Qt::DisplayRole)
            return QStringLiteral("列%1").arg(section);
        return {};
    }

    void grow(int rows)
    {
        beginInsertRows({}, m_rows, rows - 1);
        m_rows = rows;
        endInsertRows();
    }
    void reset(int rows)
    {
        beginResetModel();
        m_rows = rows;
        endResetModel();
    }

private:
    int m_rows;
};

// A list of `rows` rows in a view of 600 × 400 on screen.
struct ShownList
{
    explicit ShownList(int rows)
        : list(rows)
    {
        view.setListModel(&list);
        view.resize(600, 400);
        view.show();
    }

    NumberedRows list;
    LongListView view;
};

} // namespace

class TestLongListView : public QObject
{
    Q_OBJECT

private:
    // The text of the view's top row, column 0: which row of the list is on top.
    static QString topRow(const LongListView& view) { return view.model()->index(0, 0).data().toString(); }
    static QString shownAt(LongListView& view, int y) { return view.indexAt(QPoint(5, y)).data().toString(); }

private slots:
    void keepsOnlyTheRowsOnScreen()
    {
        ShownList shown(3'300'000);
        LongListView& view = shown.view;
        QVERIFY(QTest::qWaitForWindowExposed(&view));

        // Nothing in the view grows with the list: its model and its header hold a screen.
        const int whole = view.wholeRowsShown();
        QVERIFY(whole > 5);
        QCOMPARE(view.model()->rowCount(), whole + 1);
        QCOMPARE(view.verticalHeader()->count(), whole + 1);
        QCOMPARE(view.listRowCount(), 3'300'000);
        QScrollBar* bar = view.verticalScrollBar();
        QCOMPARE(bar->maximum(), 3'300'000 - whole);
        QCOMPARE(bar->pageStep(), whole);
        QCOMPARE(topRow(view), QStringLiteral("0:0"));

        // The oldest row is one scroll away, and the last row on screen is the list's last.
        view.scrollToBottom();
        QCOMPARE(view.firstShownRow(), 3'300'000 - whole);
        QCOMPARE(view.model()->rowCount(), whole);
        QCOMPARE(view.model()->index(whole - 1, 2).data().toString(), QStringLiteral("3299999:2"));
        view.viewport()->repaint();
        const int rowHeight = view.verticalHeader()->defaultSectionSize();
        QCOMPARE(shownAt(view, (whole - 1) * rowHeight + 2), QStringLiteral("3299999:0"));

        // A jump into the middle.
        bar->setValue(1'650'000);
        QCOMPARE(topRow(view), QStringLiteral("1650000:0"));
        QCOMPARE(shownAt(view, 2), QStringLiteral("1650000:0"));
        QCOMPARE(view.listRow(view.model()->index(3, 0)), 1'650'003);
        view.scrollToTop();
        QCOMPARE(topRow(view), QStringLiteral("0:0"));
    }

    void keepsTheSelectionOverTheWholeList()
    {
        ShownList shown(100'000);
        NumberedRows& list = shown.list;
        LongListView& view = shown.view;
        QVERIFY(QTest::qWaitForWindowExposed(&view));
        const int whole = view.wholeRowsShown();
        const int rowHeight = view.verticalHeader()->defaultSectionSize();

        // A click selects the list's row under it.
        QTest::mouseClick(view.viewport(), Qt::LeftButton, {}, QPoint(5, 2 * rowHeight + 2));
        QCOMPARE(view.selectedListRow(), 2);

        // Scrolled away and back, the same row of the list is selected.
        view.verticalScrollBar()->setValue(500);
        QCOMPARE(view.selectedListRow(), 2);
        QVERIFY(view.selectionModel()->selectedRows().isEmpty());
        view.verticalScrollBar()->setValue(1);
        QCOMPARE(view.selectionModel()->selectedRows().size(), 1);
        QCOMPARE(view.selectionModel()->selectedRows().first().row(), 1);
        QCOMPARE(view.selectedListRow(), 2);

        // Keys move through the whole list, the view following.
        view.setFocus();
        QTest::keyClick(&view, Qt::Key_Down);
        QCOMPARE(view.selectedListRow(), 3);
        QTest::keyClick(&view, Qt::Key_PageDown);
        QCOMPARE(view.selectedListRow(), 3 + whole);
        QVERIFY(view.firstShownRow() <= 3 + whole && 3 + whole < view.firstShownRow() + whole);
        QTest::keyClick(&view, Qt::Key_End, Qt::ControlModifier);
        QCOMPARE(view.selectedListRow(), 99'999);
        QCOMPARE(view.firstShownRow(), 100'000 - whole);
        QTest::keyClick(&view, Qt::Key_Down);
        QCOMPARE(view.selectedListRow(), 99'999);
        QTest::keyClick(&view, Qt::Key_Up);
        QCOMPARE(view.selectedListRow(), 99'998);
        QTest::keyClick(&view, Qt::Key_Home, Qt::ControlModifier);
        QCOMPARE(view.selectedListRow(), 0);
        QCOMPARE(view.firstShownRow(), 0);

        // Chosen in code, far down the list.
        view.selectListRow(54'321);
        QCOMPARE(view.selectedListRow(), 54'321);
        QVERIFY(view.firstShownRow() <= 54'321 && 54'321 < view.firstShownRow() + whole);
        QCOMPARE(view.selectionModel()->selectedRows().first().data().toString(), QStringLiteral("54321:0"));

        // A new list starts at its top, with nothing selected.
        list.reset(10);
        QCOMPARE(view.selectedListRow(), -1);
        QCOMPARE(view.firstShownRow(), 0);
        QCOMPARE(view.model()->rowCount(), 10);
        QCOMPARE(view.verticalScrollBar()->maximum(), 0);
    }

    void followsTheListAsItIsCounted()
    {
        // The query window's list shows its first page before it is counted.
        ShownList shown(64);
        NumberedRows& list = shown.list;
        LongListView& view = shown.view;
        QVERIFY(QTest::qWaitForWindowExposed(&view));
        const int whole = view.wholeRowsShown();
        QCOMPARE(view.verticalScrollBar()->maximum(), 64 - whole);
        list.grow(1'000'000);
        QCOMPARE(view.verticalScrollBar()->maximum(), 1'000'000 - whole);
        view.scrollToBottom();
        QCOMPARE(view.model()->index(whole - 1, 0).data().toString(), QStringLiteral("999999:0"));

        // Captions and column widths are the list's.
        QCOMPARE(view.model()->headerData(1, Qt::Horizontal).toString(), QStringLiteral("列1"));
        view.setColumnWidth(1, 123);
        QCOMPARE(view.columnWidth(1), 123);
    }

    void aShortList()
    {
        ShownList shown(3);
        LongListView& view = shown.view;
        QVERIFY(QTest::qWaitForWindowExposed(&view));
        QCOMPARE(view.model()->rowCount(), 3);
        QCOMPARE(view.verticalScrollBar()->maximum(), 0);
        view.scrollToBottom();
        QCOMPARE(topRow(view), QStringLiteral("0:0"));
        QTest::keyClick(&view, Qt::Key_Down);
        QTest::keyClick(&view, Qt::Key_Down);
        QTest::keyClick(&view, Qt::Key_Down);
        QTest::keyClick(&view, Qt::Key_Down);
        QCOMPARE(view.selectedListRow(), 2);
        QCOMPARE(view.firstShownRow(), 0);
    }
};

QTEST_MAIN(TestLongListView)
#include "tst_longlistview.moc"
