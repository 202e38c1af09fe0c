#include "app/Money.h"
#include "app/PagedTableModel.h"
#include "app/RowListModel.h"
#include "app/RowListView.h"
#include "app/TextFormat.h"
#include "payroll/SalarySheetDialog.h"
#include "printing/CsvWriter.h"
#include "printing/TableExport.h"
#include "reports/QueryExport.h"
#include "reports/QueryWindow.h"
#include "reports/RecordKind.h"
#include "support/TestEnvironment.h"
#include "support/WidgetDriver.h"

#include <QDir>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QLineEdit>
#include <QProcess>
#include <QPushButton>
#include <QtTest>

#include <cstring>

using namespace Qt::StringLiterals;

Q_DECLARE_METATYPE(ExportCellType)

namespace {

const QDateTime Evening(QDate(2026, 12, 7), QTime(21, 30));

// The sheet of MadeTable(2) as libxlsxwriter writes it: the title, the captions frozen above
// the rows, two rows and the totals.
const QString SmallSheetXml = QString::fromUtf16(
    u"<?xml version=\"1.0\" encoding=\"UTF-8\" standalone=\"yes\"?>\n"
    u"<worksheet xmlns=\"http://schemas.openxmlformats.org/spreadsheetml/2006/main\" "
    u"xmlns:r=\"http://schemas.openxmlformats.org/officeDocument/2006/relationships\"><dimension "
    u"ref=\"A1:B5\"/><sheetViews><sheetView tabSelected=\"1\" workbookViewId=\"0\"><pane ySplit=\"2\" "
    u"topLeftCell=\"A3\" activePane=\"bottomLeft\" state=\"frozen\"/><selection "
    u"pane=\"bottomLeft\"/></sheetView></sheetViews><sheetFormatPr defaultRowHeight=\"15\"/><cols><col min=\"1\" "
    u"max=\"1\" width=\"10.28515625\" customWidth=\"1\"/><col min=\"2\" max=\"2\" width=\"11.42578125\" "
    u"customWidth=\"1\"/></cols><sheetData>"
    u"<row r=\"1\" ht=\"22\" customHeight=\"1\"><c r=\"A1\" s=\"1\" t=\"inlineStr\"><is><t>测试</t></is></c></row>"
    u"<row r=\"2\"><c r=\"A2\" s=\"2\" t=\"inlineStr\"><is><t>编号</t></is></c><c r=\"B2\" s=\"2\" "
    u"t=\"inlineStr\"><is><t>名称</t></is></c></row>"
    u"<row r=\"3\"><c r=\"A3\" s=\"3\"><v>1</v></c><c r=\"B3\" t=\"inlineStr\"><is><t>第1行</t></is></c></row>"
    u"<row r=\"4\"><c r=\"A4\" s=\"3\"><v>2</v></c><c r=\"B4\" t=\"inlineStr\"><is><t>第2行</t></is></c></row>"
    u"<row r=\"5\"><c r=\"A5\" s=\"4\" t=\"inlineStr\"><is><t>合计</t></is></c></row>"
    u"</sheetData><pageMargins left=\"0.7\" right=\"0.7\" top=\"0.75\" bottom=\"0.75\" header=\"0.3\" "
    u"footer=\"0.3\"/></worksheet>");

// Reads a workbook back with openpyxl, as another program would: every sheet with its name,
// its frozen panes and its cells as {t: n|s|d, v, f (number format)}.
const char* const WorkbookReader = R"(
import sys, json, datetime, openpyxl
book = openpyxl.load_workbook(sys.argv[1])
sheets = []
for sheet in book.worksheets:
    rows = []
    for row in sheet.iter_rows():
        cells = []
        for cell in row:
            value = cell.value
            if value is None:
                cells.append(None)
            elif isinstance(value, datetime.datetime):
                moment = (value + datetime.timedelta(milliseconds=500)).replace(microsecond=0)
                cells.append({'t': 'd', 'v': moment.strftime('%Y-%m-%d %H:%M:%S'), 'f': cell.number_format})
            elif isinstance(value, (int, float)):
                cells.append({'t': 'n', 'v': value, 'f': cell.number_format})
            else:
                cells.append({'t': 's', 'v': str(value)})
        rows.append(cells)
    sheets.append({'name': sheet.title, 'freeze': sheet.freeze_panes, 'rows': rows})
print(json.dumps(sheets, ensure_ascii=False))
)";

// The sheets of a workbook as stored in its zip: each sheet's name and its XML.
const char* const SheetPacking = R"(
import sys, json, zipfile
with zipfile.ZipFile(sys.argv[1]) as book:
    sheets = sorted((i for i in book.infolist() if i.filename.startswith('xl/worksheets/sheet')),
                    key=lambda i: int(i.filename[len('xl/worksheets/sheet'):-len('.xml')]))
    print(json.dumps([{'name': i.filename, 'xml': book.read(i).decode('utf-8')} for i in sheets],
                     ensure_ascii=False))
)";

// Reads a CSV file with Python's csv module (the byte order mark taken off as Excel does).
const char* const CsvReader = R"(
import sys, json, csv
with open(sys.argv[1], encoding='utf-8-sig', newline='') as text:
    print(json.dumps(list(csv.reader(text)), ensure_ascii=False))
)";

QJsonDocument RunPython(const char* script, const QString& path)
{
    // Debian's own Python, which python3-openpyxl installs into, before any other on the path.
    QProcess python;
    python.start(QFile::exists(u"/usr/bin/python3"_s) ? u"/usr/bin/python3"_s : u"python3"_s,
        { u"-c"_s, QString::fromUtf8(script), path });
    if (!python.waitForFinished(60000) || python.exitCode() != 0)
        qWarning("python3 failed (is python3-openpyxl installed? scripts/install-deps.sh installs it): %s",
            python.readAllStandardError().constData());
    return QJsonDocument::fromJson(python.readAllStandardOutput());
}

QJsonArray ReadWorkbook(const QString& path)
{
    return RunPython(WorkbookReader, path).array();
}

QList<QStringList> ReadCsv(const QString& path)
{
    QList<QStringList> rows;
    for (const QJsonValue row : RunPython(CsvReader, path).array()) {
        QStringList cells;
        for (const QJsonValue cell : row.toArray())
            cells << cell.toString();
        rows << cells;
    }
    return rows;
}

QJsonArray RowsOf(const QJsonArray& workbook, int sheet = 0)
{
    return workbook.at(sheet).toObject().value(u"rows"_s).toArray();
}

QJsonValue Cell(const QJsonArray& rows, int row, int column)
{
    return rows.at(row).toArray().at(column);
}

// Whether a workbook cell holds what the list shows as `text` in a column of `type`: a number
// as that number, a bill time as that date and time, other text as it is, empty as nothing.
bool Holds(const QJsonValue& cell, const QString& text, ExportCellType type, QString* why)
{
    const QJsonObject value = cell.toObject();
    const QString kind = value.value(u"t"_s).toString();
    bool same = false;
    if (text.isEmpty())
        same = cell.isNull() || cell.isUndefined();
    else if (const std::optional<double> number = TableExport::NumberOf(text, type))
        same = kind == u"n" && qFuzzyCompare(value.value(u"v"_s).toDouble() + 1, *number + 1);
    else if (type == ExportCellType::DateTime && TableExport::DateTimeOf(text))
        same = kind == u"d" && value.value(u"v"_s).toString() == text;
    else
        same = kind == u"s" && value.value(u"v"_s).toString() == text;
    if (!same)
        *why = u"%1 for %2"_s.arg(
            QString::fromUtf8(QJsonDocument(QJsonArray { cell }).toJson(QJsonDocument::Compact)), text);
    return same;
}

// Receipts of the evening, some of them with texts that are no numbers, commas, quotes and a
// room number that a spreadsheet would take for a formula.
void SettleReceipts(TestEnvironment& env)
{
    const struct
    {
        qint64 id;
        QString room, massage, footWash, pedicure, goods, discount, approver, total, payType, cashier;
        int minute;
    } receipts[] = {
        { 1, u"101"_s, u"2"_s, u""_s, u""_s, u"16.50"_s, u"1.00"_s, u"0"_s, u"136.50"_s, u"普通"_s, u"小李"_s, 5 },
        { 2, u"=1+1"_s, u"1"_s, u"1"_s, u""_s, u""_s, u"0.90"_s, u"王经理"_s, u"abc"_s, u"VIP,0001"_s, u"王\"大\""_s,
            20 },
        { 3, u"105"_s, u"3"_s, u"1"_s, u"2"_s, u"8.25"_s, u"1.00"_s, u"0"_s, u"258.25"_s, u"普通"_s, u"小李"_s, 45 },
    };
    for (const auto& receipt : receipts) {
        const QDateTime time = Evening.addSecs(-3600 + 60 * receipt.minute);
        env.sql(u"INSERT INTO Receiptform (id, housnum, bytime, massagetime, washfoottime, trimfoot, spjine, dazhe, "
                "dazheperson, alljine, paytype, cashier, time) VALUES (?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?)"_s,
            { receipt.id, receipt.room, QString(DateTimeText(time.addSecs(-3600)) + u"—"_s + DateTimeText(time)),
                receipt.massage, receipt.footWash, receipt.pedicure, receipt.goods, receipt.discount, receipt.approver,
                receipt.total, receipt.payType, receipt.cashier, DateTimeText(time) });
    }
}

// A query window on screen with its totals read.
struct ShownQuery
{
    explicit ShownQuery(TestEnvironment& env, RecordKind kind = RecordKind::Receipts)
        : window(kind, QueryWindow::Mode::Normal, env.services)
    {
        window.show();
        QVERIFY(QTest::qWaitForWindowExposed(&window));
        QTRY_VERIFY(window.totals().has_value());
    }
    void fill(const QueryCondition& condition)
    {
        window.fill(condition);
        window.readTotals();
    }
    QueryWindow window;
};

// A table of `count` rows made in memory: a number and a name.
ExportTable MadeTable(int count)
{
    ExportTable table;
    table.sheetName = u"表"_s;
    table.title = u"测试"_s;
    table.columns = { { u"编号"_s, ExportCellType::Integer, 60 }, { u"名称"_s, ExportCellType::Text, 68 } };
    table.rowCount = count;
    table.rows = [count](const ExportTable::RowSink& sink) {
        for (int i = 1; i <= count; ++i) {
            if (!sink({ QString::number(i), u"第%1行"_s.arg(i) }))
                break;
        }
        return QString();
    };
    table.totals = { u"合计"_s, QString() };
    return table;
}

QStringList FilesIn(const QString& folder)
{
    return QDir(folder).entryList(QDir::Files);
}

// The files this process holds open that no longer have a name: a temporary file removed but
// not closed keeps its space on the disk until it is closed.
int OpenDeletedFiles()
{
    int count = 0;
    const QDir descriptors(u"/proc/self/fd"_s);
    for (const QString& entry : descriptors.entryList(QDir::Files | QDir::System | QDir::NoDotAndDotDot)) {
        if (QFile::symLinkTarget(descriptors.filePath(entry)).endsWith(u" (deleted)"_s))
            ++count;
    }
    return count;
}

} // namespace

// "导出" of the query windows and the salary sheet: every row of the condition, read back
// with a real xlsx reader (openpyxl) and a CSV reader, holding what the window shows.
class ExportTest : public QObject
{
    Q_OBJECT

private slots:
    // --- how texts become cells -----------------------------------------------------------------

    void numbersAreNumbersOnlyWhenWhole_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<ExportCellType>("type");
        QTest::addColumn<bool>("isNumber");
        QTest::addColumn<double>("number");
        QTest::newRow("an amount") << u"136.50"_s << ExportCellType::Amount << true << 136.5;
        QTest::newRow("a negative amount") << u"-5.00"_s << ExportCellType::Amount << true << -5.0;
        QTest::newRow("blanks around") << u" 12 "_s << ExportCellType::Integer << true << 12.0;
        QTest::newRow("a count") << u"3"_s << ExportCellType::Integer << true << 3.0;
        QTest::newRow("a fraction is no count") << u"3.5"_s << ExportCellType::Integer << false << 0.0;
        QTest::newRow("letters after") << u"5a"_s << ExportCellType::Amount << false << 0.0;
        QTest::newRow("letters") << u"abc"_s << ExportCellType::Amount << false << 0.0;
        QTest::newRow("empty") << u""_s << ExportCellType::Amount << false << 0.0;
        QTest::newRow("not a number") << u"nan"_s << ExportCellType::Amount << false << 0.0;
        QTest::newRow("a number in a text column") << u"101"_s << ExportCellType::Text << false << 0.0;
    }

    void numbersAreNumbersOnlyWhenWhole()
    {
        QFETCH(QString, text);
        QFETCH(ExportCellType, type);
        QFETCH(bool, isNumber);
        QFETCH(double, number);
        const std::optional<double> read = TableExport::NumberOf(text, type);
        QCOMPARE(read.has_value(), isNumber);
        if (isNumber)
            QCOMPARE(*read, number);
    }

    // The plain forms of numbers are read without the general parser, to the same double.
    void plainNumbersReadAsTheParserReadsThem()
    {
        QStringList texts { u"0"_s, u"-0"_s, u"+7"_s, u"0.00"_s, u"-0.00"_s, u"007.50"_s, u"999999999999999"_s,
            u"1000000000000000"_s, u"99999999999.9999"_s, u"0.1"_s, u"0.7"_s, u"1.005"_s, u"123456789.012345"_s };
        quint64 seed = 20261209;
        for (int i = 0; i < 20000; ++i) {
            seed = seed * 6364136223846793005ULL + 1442695040888963407ULL;
            const qint64 fen = qint64(seed >> 20) % 100'000'000'000LL - 50'000'000'000LL;
            texts << Money::fromFen(fen).text() << QString::number(fen) << QString::number(fen / 7) + u".1"_s
                  << QString::number(fen % 1000) + u"."_s + QString::number(qAbs(fen) % 100000);
        }
        for (const QString& text : std::as_const(texts)) {
            bool ok = false;
            const double parsed = text.toDouble(&ok);
            QVERIFY2(ok, qPrintable(text));
            const std::optional<double> amount = TableExport::NumberOf(text, ExportCellType::Amount);
            QVERIFY2(amount && std::memcmp(&*amount, &parsed, sizeof parsed) == 0, qPrintable(text));
            const qlonglong whole = text.toLongLong(&ok);
            const std::optional<double> count = TableExport::NumberOf(text, ExportCellType::Integer);
            QCOMPARE(count.has_value(), ok);
            const double wholeNumber = double(whole);
            if (ok)
                QVERIFY2(std::memcmp(&*count, &wholeNumber, sizeof wholeNumber) == 0, qPrintable(text));
        }
    }

    void dateTimesAreTakenApart_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<bool>("valid");
        QTest::newRow("a bill time") << u"2026-12-07 21:05:09"_s << true;
        QTest::newRow("a leap day") << u"2024-02-29 00:00:00"_s << true;
        QTest::newRow("no such day") << u"2026-02-30 10:00:00"_s << false;
        QTest::newRow("hour 24") << u"2026-12-07 24:00:00"_s << false;
        QTest::newRow("a date alone") << u"2026-12-07"_s << false;
        QTest::newRow("a time range") << u"2026-12-07 20:05:09—2026-12-07 21:05:09"_s << false;
        QTest::newRow("letters") << u"2026-12-07 2l:05:09"_s << false;
    }

    void dateTimesAreTakenApart()
    {
        QFETCH(QString, text);
        QFETCH(bool, valid);
        const std::optional<TableExport::DateTimeParts> parts = TableExport::DateTimeOf(text);
        QCOMPARE(parts.has_value(), valid);
        if (valid)
            QCOMPARE(QDateTime(QDate(parts->year, parts->month, parts->day),
                         QTime(parts->hour, parts->minute, parts->second)),
                DateTimeFromText(text));
    }

    void csvLinesQuoteAndDefuse()
    {
        const QList<ExportColumn> columns { { u"a"_s, ExportCellType::Text }, { u"b"_s, ExportCellType::Amount },
            { u"c"_s, ExportCellType::Text }, { u"d"_s, ExportCellType::Text } };
        QCOMPARE(QString::fromUtf8(CsvWriter::line({ u"=SUM(A1)"_s, u"-5.00"_s, u"a,b"_s, u"说\"好\""_s }, columns)),
            u"'=SUM(A1),-5.00,\"a,b\",\"说\"\"好\"\"\"\r\n"_s);
        QCOMPARE(QString::fromUtf8(CsvWriter::line({ u"@x"_s, u"-abc"_s, u" 7"_s, u"两\n行"_s }, columns)),
            u"'@x,'-abc,\" 7\",\"两\n行\"\r\n"_s);
    }

    // --- the query windows ----------------------------------------------------------------------

    // Every row of the condition with its numbers, dates and texts as the window shows them, the
    // totals of the window in the last row and the condition in the title.
    void aQueryReadsBackAsTheWindowShowsIt()
    {
        TestEnvironment env;
        env.clock.set(Evening);
        env.session.setCompany(u"Tavrel 桑拿足浴中心"_s, u"020-00000000"_s);
        SettleReceipts(env);
        ShownQuery shown(env);
        Child<QAction>(&shown.window, u"actionToday"_s)->trigger();
        shown.window.readTotals();
        QCOMPARE(shown.window.rows().rowCount(), 3);
        const QString path = env.filePath(u"经营单据.xlsx"_s);
        env.files.queuePath(path);
        Click(&shown.window, u"exportButton"_s);
        QCOMPARE(env.messages.texts(), QStringList { u"已导出3条记录到:\n%1"_s.arg(QDir::toNativeSeparators(path)) });
        QVERIFY(env.files.suggestions.last().endsWith(u"经营单据-20261207-2130.xlsx"_s));
        QCOMPARE(FilesIn(env.folder()).filter(u".part"_s), QStringList());

        QFile::remove(TestOutputPath(u"export-receipts.xlsx"_s));
        QFile::copy(path, TestOutputPath(u"export-receipts.xlsx"_s)); // for a person to open

        const QJsonArray workbook = ReadWorkbook(path);
        QCOMPARE(workbook.size(), 1);
        QCOMPARE(workbook.at(0).toObject().value(u"name"_s).toString(), u"经营单据"_s);
        QCOMPARE(workbook.at(0).toObject().value(u"freeze"_s).toString(), u"A3"_s);
        const QJsonArray rows = RowsOf(workbook);
        const RecordKindLayout& layout = RecordKindLayout::of(RecordKind::Receipts);
        QCOMPARE(Cell(rows, 0, 0).toObject().value(u"v"_s).toString(),
            u"Tavrel 桑拿足浴中心  经营单据  时间段: 2026-12-07 00:00:00 至 2026-12-07 21:30:00"_s);
        for (int column = 0; column < layout.columns.size(); ++column)
            QCOMPARE(Cell(rows, 1, column).toObject().value(u"v"_s).toString(), layout.columns[column].caption);

        const PagedTableModel& list = shown.window.rows();
        QCOMPARE(rows.size(), 2 + list.rowCount() + 1);
        for (int row = 0; row < list.rowCount(); ++row) {
            for (int column = 0; column < layout.columns.size(); ++column) {
                QString why;
                QVERIFY2(Holds(Cell(rows, 2 + row, column), list.text(row, column),
                             QueryColumnType(layout.columns[column].name), &why),
                    qPrintable(u"row %1 column %2: %3"_s.arg(row).arg(column).arg(why)));
            }
        }
        // Formats of the desk: two decimals, whole counts, date and time.
        QCOMPARE(Cell(rows, 2, 1).toObject().value(u"f"_s).toString(), u"0.00"_s);
        QCOMPARE(Cell(rows, 2, 11).toObject().value(u"f"_s).toString(), u"yyyy-mm-dd hh:mm:ss"_s);

        // The totals of the window: count, amount (a text that is no number counts 0), clocks.
        const QueryTotals& totals = *shown.window.totals();
        const int last = rows.size() - 1;
        QCOMPARE(Cell(rows, last, 0).toObject().value(u"v"_s).toString(), u"合计 3条"_s);
        QCOMPARE(Cell(rows, last, 1).toObject().value(u"v"_s).toDouble(), 394.75);
        QCOMPARE(totals.amount, Money::fromFen(39475));
        for (int i = 0; i < 3; ++i)
            QCOMPARE(Cell(rows, last, 4 + i).toObject().value(u"v"_s).toDouble(), double(totals.sums[size_t(i)]));
        QCOMPARE(totals.sums, (std::array<qint64, 3> { 6, 2, 2 }));
    }

    // The same list as CSV: the byte order mark, the Chinese intact, the same rows and totals,
    // and the room number that looks like a formula kept from running.
    void aQueryAsCsvKeepsItsChinese()
    {
        TestEnvironment env;
        env.clock.set(Evening);
        SettleReceipts(env);
        ShownQuery shown(env);
        const QString path = env.filePath(u"receipts.csv"_s);
        env.files.queuePath(path);
        Click(&shown.window, u"exportButton"_s);
        QCOMPARE(env.messages.texts().size(), 1);

        const QByteArray bytes = FileBytes(path);
        QVERIFY(bytes.startsWith("\xEF\xBB\xBF"));
        QVERIFY(bytes.contains("\r\n"));
        const QString text = QString::fromUtf8(bytes.mid(3));
        QVERIFY(text.startsWith(RecordKindLayout::of(RecordKind::Receipts).captions().join(u',') + u"\r\n"_s));
        QVERIFY(text.contains(u"小李"_s));

        const QList<QStringList> rows = ReadCsv(path);
        const PagedTableModel& list = shown.window.rows();
        QCOMPARE(rows.size(), 1 + list.rowCount() + 1);
        for (int row = 0; row < list.rowCount(); ++row) {
            QStringList shownRow;
            for (int column = 0; column < list.columnCount(); ++column)
                shownRow << list.text(row, column);
            QStringList expected = shownRow;
            expected[2] = TableExport::DefusedText(expected[2]);
            QCOMPARE(rows[1 + row], expected);
        }
        QCOMPARE(rows[1 + 1][2], u"'=1+1"_s);
        QCOMPARE(rows[1 + 1][10], u"VIP,0001"_s);
        QCOMPARE(rows[1 + 1][12], u"王\"大\""_s);
        QCOMPARE(rows.last().mid(0, 2), (QStringList { u"合计 3条"_s, u"394.75"_s }));
    }

    // Not only the rows on the screen: a list of thousands, read from the database as the file
    // is written.
    void everyRowOfTheConditionIsExported()
    {
        TestEnvironment env;
        env.clock.set(Evening);
        env.sql(u"BEGIN"_s);
        for (int i = 1; i <= 3000; ++i)
            env.sql(u"INSERT INTO spsalay (id, name, danwe, danjia, counter, jine, time, cashier) "
                    "VALUES (?, ?, '瓶', '5.50', ?, ?, ?, 'c1')"_s,
                { i, i % 2 ? u"啤酒"_s : u"可乐"_s, QString::number(i % 3 + 1),
                    (Money::fromFen(550) * (i % 3 + 1)).text(), DateTimeText(Evening.addSecs(-i)) });
        env.sql(u"COMMIT"_s);
        ShownQuery shown(env, RecordKind::GoodsSales);
        shown.fill(QueryCondition::goodsName(u"啤酒"_s));
        QCOMPARE(shown.window.totals()->count, 1500);
        const QString path = env.filePath(u"goods.xlsx"_s);
        env.files.queuePath(path);
        Click(&shown.window, u"exportButton"_s);

        const QJsonArray rows = RowsOf(ReadWorkbook(path));
        QCOMPARE(rows.size(), 2 + 1500 + 1);
        QVERIFY(Cell(rows, 0, 0).toObject().value(u"v"_s).toString().endsWith(u"商品名称: 啤酒"_s));
        // Newest first, as the list shows them: id 1 is a second before the evening.
        QCOMPARE(Cell(rows, 2, 0).toObject().value(u"v"_s).toInt(), 1);
        QCOMPARE(Cell(rows, 2 + 1499, 0).toObject().value(u"v"_s).toInt(), 2999);
        const QJsonArray totals = rows.last().toArray();
        QCOMPARE(totals.at(0).toObject().value(u"v"_s).toString(), u"合计 1500条"_s);
        QCOMPARE(qRound64(totals.at(1).toObject().value(u"v"_s).toDouble() * 100), shown.window.totals()->amount.fen());
        QCOMPARE(totals.at(4).toObject().value(u"v"_s).toDouble(), double(shown.window.totals()->sums[0]));
    }

    void theButtonsTakeTabLeftToRight()
    {
        TestEnvironment env;
        ShownQuery shown(env);
        QCOMPARE(TabOrder(Child<QPushButton>(&shown.window, u"exportButton"_s), 2),
            (QStringList { u"printButton"_s, u"okButton"_s }));
    }

    void anEmptyListIsNotExported()
    {
        TestEnvironment env;
        ShownQuery shown(env);
        Click(&shown.window, u"exportButton"_s);
        QCOMPARE(env.messages.texts(), QStringList { u"列表中没有导出数据!"_s });
        QVERIFY(env.files.suggestions.isEmpty());
    }

    void aCancelledChoiceWritesNothing()
    {
        TestEnvironment env;
        SettleReceipts(env);
        ShownQuery shown(env);
        const QStringList before = FilesIn(env.folder());
        Click(&shown.window, u"exportButton"_s); // the chooser has no answer: cancelled
        QCOMPARE(env.files.suggestions.size(), 1);
        QCOMPARE(FilesIn(env.folder()), before);
        QVERIFY(env.messages.shown().isEmpty());
    }

    // --- long lists, cancel and failure ---------------------------------------------------------

    // Beyond a sheet's rows the list goes on over further sheets, each with its title and
    // captions; the totals end the last.
    void aLongListGoesOnOverSheets()
    {
        TestEnvironment env;
        const QString path = env.filePath(u"long.xlsx"_s);
        const ExportResult result = TableExport::write(MadeTable(7), path, {}, 3);
        QCOMPARE(result.status, ExportResult::Status::Written);
        QCOMPARE(result.rowsWritten, 7);
        const QJsonArray workbook = ReadWorkbook(path);
        QCOMPARE(workbook.size(), 3);
        QCOMPARE(workbook.at(2).toObject().value(u"name"_s).toString(), u"表(3)"_s);
        QCOMPARE(RowsOf(workbook, 0).size(), 2 + 3);
        QCOMPARE(RowsOf(workbook, 2).size(), 2 + 1 + 1);
        QCOMPARE(Cell(RowsOf(workbook, 1), 0, 0).toObject().value(u"v"_s).toString(), u"测试 (续2)"_s);
        QCOMPARE(Cell(RowsOf(workbook, 1), 2, 0).toObject().value(u"v"_s).toInt(), 4);
        QCOMPARE(Cell(RowsOf(workbook, 2), 3, 0).toObject().value(u"v"_s).toString(), u"合计"_s);
    }

    // The rows are read on one thread and written on another, a batch at a time: the rows keep
    // their order over the sheets, and a sheet's XML is what the library wrote before, to the
    // byte.
    void theRowsKeepTheirOrderAndTheSheetsTheirXml()
    {
        TestEnvironment env;
        const QString path = env.filePath(u"many.xlsx"_s);
        const ExportResult result = TableExport::write(MadeTable(5000), path, {}, 2000);
        QCOMPARE(result.status, ExportResult::Status::Written);
        QCOMPARE(result.rowsWritten, 5000);
        const QJsonArray workbook = ReadWorkbook(path);
        QCOMPARE(workbook.size(), 3);
        for (int sheet = 0; sheet < 3; ++sheet) {
            const QJsonArray rows = RowsOf(workbook, sheet);
            const int inSheet = sheet < 2 ? 2000 : 1000;
            QCOMPARE(rows.size(), 2 + inSheet + (sheet == 2 ? 1 : 0));
            for (int row = 0; row < inSheet; ++row) {
                const int number = sheet * 2000 + row + 1;
                QCOMPARE(Cell(rows, 2 + row, 0).toObject().value(u"v"_s).toInt(), number);
                QCOMPARE(Cell(rows, 2 + row, 1).toObject().value(u"v"_s).toString(), u"第%1行"_s.arg(number));
            }
        }
        QCOMPARE(RunPython(SheetPacking, path).array().size(), 3);

        const QString small = env.filePath(u"small.xlsx"_s);
        QCOMPARE(TableExport::write(MadeTable(2), small).status, ExportResult::Status::Written);
        QFile::remove(TestOutputPath(u"export-small.xlsx"_s));
        QFile::copy(small, TestOutputPath(u"export-small.xlsx"_s)); // for a person to open
        QCOMPARE(RunPython(SheetPacking, small).array().at(0).toObject().value(u"xml"_s).toString(), SmallSheetXml);
    }

    // A cancel between rows leaves no file, and an older file of that name as it was.
    void aCancelledExportLeavesNothing_data()
    {
        QTest::addColumn<QString>("name");
        QTest::newRow("workbook") << u"cancelled.xlsx"_s;
        QTest::newRow("csv") << u"cancelled.csv"_s;
    }

    void aCancelledExportLeavesNothing()
    {
        QFETCH(QString, name);
        TestEnvironment env;
        const QString path = env.filePath(name);
        QFile older(path);
        QVERIFY(older.open(QIODevice::WriteOnly) && older.write("older") == 5);
        older.close();
        const QStringList before = FilesIn(env.folder());
        qint64 told = 0;
        const ExportResult result = TableExport::write(MadeTable(10000), path, [&told](qint64 written) {
            told = written;
            return false;
        });
        QCOMPARE(result.status, ExportResult::Status::Cancelled);
        QCOMPARE(told, TableExport::ProgressStep);
        QCOMPARE(FileBytes(path), QByteArray("older"));
        QCOMPARE(FilesIn(env.folder()), before);
    }

    void aFailedExportSaysWhyAndLeavesNothing()
    {
        TestEnvironment env;
        SettleReceipts(env);
        ShownQuery shown(env);
        env.files.queuePath(env.filePath(u"no-such-folder/receipts.xlsx"_s));
        Click(&shown.window, u"exportButton"_s);
        QCOMPARE(env.messages.shown().size(), 1);
        QVERIFY2(env.messages.lastText().startsWith(u"导出失败!\n"_s), qPrintable(env.messages.lastText()));

        // A read that fails half way leaves no file either.
        ExportTable table = MadeTable(5);
        table.rows = [](const ExportTable::RowSink& sink) {
            sink({ u"1"_s, u"a"_s });
            return u"database is locked"_s;
        };
        const QString path = env.filePath(u"broken.csv"_s);
        const ExportResult result = TableExport::write(table, path);
        QCOMPARE(result.status, ExportResult::Status::Failed);
        QCOMPARE(result.error, u"database is locked"_s);
        QVERIFY(!QFile::exists(path));
    }

    // A workbook that fails, at any point, closes its temporary files at once: none stays open,
    // deleted, until the desk closes, which would keep a full disk full.
    void aFailedWorkbookKeepsNoFileOpen_data()
    {
        QTest::addColumn<QString>("failure");
        QTest::newRow("read fails") << u"read"_s;
        QTest::newRow("cancelled") << u"cancel"_s;
        QTest::newRow("folder gone") << u"folder"_s;
    }

    void aFailedWorkbookKeepsNoFileOpen()
    {
        QFETCH(QString, failure);
        TestEnvironment env;
        const QString folder = env.filePath(u"out"_s);
        QVERIFY(QDir().mkpath(folder));
        const int before = OpenDeletedFiles();
        for (int attempt = 0; attempt < 3; ++attempt) {
            ExportTable table = MadeTable(3000);
            table.rows = [&](const ExportTable::RowSink& sink) {
                for (int i = 1; i <= 3000; ++i) {
                    if (!sink({ QString::number(i), u"第%1行"_s.arg(i) }))
                        return QString();
                }
                if (failure == u"read")
                    return u"database is locked"_s;
                if (failure == u"folder")
                    QDir(folder).removeRecursively();
                return QString();
            };
            const ExportResult result
                = TableExport::write(table, folder + u"/failed.xlsx"_s, [&](qint64) { return failure != u"cancel"_s; });
            QVERIFY(result.status != ExportResult::Status::Written);
            QCOMPARE(OpenDeletedFiles(), before);
            QVERIFY(QDir().mkpath(folder));
        }
    }

    // --- the salary sheet -----------------------------------------------------------------------

    // The sheet as it stands, typed amounts as typed, the period in the title, and each
    // amount column summed by the rule of the net pay.
    void theSalarySheetReadsBack()
    {
        TestEnvironment env;
        env.clock.set(Evening);
        env.addStaff(u"07"_s, u"小王"_s);
        env.addStaff(u"09"_s, u"小李"_s);
        env.sql(u"INSERT INTO salaryform (id, num, name, massagetime, washfoottime, salary, time, cashier) "
                "VALUES (1, '07', '小王', '1', '', '300.50', '2026-12-01 10:00:00', 'c1')"_s);
        SalarySheetDialog sheet(env.services);
        sheet.show();
        QVERIFY(QTest::qWaitForWindowExposed(&sheet));
        sheet.generate();
        const int row = int(Column(sheet.sheet(), 0).indexOf(u"07"_s));
        ClickRow(sheet.sheet(), row);
        TypeInto(Child<QLineEdit>(&sheet, u"allowanceEdit"_s), u"10"_s);
        TypeInto(Child<QLineEdit>(&sheet, u"fineEdit"_s), u"5"_s);
        const QString path = env.filePath(u"工资表.xlsx"_s);
        env.files.queuePath(path);
        Click(&sheet, u"exportButton"_s);
        QCOMPARE(env.messages.texts().size(), 1);

        const QJsonArray rows = RowsOf(ReadWorkbook(path));
        QVERIFY(Cell(rows, 0, 0)
                    .toObject()
                    .value(u"v"_s)
                    .toString()
                    .contains(u"工资发放时间: 2003-10-01 00:00:00 至 2026-12-07 21:30:00"_s));
        QCOMPARE(rows.size(), 2 + 2 + 1);
        const QList<QStringList>& shownRows = sheet.sheet().rows().rows();
        for (int r = 0; r < shownRows.size(); ++r) {
            for (int column = 0; column < 9; ++column) {
                QString why;
                QVERIFY2(Holds(Cell(rows, 2 + r, column), shownRows[r][column],
                             column < 2 ? ExportCellType::Text : ExportCellType::Amount, &why),
                    qPrintable(why));
            }
        }
        const QJsonArray totals = rows.last().toArray();
        QCOMPARE(totals.at(1).toObject().value(u"v"_s).toString(), u"2人"_s);
        QCOMPARE(totals.at(2).toObject().value(u"v"_s).toDouble(), 300.5); // 工资
        QCOMPARE(totals.at(5).toObject().value(u"v"_s).toDouble(), 5.0); // 罚款
        QCOMPARE(totals.at(8).toObject().value(u"v"_s).toDouble(), 305.5); // 实发工资
    }
};

QTEST_MAIN(ExportTest)
#include "tst_export.moc"
