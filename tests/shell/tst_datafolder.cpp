#include "app/DataFolder.h"
#include "app/Database.h"
#include "app/DatabaseCheck.h"
#include "app/RecordChain.h"
#include "app/SettingFile.h"
#include "rooms/RoomNumbersFile.h"
#include "service/ServiceSettings.h"
#include "shell/DeskApplication.h"
#include "shell/FirstStart.h"
#include "shell/MainWindow.h"
#include "shell/UpgradeWait.h"
#include "support/DeskFixture.h"
#include "support/ReadOnlyPath.h"
#include "support/ScratchDisk.h"
#include "support/TestEnvironment.h"

#include <QCryptographicHash>
#include <QProcess>
#include <QTimer>
#include <QtTest>

#include <csignal>
#include <cstdio>
#include <thread>

using namespace Qt::StringLiterals;

// The data folder as an unlucky house meets it: a second desk started on it, a kill during the
// very first start, a disk that fills up during it, a folder restored without write rights.
// Nothing saved before is lost, and the desk says in Chinese what happened.
//
// The test runs itself again as the other desk:
//     tst_datafolder --child hold <folder>           a desk that holds the folder until killed
//     tst_datafolder --child install <folder> <step> a first start killed at that step

namespace {

const QByteArray ReadyLine = "desk ready";
const QByteArray BuildingLine = "building";

// Every file of the folder (hidden ones too) with its size, time and content.
QMap<QString, QString> snapshot(const QString& folder)
{
    QMap<QString, QString> files;
    const QFileInfoList entries = QDir(folder).entryInfoList(QDir::Files | QDir::Hidden | QDir::System, QDir::Name);
    for (const QFileInfo& entry : entries) {
        QFile file(entry.filePath());
        const QByteArray hash = file.open(QIODevice::ReadOnly)
            ? QCryptographicHash::hash(file.readAll(), QCryptographicHash::Sha256).toHex()
            : QByteArray("unreadable");
        files.insert(entry.fileName(),
            u"%1 %2 %3"_s.arg(entry.size())
                .arg(entry.lastModified().toMSecsSinceEpoch())
                .arg(QString::fromLatin1(hash)));
    }
    return files;
}

int holdFolder(const QString& folder)
{
    ScriptedMessageService messages;
    ManualClock clock(QDateTime(QDate(2026, 12, 7), QTime(10, 0)));
    PdfPrinterChooser printers(folder + u"/print"_s);
    RecordingDesktopLauncher launcher;
    ScriptedFileChooser files;
    CountingAlertSound sound;
    RecordingSpeech speech;
    DeskApplication desk({ messages, clock, printers, launcher, files, sound, speech });
    if (!desk.start(folder))
        return 2;
    std::printf("%s\n", ReadyLine.constData());
    std::fflush(stdout);
    for (;;)
        std::this_thread::sleep_for(std::chrono::seconds(1)); // until the parent kills us
}

int installAndDie(const QString& folder, int killAt)
{
    if (!DataFolder::prepare(folder))
        return 2;
    ScriptedMessageService messages;
    std::printf("%s\n", BuildingLine.constData());
    std::fflush(stdout);
    const QString failed
        = FirstStart::Install(DataFolder::databasePath(folder), messages, [killAt](FirstStart::Step step) {
              if (static_cast<int>(step) == killAt)
                  std::raise(SIGKILL);
          });
    return failed.isEmpty() ? 0 : 3;
}

// Starts this program as a child with `arguments` and waits for `line` from it.
bool startChild(QProcess& child, const QStringList& arguments, const QByteArray& line)
{
    child.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    child.start(QCoreApplication::applicationFilePath(), QStringList { u"--child"_s } + arguments);
    if (!child.waitForStarted())
        return false;
    QByteArray output;
    while (!output.contains(line) && child.waitForReadyRead(60000))
        output += child.readAllStandardOutput();
    return output.contains(line);
}

void killChild(QProcess& child)
{
    if (child.state() != QProcess::NotRunning)
        ::kill(static_cast<pid_t>(child.processId()), SIGKILL);
    child.waitForFinished();
}

// The installation is complete and sound, as a first start leaves it.
void verifyCompleteInstallation(const QString& folder)
{
    const QDir dir(folder);
    QCOMPARE(QFileInfo(dir.filePath(GroupCountFile.toString())).size(), 4);
    QCOMPARE(QFileInfo(dir.filePath(RoomNumbers::fileName(0))).size(), RoomNumbers::FileSize);
    QCOMPARE(QFileInfo(dir.filePath(ServiceSettings::FileName.toString())).size(), 40);
    QVERIFY(!QFileInfo::exists(dir.filePath(u"data.db.new"_s)));
    QVERIFY(DatabaseCheck::run(dir.filePath(u"data.db"_s)).sound());
}

} // namespace

class DataFolderTest : public QObject
{
    Q_OBJECT

private slots:
    void aSecondDeskOnTheFolderIsRefusedWithoutTouchingIt()
    {
        DeskFixture desk;
        QVERIFY(desk.start());
        desk.kill();

        QProcess other;
        QVERIFY(startChild(other, { u"hold"_s, desk.folder() }, ReadyLine));
        const QMap<QString, QString> before = snapshot(desk.folder());
        QVERIFY(before.contains(u".tavrel.lock"_s));

        QVERIFY(!desk.start());
        QCOMPARE(desk.messages.shown().size(), 1);
        const QString text = desk.messages.lastText();
        QVERIFY2(text.contains(u"正被另一个运行中的收银台使用"_s), qPrintable(text));
        QVERIFY2(text.contains(QDir::toNativeSeparators(desk.folder())), qPrintable(text));
        QCOMPARE(snapshot(desk.folder()), before);

        // The lock of a desk that was killed is taken over.
        killChild(other);
        QVERIFY2(desk.start(), qPrintable(desk.messages.texts().join(u'|')));
        QVERIFY(desk.messages.shown().isEmpty());
        desk.kill();
        QVERIFY(!QFileInfo::exists(QDir(desk.folder()).filePath(u".tavrel.lock"_s)));
    }

    void aKilledFirstStartIsDoneAgain_data()
    {
        QTest::addColumn<int>("killAt"); // a FirstStart::Step, or -1: while the database is built
        QTest::newRow("while the database is built") << -1;
        QTest::newRow("database built") << static_cast<int>(FirstStart::Step::DatabaseBuilt);
        QTest::newRow("setting files written") << static_cast<int>(FirstStart::Step::SettingFilesWritten);
        QTest::newRow("database in place") << static_cast<int>(FirstStart::Step::DatabaseInPlace);
    }

    void aKilledFirstStartIsDoneAgain()
    {
        QFETCH(int, killAt);
        DeskFixture desk;
        const QString folder = QDir(desk.folder()).filePath(u"house"_s);
        QProcess first;
        QVERIFY(startChild(first, { u"install"_s, folder, QString::number(killAt) }, BuildingLine));
        if (killAt < 0)
            killChild(first);
        else
            QVERIFY(first.waitForFinished());
        QCOMPARE(first.exitStatus(), QProcess::CrashExit);
        if (killAt != static_cast<int>(FirstStart::Step::DatabaseInPlace))
            QVERIFY(!QFileInfo::exists(QDir(folder).filePath(u"data.db"_s)));

        QVERIFY2(desk.startIn(folder), qPrintable(desk.messages.texts().join(u'|')));
        QVERIFY2(desk.messages.shown().isEmpty(), qPrintable(desk.messages.texts().join(u'|')));
        QCOMPARE(desk.database().schemaVersion(nullptr), Database::SchemaVersion);
        QCOMPARE(desk.window().roomPages().size(), 1);
        desk.kill();
        verifyCompleteInstallation(folder);
    }

    // A first start on a full disk, or on one that fills up half-way, leaves no data.db and no
    // half-written setting file; with room again the next start completes the installation.
    void aFirstStartOnAFullDiskIsDoneAgainLater()
    {
        ScratchDisk disk(u"4m"_s);
        if (!disk.isMounted())
            QSKIP(qPrintable(u"no scratch disk: "_s + disk.whyNot()));
        const QString folder = disk.path();
        const QString database = QDir(folder).filePath(u"data.db"_s);

        // Nearly full from the start: room for the folder's lock, not for the database.
        disk.fill(8192);
        DeskFixture desk;
        QVERIFY(!desk.startIn(folder));
        QVERIFY2(desk.messages.lastText().contains(u"首次启动没有完成"_s), qPrintable(desk.messages.lastText()));
        QVERIFY2(desk.messages.lastText().contains(u"磁盘已满"_s), qPrintable(desk.messages.lastText()));
        QVERIFY(!QFileInfo::exists(database));
        QVERIFY(!QFileInfo::exists(database + u".new"_s));
        disk.unfill();

        // Full once the database is built: the setting files cannot be written.
        QVERIFY(DataFolder::prepare(folder));
        ScriptedMessageService messages;
        const QString failed = FirstStart::Install(database, messages, [&disk](FirstStart::Step step) {
            if (step == FirstStart::Step::DatabaseBuilt)
                disk.fill();
        });
        QVERIFY(failed.contains(u"首次启动没有完成"_s));
        QCOMPARE(messages.texts(), QStringList { u"创建一个二进制文件失败!"_s });
        QVERIFY(!QFileInfo::exists(database));
        for (const QString& name :
            { GroupCountFile.toString(), RoomNumbers::fileName(0), ServiceSettings::FileName.toString() })
            QVERIFY2(!QFileInfo::exists(QDir(folder).filePath(name)), qPrintable(name));
        disk.unfill();

        QVERIFY2(desk.startIn(folder), qPrintable(desk.messages.texts().join(u'|')));
        QVERIFY(desk.messages.shown().isEmpty());
        desk.kill();
        verifyCompleteInstallation(folder);
        QVERIFY(QDir::setCurrent(QDir::tempPath()));
    }

    // A file of an earlier release is upgraded on a worker while a window says why the desk
    // waits: the user's thread keeps answering (a timer goes on ticking), and the desk opens
    // on the upgraded file with every receipt linked and counted in the ledger.
    void anOlderFileIsUpgradedWhileTheDeskStaysAwake()
    {
        DeskFixture desk;
        QVERIFY(desk.start());
        desk.kill();
        const QString path = QDir(desk.folder()).filePath(u"data.db"_s);
        for (const QString& suffix : { u""_s, u"-wal"_s, u"-shm"_s })
            QFile::remove(path + suffix);
        {
            Database older;
            QVERIFY2(older.create(path, 5), qPrintable(older.lastError()));
            const SqlResult filled
                = older.exec(u"WITH RECURSIVE n(i) AS (SELECT 1 UNION ALL SELECT i + 1 FROM n WHERE i < 5000) "
                             "INSERT INTO Receiptform (id, housnum, alljine, paytype, time, paymethod) "
                             "SELECT i, '101', '12.50', '普通', '2026-12-06 20:00:00', '现金' FROM n"_s);
            QVERIFY2(filled.ok(), qPrintable(filled.error));
        }
        QCOMPARE(Database::versionOf(path), std::optional<int>(5));

        int ticks = 0;
        bool waitShown = false;
        QTimer awake;
        QObject::connect(&awake, &QTimer::timeout, [&] {
            ++ticks;
            for (QWidget* window : QApplication::topLevelWidgets()) {
                if (waitShown || window->objectName() != QLatin1String(UpgradeWait::WindowName) || !window->isVisible())
                    continue;
                waitShown = true;
                window->grab().save(TestOutputPath(u"upgrade-wait.png"_s));
            }
        });
        awake.start(0);
        QVERIFY2(desk.start(), qPrintable(desk.messages.texts().join(u'|')));
        awake.stop();
        QVERIFY(ticks > 0);
        QVERIFY(waitShown);
        QVERIFY(desk.messages.shown().isEmpty());
        QCOMPARE(Database::versionOf(path), std::optional<int>(Database::SchemaVersion));
        QCOMPARE(desk.database().scalar(u"SELECT sum(receipts) FROM ledger_receipts"_s).toInt(), 5000);
        QCOMPARE(desk.database().scalar(u"SELECT sum(amount_fen) FROM ledger_receipts"_s).toLongLong(), 5000 * 1250);
        QVERIFY(VerifyChains(desk.database()).isEmpty());
        desk.kill();

        // A current file opens with no window at all.
        waitShown = false;
        awake.start(0);
        QVERIFY(desk.start());
        awake.stop();
        QVERIFY(!waitShown);
    }

    void aReadOnlyFolderIsReportedAndLeftAsItWas()
    {
        DeskFixture desk;
        QVERIFY(desk.start());
        desk.kill();
        QVERIFY(QDir::setCurrent(QDir::tempPath()));
        const QMap<QString, QString> before = snapshot(desk.folder());
        {
            ReadOnlyPath readOnly(desk.folder());
            if (!readOnly.isReadOnly())
                QSKIP(qPrintable(u"cannot make the folder read-only: "_s + readOnly.whyNot()));
            QVERIFY(!desk.start());
            QCOMPARE(desk.messages.shown().size(), 1);
            QVERIFY(desk.messages.lastText().startsWith(u"数据库注册失败!\n"_s));
            QVERIFY(desk.messages.lastText().contains(QDir::toNativeSeparators(desk.folder())));
            QVERIFY(QDir::setCurrent(QDir::tempPath()));
        }
        QCOMPARE(snapshot(desk.folder()), before);
        QVERIFY(desk.start());
    }
};

int main(int argc, char* argv[])
{
    QApplication application(argc, argv);
    if (argc >= 4 && qstrcmp(argv[1], "--child") == 0) {
        const QString folder = QString::fromLocal8Bit(argv[3]);
        if (qstrcmp(argv[2], "hold") == 0)
            return holdFolder(folder);
        if (qstrcmp(argv[2], "install") == 0 && argc == 5)
            return installAndDie(folder, QByteArray(argv[4]).toInt());
        return 1;
    }
    DataFolderTest test;
    QTEST_SET_MAIN_SOURCE_PATH
    return QTest::qExec(&test, argc, argv);
}

#include "tst_datafolder.moc"
