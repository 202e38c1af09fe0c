#include "app/SettingFile.h"
#include "app/SettingPlace.h"
#include "rooms/RoomNumbersFile.h"
#include "service/ServiceSettings.h"
#include "shell/DeskApplication.h"
#include "shell/MainWindow.h"
#include "support/DeskFixture.h"
#include "support/ScratchDisk.h"
#include "support/ScriptedMessageService.h"
#include "support/TestEnvironment.h"

#include <QDir>
#include <QFileDevice>
#include <QtTest>

#include <sys/stat.h>

using namespace Qt::StringLiterals;

// The binary setting files under a full disk, a failing write and a name that is not a
// regular file: a save that fails says so and leaves the old file byte for byte; a read
// never blocks.
class SettingFilesTest : public QObject
{
    Q_OBJECT

private:
    static QStringList folderEntries(const QString& folder)
    {
        return QDir(folder).entryList(QDir::Files | QDir::Hidden | QDir::System, QDir::Name);
    }

    static void writeFile(const QString& path, const QByteArray& bytes)
    {
        QFile file(path);
        QVERIFY(file.open(QIODevice::WriteOnly));
        QCOMPARE(file.write(bytes), bytes.size());
    }

private slots:
    // A writer that the disk refuses in each way it can: the write fails, takes part of the
    // bytes, or (a buffered write on a full disk) claims them all and keeps none.
    void aFailingWriteLeavesTheOldFile_data()
    {
        QTest::addColumn<int>("kept"); // bytes that reach the file
        QTest::addColumn<bool>("claimsAll");
        QTest::newRow("refused") << 0 << false;
        QTest::newRow("part taken") << 2 << false;
        QTest::newRow("all claimed, none kept") << 0 << true;
        QTest::newRow("all claimed, part kept") << 3 << true;
    }

    void aFailingWriteLeavesTheOldFile()
    {
        QFETCH(int, kept);
        QFETCH(bool, claimsAll);
        TestEnvironment env;
        QVERIFY(env.isReady());
        const QByteArray before = FileBytes(GroupCountFile.toString());
        QCOMPARE(before.size(), 4);
        const QStringList entries = folderEntries(env.folder());

        ScriptedMessageService messages;
        const auto fullDisk = [kept, claimsAll](QFileDevice& file, const QByteArray& bytes) -> qint64 {
            const qint64 taken = file.write(bytes.left(kept));
            return claimsAll ? bytes.size() : taken;
        };
        SettingFolder onFullDisk({}, fullDisk);
        QVERIFY(!onFullDisk.write(GroupCountFile.toString(), PackInt32List({ 5 }), messages));
        QCOMPARE(messages.texts(), QStringList { u"创建一个二进制文件失败!"_s });
        QCOMPARE(FileBytes(GroupCountFile.toString()), before);
        QCOMPARE(folderEntries(env.folder()), entries); // no temporary file left behind

        // The next start reads the old value without a word.
        SettingFolder place;
        QCOMPARE(ReadSettingInt(place, GroupCountFile.toString(), messages), 1);
        QCOMPARE(messages.shown().size(), 1);
    }

    // Every setting file the desk saves, on a disk that is really full.
    void aFullDiskLeavesEverySettingFileAsItWas()
    {
        ScratchDisk disk(u"256k"_s);
        if (!disk.isMounted())
            QSKIP(qPrintable(u"no scratch disk: "_s + disk.whyNot()));
        QVERIFY(QDir::setCurrent(disk.path()));
        ScriptedMessageService messages;
        SettingFolder place;
        QVERIFY(WriteSettingInt(place, GroupCountFile.toString(), 2, messages));
        RoomNumbers rooms = RoomNumbers::delivered();
        QVERIFY(rooms.write(place, RoomNumbers::fileName(0), messages));
        ServiceSettings prices = ServiceSettings::delivered();
        QVERIFY(prices.write(place, messages));
        QVERIFY(messages.shown().isEmpty());
        QMap<QString, QByteArray> before;
        for (const QString& name :
            { GroupCountFile.toString(), RoomNumbers::fileName(0), ServiceSettings::FileName.toString() })
            before.insert(name, FileBytes(name));

        disk.fill();
        QVERIFY(!WriteSettingInt(place, GroupCountFile.toString(), 3, messages));
        rooms.numbers[0] = 888;
        QVERIFY(!rooms.write(place, RoomNumbers::fileName(0), messages));
        prices.massagePrice = Decimal::whole(99);
        QVERIFY(!prices.write(place, messages));
        QCOMPARE(messages.texts(), QStringList(3, u"创建一个二进制文件失败!"_s));
        for (auto file = before.cbegin(); file != before.cend(); ++file)
            QCOMPARE(FileBytes(file.key()), file.value());
        QCOMPARE(folderEntries(disk.path()).size(), 4); // the three files and the filler

        // With room again, the save goes through.
        disk.unfill();
        messages.clear();
        QVERIFY(WriteSettingInt(place, GroupCountFile.toString(), 3, messages));
        QCOMPARE(ReadSettingInt(place, GroupCountFile.toString(), messages), 3);
        QVERIFY(messages.shown().isEmpty());
        QVERIFY(QDir::setCurrent(QDir::tempPath()));
    }

    // A named pipe under a setting file's name would block open() for good; a folder under it
    // cannot be read. Both get the file's message, at once.
    void aNameThatIsNotARegularFileIsRefusedAtOnce()
    {
        TestEnvironment env;
        QVERIFY(env.isReady());
        QVERIFY(QFile::remove(GroupCountFile.toString()));
        QCOMPARE(::mkfifo(QFile::encodeName(GroupCountFile.toString()).constData(), 0644), 0);
        QVERIFY(QFile::remove(RoomNumbers::fileName(0)));
        QVERIFY(QDir().mkdir(RoomNumbers::fileName(0)));

        ScriptedMessageService messages;
        SettingFolder place;
        QCOMPARE(ReadSettingInt(place, GroupCountFile.toString(), messages), 0);
        QVERIFY(!RoomNumbers::read(place, RoomNumbers::fileName(0), messages));
        QCOMPARE(messages.texts(), QStringList(2, u"打开一个二进制文件失败!"_s));

        // A file in good order is read as before, through a link too.
        writeFile(env.filePath(u"count.daf"_s), PackInt32List({ 4 }));
        QVERIFY(QFile::link(env.filePath(u"count.daf"_s), env.filePath(u"linked.daf"_s)));
        QCOMPARE(ReadSettingInt(place, u"linked.daf"_s, messages), 4);
        QCOMPARE(messages.shown().size(), 2);
    }

    // The whole desk starts past a pipe in place of HouNum.daf: the message says why, and the
    // board shows one group.
    void theDeskStartsPastAPipe()
    {
        DeskFixture desk;
        QVERIFY(desk.start());
        desk.kill();
        const QString groupFile = QDir(desk.folder()).filePath(GroupCountFile.toString());
        QVERIFY(QFile::remove(groupFile));
        QCOMPARE(::mkfifo(QFile::encodeName(groupFile).constData(), 0644), 0);
        QVERIFY(desk.start());
        QCOMPARE(desk.messages.texts(), QStringList { u"打开一个二进制文件失败!"_s });
        QCOMPARE(desk.window().roomPages().size(), 1);
    }
};

QTEST_MAIN(SettingFilesTest)
#include "tst_settingfiles.moc"
