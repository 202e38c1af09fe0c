#include "printing/TableExport.h"

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <QtTest>

#include <csignal>
#include <cstdio>

using namespace Qt::StringLiterals;

// A desk killed (a crash, a power cut) in the middle of a long export: the file chosen is
// never left half written. An older file of that name keeps its bytes, and the next export
// to the same name goes through.
//
// The test runs itself a second time as the desk that is killed:
//     tst_exportcrash --child <path>

namespace {

const QByteArray RunningLine = "export running";
const QByteArray OlderBytes = "older export";

QByteArray FileBytes(const QString& path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

// Rows without end, until the process is killed.
ExportTable EndlessTable()
{
    ExportTable table;
    table.sheetName = u"经营单据"_s;
    table.title = u"全部记录"_s;
    table.columns = { { u"单据编号"_s, ExportCellType::Integer, 60 }, { u"总额"_s, ExportCellType::Amount, 68 },
        { u"收银员"_s, ExportCellType::Text, 68 } };
    table.rowCount = std::numeric_limits<int>::max();
    table.rows = [](const ExportTable::RowSink& sink) {
        for (qint64 id = 1;; ++id) {
            if (!sink({ QString::number(id), u"%1.50"_s.arg(id % 1000), u"小李"_s }))
                return QString();
        }
    };
    table.totals = { u"合计"_s, QString(), QString() };
    return table;
}

// The killed desk: writes rows until it is killed, saying so once a good many are out.
int runChild(const QString& path)
{
    const ExportResult result = TableExport::write(EndlessTable(), path, [](qint64 written) {
        if (written == 50 * TableExport::ProgressStep) {
            std::fprintf(stdout, "%s\n", RunningLine.constData());
            std::fflush(stdout);
        }
        return true;
    });
    return result.status == ExportResult::Status::Written ? 0 : 1;
}

} // namespace

class ExportCrashTest : public QObject
{
    Q_OBJECT

private slots:
    void aKilledExportLeavesTheOlderFile_data()
    {
        QTest::addColumn<QString>("name");
        QTest::newRow("workbook") << u"经营单据.xlsx"_s;
        QTest::newRow("csv") << u"经营单据.csv"_s;
    }

    void aKilledExportLeavesTheOlderFile()
    {
        QFETCH(QString, name);
        QTemporaryDir folder;
        const QString path = folder.filePath(name);
        QFile older(path);
        QVERIFY(older.open(QIODevice::WriteOnly) && older.write(OlderBytes) == OlderBytes.size());
        older.close();

        QProcess child;
        child.setProcessChannelMode(QProcess::ForwardedErrorChannel);
        child.start(QCoreApplication::applicationFilePath(), { u"--child"_s, path });
        QVERIFY(child.waitForStarted());
        QByteArray output;
        while (!output.contains(RunningLine) && child.waitForReadyRead(60000))
            output += child.readAllStandardOutput();
        QVERIFY2(output.contains(RunningLine), output.constData());
        ::kill(static_cast<pid_t>(child.processId()), SIGKILL);
        QVERIFY(child.waitForFinished());
        QCOMPARE(child.exitStatus(), QProcess::CrashExit);

        QCOMPARE(FileBytes(path), OlderBytes);

        // The next export to that name replaces the older file with a whole one.
        ExportTable table = EndlessTable();
        table.rows = [](const ExportTable::RowSink& sink) {
            sink({ u"1"_s, u"10.50"_s, u"小李"_s });
            return QString();
        };
        const ExportResult again = TableExport::write(table, path);
        QCOMPARE(again.status, ExportResult::Status::Written);
        QCOMPARE(again.rowsWritten, 1);
        QVERIFY(FileBytes(path) != OlderBytes);
        QVERIFY(!QFile::exists(path + u".part"_s));
    }
};

int main(int argc, char* argv[])
{
    if (argc == 3 && qstrcmp(argv[1], "--child") == 0) {
        QCoreApplication application(argc, argv);
        return runChild(QString::fromLocal8Bit(argv[2]));
    }
    QCoreApplication application(argc, argv);
    ExportCrashTest test;
    QTEST_SET_MAIN_SOURCE_PATH
    return QTest::qExec(&test, argc, argv);
}

#include "tst_exportcrash.moc"
