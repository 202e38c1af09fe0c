#include "app/Database.h"
#include "app/LeadingNumber.h"
#include "app/PagedTableModel.h"
#include "support/AmountTexts.h"

#include <QAbstractItemModelTester>
#include <QRandomGenerator>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QtTest>

using namespace Qt::StringLiterals;

namespace {

// A table of `count` rows stamped a few at the same second, as a busy desk stamps them:
// row i (from 1, in the order added) has the number i and the stamp of second i / 3.
struct Rows
{
    QTemporaryDir folder;
    Database database;
    int count = 0;

    explicit Rows(int rows)
        : count(rows)
    {
        if (!database.create(folder.filePath(u"data.db"_s)))
            qFatal("cannot create the database: %s", qPrintable(database.lastError()));
        run(u"CREATE TABLE sale (id INTEGER NOT NULL, name TEXT, time TEXT NOT NULL)"_s);
        run(u"CREATE INDEX sale_time ON sale(time)"_s);
        run(u"BEGIN"_s);
        for (int i = 1; i <= rows; ++i)
            run(u"INSERT INTO sale (id, name, time) VALUES (?, ?, ?)"_s, { i, u"商品%1"_s.arg(i), stamp(i / 3) });
        run(u"COMMIT"_s);
    }

    void run(const QString& sql, const QVariantList& values = {})
    {
        const SqlResult result = database.exec(sql, values);
        if (!result.ok())
            qFatal("%s: %s", qPrintable(sql), qPrintable(result.error));
    }

    static QString stamp(int second)
    {
        return QDateTime(QDate(2026, 12, 7), QTime(8, 0)).addSecs(second).toString(u"yyyy-MM-dd HH:mm:ss"_s);
    }

    // A list of the table's rows, newest first.
    std::unique_ptr<PagedTableModel> model()
    {
        return std::make_unique<PagedTableModel>(
            database, u"sale"_s, QStringList { u"id"_s, u"name"_s, u"time"_s }, QStringList { u"time"_s });
    }

    // The number shown at `row` of the whole list: newest stamp first, and among rows of one
    // stamp the one added last first, which with these stamps is simply count - row.
    int expectedNumber(int row) const { return count - row; }
};

} // namespace

// The list model that reads a large table page by page, and the database's reading of large
// results and of numbers kept as text.
class PagedTableModelTest : public QObject
{
    Q_OBJECT

private slots:
    // --- the database layer -------------------------------------------------------------------

    void rowsAreReadOneAtATimeAndCanStop()
    {
        Rows rows(50);
        QList<int> read;
        const QString error = rows.database.readRows(
            u"SELECT id FROM sale WHERE id>? ORDER BY id"_s, { 40 }, [&read](const QSqlQuery& row) {
                read << row.value(0).toInt();
                return read.size() < 3;
            });
        QVERIFY(error.isEmpty());
        QCOMPARE(read, (QList<int> { 41, 42, 43 }));
        // Nothing stays open: the table can be changed at once.
        rows.run(u"DELETE FROM sale"_s);
        QVERIFY(!rows.database.readRows(u"SELECT nothing FROM sale"_s, {}, [](const QSqlQuery&) { return true; })
                     .isEmpty());
    }

    // The totals add numbers kept as text in the database; the desk reads the same texts by
    // its leading-number rule. The two must agree, whatever was typed.
    void theDatabaseReadsLeadingNumbersAsTheDeskDoes_data()
    {
        QTest::addColumn<QString>("text");
        for (const QString& text : OddAmountTexts())
            QTest::newRow(qPrintable(u'[' + text + u']')) << text;
    }

    void theDatabaseReadsLeadingNumbersAsTheDeskDoes()
    {
        QFETCH(QString, text);
        Rows rows(0);
        rows.run(u"INSERT INTO sale (id, name, time) VALUES (1, ?, '')"_s, { text });
        const SqlResult read = rows.database.exec(u"SELECT %1, %2 FROM sale"_s.arg(
            rows.database.dialect().leadingInteger(u"name"_s), rows.database.dialect().leadingReal(u"name"_s)));
        QVERIFY(read.ok());
        QCOMPARE(read.first().value(0).toLongLong(), qint64(LeadingInt(text)));
        QCOMPARE(read.first().value(1).toDouble(), LeadingReal(text));
    }

    // --- the model ----------------------------------------------------------------------------

    void passesTheModelTester()
    {
        Rows rows(300);
        const std::unique_ptr<PagedTableModel> list = rows.model();
        PagedTableModel& model = *list;
        QAbstractItemModelTester tester(&model, QAbstractItemModelTester::FailureReportingMode::QtTest);
        model.setHeaders({ u"单据编号"_s, u"名称"_s, u"下单时间"_s });
        QVERIFY(model.setCondition({}).isEmpty());
        QVERIFY(model.countRows().isEmpty());
        QCOMPARE(model.rowCount(), 300);
        QVERIFY(model.setCondition(u"id<=?"_s, { 100 }).isEmpty());
        model.setTotalRowCount(100);
        QCOMPARE(model.rowCount(), 100);
        model.setTotalRowCount(90); // rows went away meanwhile
        QCOMPARE(model.rowCount(), 90);
        model.clear();
        QCOMPARE(model.rowCount(), 0);
    }

    // Until counted the list holds its first page; a count read elsewhere (with the totals)
    // makes it whole.
    void holdsItsFirstPageUntilCounted()
    {
        Rows rows(1000);
        const std::unique_ptr<PagedTableModel> list = rows.model();
        PagedTableModel& model = *list;
        QVERIFY(model.setCondition({}).isEmpty());
        QCOMPARE(model.rowCount(), PagedTableModel::PageSize);
        QVERIFY(!model.isCounted());
        QCOMPARE(model.pageReads(), 1);

        QSignalSpy inserted(&model, &QAbstractItemModel::rowsInserted);
        model.setTotalRowCount(1000);
        QCOMPARE(model.rowCount(), 1000);
        QVERIFY(model.isCounted());
        QCOMPARE(inserted.size(), 1);
        QCOMPARE(inserted.first().at(1).toInt(), PagedTableModel::PageSize);
        QCOMPARE(inserted.first().at(2).toInt(), 999);
        QCOMPARE(model.text(PagedTableModel::PageSize, 0), QString::number(rows.expectedNumber(64)));

        // A short list knows its end from its first page.
        QVERIFY(model.setCondition(u"id<=?"_s, { 10 }).isEmpty());
        QCOMPARE(model.rowCount(), 10);
        QVERIFY(model.isCounted());

        // A count read just before comes with the first page: one reset, no rows added after
        // it. A short first page wins over a count that was read before rows went away.
        QSignalSpy reset(&model, &QAbstractItemModel::modelReset);
        inserted.clear();
        QVERIFY(model.setCondition(u"id<=?"_s, { 700 }, 700).isEmpty());
        QCOMPARE(model.rowCount(), 700);
        QVERIFY(model.isCounted());
        QCOMPARE(reset.size(), 1);
        QCOMPARE(inserted.size(), 0);
        QCOMPARE(model.text(699, 0), u"1"_s);
        QVERIFY(model.setCondition(u"id<=?"_s, { 10 }, 12).isEmpty());
        QCOMPARE(model.rowCount(), 10);
    }

    // Whatever order the rows are asked in (a jump to the end, into the middle, back up),
    // each shows the row that stands there, newest first, and the oldest is one page read
    // away from the start.
    void everyRowStandsInItsPlace()
    {
        Rows rows(5000);
        const std::unique_ptr<PagedTableModel> list = rows.model();
        PagedTableModel& model = *list;
        QVERIFY(model.setCondition({}).isEmpty());
        QVERIFY(model.countRows().isEmpty());
        QCOMPARE(model.rowCount(), 5000);

        const int readsBefore = model.pageReads();
        QCOMPARE(model.text(4999, 0), u"1"_s);
        QCOMPARE(model.text(4999, 2), Rows::stamp(0));
        QCOMPARE(model.pageReads(), readsBefore + 1);

        QList<int> order { 2500, 2499, 2563, 1, 4900, 64, 63, 3000, 128, 4998 };
        QRandomGenerator random(7);
        for (int i = 0; i < 300; ++i)
            order << int(random.bounded(5000));
        for (int row : std::as_const(order)) {
            QCOMPARE(model.text(row, 0), QString::number(rows.expectedNumber(row)));
            QCOMPARE(model.text(row, 1), u"商品%1"_s.arg(rows.expectedNumber(row)));
            QCOMPARE(model.rowKey(row).toInt(), rows.expectedNumber(row)); // the rowid, which is the number
        }
        QVERIFY(model.rowKey(5000).isNull());
        QVERIFY(model.pagesKept() <= PagedTableModel::KeptPages);

        // And once more from the top down, as a print reads them.
        for (int row = 0; row < 5000; ++row)
            QCOMPARE(model.text(row, 0), QString::number(rows.expectedNumber(row)));
        QVERIFY(model.pagesKept() <= PagedTableModel::KeptPages);
    }

    // A long list learns the keys of rows far apart while the desk is idle; jumps start from
    // them and still land on the right rows.
    void aLongListLearnsWhereToJumpFrom()
    {
        const int count = 2 * PagedTableModel::AnchorSpacing + 700;
        Rows rows(count);
        const std::unique_ptr<PagedTableModel> list = rows.model();
        PagedTableModel& model = *list;
        QVERIFY(model.setCondition({}).isEmpty());
        QCOMPARE(model.anchorCount(), 0);
        model.setTotalRowCount(count);
        QTRY_COMPARE(model.anchorCount(), 2);
        QTest::qWait(20);
        QCOMPARE(model.anchorCount(), 2);
        for (int row : { count / 2, PagedTableModel::AnchorSpacing - 1, PagedTableModel::AnchorSpacing,
                 2 * PagedTableModel::AnchorSpacing + 5, count / 4, 3 * count / 4, count - 1, 1 }) {
            QCOMPARE(model.text(row, 0), QString::number(rows.expectedNumber(row)));
            QCOMPARE(model.text(row, 2), Rows::stamp(rows.expectedNumber(row) / 3));
        }
        // A new query forgets them.
        QVERIFY(model.setCondition(u"id<=?"_s, { 100 }).isEmpty());
        QCOMPARE(model.anchorCount(), 0);
    }

    void aConditionKeepsItsValuesBound()
    {
        Rows rows(20);
        rows.run(u"INSERT INTO sale (id, name, time) VALUES (21, ?, ?)"_s, { u"O'Brien 啤酒"_s, Rows::stamp(99) });
        const std::unique_ptr<PagedTableModel> list = rows.model();
        PagedTableModel& model = *list;
        QVERIFY(model.setCondition(u"name=?"_s, { u"O'Brien 啤酒"_s }).isEmpty());
        QCOMPARE(model.rowCount(), 1);
        QCOMPARE(model.text(0, 0), u"21"_s);
    }

    // A stored row with an empty (NULL) field is listed like any other, the field empty.
    void aNullFieldIsEmptyText()
    {
        Rows rows(3);
        rows.run(u"UPDATE sale SET name=NULL WHERE id=2"_s);
        const std::unique_ptr<PagedTableModel> list = rows.model();
        PagedTableModel& model = *list;
        QVERIFY(model.setCondition({}).isEmpty());
        QCOMPARE(model.rowCount(), 3);
        QCOMPARE(model.data(model.index(1, 1)).toString(), QString());
        QCOMPARE(model.text(1, 0), u"2"_s);
        QCOMPARE(model.text(2, 1), u"商品1"_s);
    }

    // A page that cannot be read shows empty and is reported once.
    void aFailedReadIsReportedOnce()
    {
        Rows rows(500);
        const std::unique_ptr<PagedTableModel> list = rows.model();
        PagedTableModel& model = *list;
        QSignalSpy failed(&model, &PagedTableModel::readFailed);
        QVERIFY(model.setCondition({}).isEmpty());
        model.setTotalRowCount(500);
        rows.run(u"ALTER TABLE sale RENAME TO gone"_s);
        QCOMPARE(model.text(300, 0), QString());
        QCOMPARE(model.text(200, 0), QString());
        QCOMPARE(failed.size(), 1);
        QVERIFY(!failed.first().first().toString().isEmpty());
        QCOMPARE(model.text(0, 0), u"500"_s); // the page read before is still shown

        const QString error = model.setCondition({});
        QVERIFY(!error.isEmpty());
        QCOMPARE(model.rowCount(), 0);
    }
};

QTEST_GUILESS_MAIN(PagedTableModelTest)
#include "tst_pagedtablemodel.moc"
