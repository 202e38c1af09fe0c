// The start's backup written as a stream: the copy's pages go straight into the compressed file
// (its first page, which SQLite writes last on a large file, into room kept at the start). A
// backup written so, and one written the earlier way (a whole-file BLAKE2b digest), are both
// restored; a copy damaged on the disk is found by the read back and refused by a restore.
//
// Incremental backups: the start's backup of an ordinary day holds only the pages changed since
// the newest whole copy. Restored, it gives back the database as it was, byte for byte; without
// its own whole copy it is refused with a text that says why; a whole copy is taken when none
// serves; and rotation never lets a whole copy go while a kept backup builds on it.
#include "app/BackupPages.h"
#include "app/Backups.h"
#include "app/CompressedFile.h"
#include "app/Database.h"
#include "app/DurableFile.h"
#include "app/RecordChain.h"
#include "app/TextFormat.h"
#include "support/TestEnvironment.h"

#include <QCryptographicHash>
#include <QDir>
#include <QFile>
#include <QSqlRecord>
#include <QtTest>

#include <zstd.h>

using namespace Qt::StringLiterals;

namespace {

const QDateTime Today(QDate(2026, 12, 7), QTime(12, 0));

// Receipts `from`…`count`, linked into their chain as the desk links them.
void AddReceipts(TestEnvironment& env, int count, int from = 1)
{
    env.sql(u"BEGIN"_s);
    for (int id = from; id <= count; ++id) {
        env.sql(u"INSERT INTO Receiptform (id, housnum, alljine, paytype, cashier, time, paymethod) "
                "VALUES (?, '101', ?, '普通', 'c1', ?, '现金')"_s,
            { id, u"%1.00"_s.arg(id % 300), DateTimeText(Today.addSecs(-id * 60)) });
        if (const QString error = RecordChain::link(env.database, RecordChain::Chain::Receipts, id); !error.isEmpty())
            qFatal("cannot link receipt %d: %s", id, qPrintable(error));
    }
    env.sql(u"COMMIT"_s);
}

QStringList Rows(const QString& databasePath)
{
    Database database;
    if (!database.open(databasePath))
        qFatal("cannot open %s: %s", qPrintable(databasePath), qPrintable(database.lastError()));
    QStringList rows;
    for (const QSqlRecord& row : database.exec(u"SELECT id, alljine, time FROM Receiptform ORDER BY id"_s).rows)
        rows << row.value(0).toString() + u'|' + row.value(1).toString() + u'|' + row.value(2).toString();
    return rows;
}

QByteArray ReadAll(const QString& path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

bool WriteAll(const QString& path, const QByteArray& bytes)
{
    QFile file(path);
    return file.open(QIODevice::WriteOnly | QIODevice::Truncate) && file.write(bytes) == bytes.size();
}

QString ContentsValue(const Backups::Entry& entry, const QString& key)
{
    for (const QString& line : QString::fromUtf8(ReadAll(QDir(entry.path).filePath(u"contents.txt"_s))).split(u'\n')) {
        if (line.startsWith(key + u'='))
            return line.mid(key.size() + 1);
    }
    return {};
}

Outcome<Backups::Entry> BackUp(TestEnvironment& env, const QDateTime& now, bool incremental = true)
{
    Backups::Options options;
    options.incremental = incremental;
    return Backups::make(env.database.filePath(), env.folder(), env.filePath(u"backup"_s), now, options);
}

// A backup folder made by hand, of `bytes` bytes: a whole copy, or an incremental backup on
// the whole copy `base`.
void FakeBackup(const QString& folder, const QDateTime& taken, qint64 bytes, const QString& base = {})
{
    const QDir at(QDir(folder).filePath(u"tavrel-"_s + taken.toString(u"yyyyMMdd-HHmmss"_s)));
    QVERIFY(QDir().mkpath(at.path()));
    const QString file = base.isEmpty() ? u"data.db.zst"_s : u"data.db.delta.zst"_s;
    QVERIFY(WriteAll(at.filePath(file), QByteArray(bytes, 'x')));
    QString contents = u"schema=1\nreceipts=0\nlastReceipt=0\nbytes=%1\nchecksum=00\n"_s.arg(bytes);
    if (!base.isEmpty())
        contents += u"base=%1\nbaseChecksum=00\ndatabaseBytes=4096\n"_s.arg(base);
    QVERIFY(WriteAll(at.filePath(u"contents.txt"_s), contents.toUtf8()));
}

QStringList Names(const QString& folder)
{
    QStringList names;
    for (const Backups::Entry& entry : Backups::list(folder))
        names << QFileInfo(entry.path).fileName().mid(7, 8); // the day
    return names;
}

} // namespace

class BackupStreamTest : public QObject
{
    Q_OBJECT

private slots:
    // A file of many MB: SQLite writes the copy's first page last, into the room kept for it.
    // A fresh folder's small file: the first page comes first. Either decompresses to the
    // database as it was, byte for byte but the counters of its header, and is restored.
    void aBackupWrittenNowIsRestored_data()
    {
        QTest::addColumn<int>("receipts");
        QTest::addColumn<bool>("headLast");
        QTest::newRow("a small file") << 0 << false;
        QTest::newRow("a file of many MB") << 20000 << true;
    }
    void aBackupWrittenNowIsRestored()
    {
        QFETCH(int, receipts);
        QFETCH(bool, headLast);
        TestEnvironment env;
        QVERIFY(env.isReady());
        AddReceipts(env, receipts);
        env.sql(u"PRAGMA wal_checkpoint(TRUNCATE)"_s); // the file itself holds all, to compare
        const Outcome<Backups::Entry> made
            = Backups::make(env.database.filePath(), env.folder(), env.filePath(u"backup"_s), Today);
        QVERIFY2(made, qPrintable(made.text()));
        QCOMPARE(!ContentsValue(made.value(), u"checksumHead"_s).isEmpty(), headLast);
        QCOMPARE(ContentsValue(made.value(), u"checksum"_s).size(), 16); // XXH64

        // zstd itself reads it, as a restore by hand does.
        const QByteArray packed = ReadAll(made.value().databasePath());
        const QByteArray live = ReadAll(env.database.filePath());
        QByteArray unpacked(live.size() + 65536, Qt::Uninitialized);
        const size_t size
            = ZSTD_decompress(unpacked.data(), size_t(unpacked.size()), packed.constData(), size_t(packed.size()));
        QVERIFY2(!ZSTD_isError(size), ZSTD_getErrorName(size));
        unpacked.truncate(qsizetype(size));
        QCOMPARE(unpacked.size(), live.size());
        QCOMPARE(unpacked.mid(100), live.mid(100));

        const QString candidate = env.filePath(u"data.db.restored"_s);
        const Backups::RestoreProblem problem = Backups::prepareRestore(made.value().databasePath(), candidate);
        QVERIFY2(problem.error.isEmpty(), qPrintable(problem.error));
        QCOMPARE(Rows(candidate), Rows(env.database.filePath()));
        QCOMPARE(Rows(candidate).size(), receipts);
    }

    // A backup of the earlier kind: the database compressed in one frame, contents.txt with the
    // BLAKE2b-256 digest of the whole compressed file. It is restored as before, and refused
    // once a byte of it is changed.
    void aBackupWrittenTheEarlierWayIsRestored()
    {
        TestEnvironment env;
        QVERIFY(env.isReady());
        AddReceipts(env, 3000);
        env.sql(u"PRAGMA wal_checkpoint(TRUNCATE)"_s);
        const QString folder = env.filePath(u"backup/tavrel-20261206-230000"_s);
        QVERIFY(QDir().mkpath(folder));
        const QByteArray live = ReadAll(env.database.filePath());
        QByteArray packed(qsizetype(ZSTD_compressBound(size_t(live.size()))), Qt::Uninitialized);
        ZSTD_CCtx* context = ZSTD_createCCtx();
        ZSTD_CCtx_setParameter(context, ZSTD_c_compressionLevel, 1);
        ZSTD_CCtx_setParameter(context, ZSTD_c_checksumFlag, 1);
        const size_t size
            = ZSTD_compress2(context, packed.data(), size_t(packed.size()), live.constData(), size_t(live.size()));
        ZSTD_freeCCtx(context);
        QVERIFY(!ZSTD_isError(size));
        packed.truncate(qsizetype(size));
        const QString database = QDir(folder).filePath(u"data.db.zst"_s);
        QVERIFY(WriteAll(database, packed));
        const QByteArray digest = QCryptographicHash::hash(packed, QCryptographicHash::Blake2b_256);
        QVERIFY(WriteAll(QDir(folder).filePath(u"contents.txt"_s),
            u"schema=%1\nreceipts=3000\nlastReceipt=3000\nlastReceiptTime=%2\nlastReceiptTotal=0.00\nbytes=%3\n"
            "checksum=%4\n"_s.arg(Database::SchemaVersion)
                .arg(DateTimeText(Today.addSecs(-3000 * 60)))
                .arg(live.size())
                .arg(QString::fromLatin1(digest.toHex()))
                .toUtf8()));
        QCOMPARE(Backups::list(env.filePath(u"backup"_s)).size(), 1);

        const QString candidate = env.filePath(u"data.db.restored"_s);
        Backups::RestoreProblem problem = Backups::prepareRestore(database, candidate);
        QVERIFY2(problem.error.isEmpty(), qPrintable(problem.error));
        QCOMPARE(Rows(candidate), Rows(env.database.filePath()));
        QVERIFY(QFile::remove(candidate));

        QByteArray changed = packed;
        changed[changed.size() / 2] = char(changed[changed.size() / 2] ^ 0x20);
        QVERIFY(WriteAll(database, changed));
        problem = Backups::prepareRestore(database, candidate);
        QCOMPARE(problem.error, u"备份文件的校验和不对"_s);
        QVERIFY(!QFile::exists(candidate));
    }

    // A byte of the copy changed on the disk, in the first page's frame or in the rest: the
    // read back does not give the digest written, and a restore refuses the backup.
    void aDamagedCopyIsFound_data()
    {
        QTest::addColumn<bool>("inHead");
        QTest::newRow("in the first page's frame") << true;
        QTest::newRow("in the rest") << false;
    }
    void aDamagedCopyIsFound()
    {
        QFETCH(bool, inHead);
        TestEnvironment env;
        QVERIFY(env.isReady());
        AddReceipts(env, 20000);
        const Outcome<Backups::Entry> made
            = Backups::make(env.database.filePath(), env.folder(), env.filePath(u"backup"_s), Today);
        QVERIFY2(made, qPrintable(made.text()));
        const QString path = made.value().databasePath();
        const qint64 head = ContentsValue(made.value(), u"checksumHead"_s).toLongLong();
        QVERIFY(head > 4096);
        const QByteArray digest = QByteArray::fromHex(ContentsValue(made.value(), u"checksum"_s).toLatin1());
        CompressedFile::Result back = CompressedFile::readBack(path, nullptr, head);
        QVERIFY(back.ok());
        QCOMPARE(back.digest, digest);

        QByteArray bytes = ReadAll(path);
        const qsizetype at = inHead ? 200 : head + (bytes.size() - head) / 2;
        bytes[at] = char(bytes[at] ^ 0x01);
        QVERIFY(WriteAll(path, bytes));
        back = CompressedFile::readBack(path, nullptr, head);
        QVERIFY(back.ok());
        QVERIFY(back.digest != digest);
        const QString candidate = env.filePath(u"data.db.restored"_s);
        const Backups::RestoreProblem problem = Backups::prepareRestore(path, candidate);
        QCOMPARE(problem.error, u"备份文件的校验和不对"_s);
        QVERIFY(!QFile::exists(candidate));
    }

    // A day of new receipts on a small file (its first page comes first) and on one of many
    // MB (its first page comes last); the file grows by pages the whole copy never had. The
    // incremental backup holds a small part of what the whole copy holds, and its pages over
    // the whole copy are the database as it was, but the counters of its header.
    void anIncrementalBackupRestoresTheDatabaseAsItWas_data()
    {
        QTest::addColumn<int>("before");
        QTest::addColumn<int>("added");
        QTest::newRow("a small file") << 10 << 40;
        QTest::newRow("a file of many MB") << 20000 << 300;
    }
    void anIncrementalBackupRestoresTheDatabaseAsItWas()
    {
        QFETCH(int, before);
        QFETCH(int, added);
        TestEnvironment env;
        QVERIFY(env.isReady());
        AddReceipts(env, before);
        const Outcome<Backups::Entry> whole = BackUp(env, Today.addDays(-1));
        QVERIFY2(whole, qPrintable(whole.text()));
        QVERIFY(!whole.value().incremental);
        QVERIFY(QFileInfo::exists(QDir(whole.value().path).filePath(u"pages.xxh"_s)));

        AddReceipts(env, before + added, before + 1);
        env.sql(u"PRAGMA wal_checkpoint(TRUNCATE)"_s); // the file itself holds all, to compare
        const Outcome<Backups::Entry> made = BackUp(env, Today);
        QVERIFY2(made, qPrintable(made.text()));
        const Backups::Entry& increment = made.value();
        QVERIFY(increment.incremental);
        QCOMPARE(increment.base, QFileInfo(whole.value().path).fileName());
        QCOMPARE(Backups::list(env.filePath(u"backup"_s)).first().base, increment.base);
        if (before > 1000)
            QVERIFY2(QFileInfo(increment.databasePath()).size() * 20 < QFileInfo(whole.value().databasePath()).size(),
                qPrintable(u"%1 bytes"_s.arg(QFileInfo(increment.databasePath()).size())));

        const QString unpacked = env.filePath(u"unpacked.db"_s);
        QVERIFY(CompressedFile::decompress(whole.value().databasePath(), unpacked).ok());
        QCOMPARE(BackupPages::apply(increment.databasePath(), unpacked), QString());
        const QByteArray live = ReadAll(env.database.filePath());
        const QByteArray restored = ReadAll(unpacked);
        QCOMPARE(restored.size(), live.size());
        QCOMPARE(restored.mid(100), live.mid(100));

        const Outcome<Backups::Contents> contents = Backups::inspect(increment.databasePath());
        QVERIFY2(contents, qPrintable(contents.text()));
        QCOMPARE(contents.value().receiptCount, before + added);
        const QString candidate = env.filePath(u"data.db.restored"_s);
        const Backups::RestoreProblem problem = Backups::prepareRestore(increment.databasePath(), candidate);
        QVERIFY2(problem.error.isEmpty(), qPrintable(problem.error));
        QCOMPARE(Rows(candidate), Rows(env.database.filePath()));
    }

    // Without the very whole copy it was taken against, an incremental backup is no backup: it
    // says so when chosen and when restored. A page that differs from its list after the
    // restore's writes is named.
    void anIncrementalBackupNeedsItsWholeCopy()
    {
        TestEnvironment env;
        QVERIFY(env.isReady());
        AddReceipts(env, 50);
        const Outcome<Backups::Entry> whole = BackUp(env, Today.addDays(-1));
        QVERIFY(whole);
        AddReceipts(env, 60, 51);
        const Outcome<Backups::Entry> made = BackUp(env, Today);
        QVERIFY(made && made.value().incremental);
        const QString increment = made.value().databasePath();
        const QString candidate = env.filePath(u"data.db.restored"_s);

        // Its list of pages changed: the restore names the page.
        const QString list = QDir(made.value().path).filePath(u"pages.xxh"_s);
        const QByteArray pages = ReadAll(list);
        std::optional<BackupPages::List> changed = BackupPages::read(list);
        QVERIFY(changed);
        changed->digests[2] ^= 1;
        QVERIFY(WriteAll(list, BackupPages::serialized(*changed)));
        QCOMPARE(Backups::prepareRestore(increment, candidate).error, u"恢复出的数据和备份时记下的不一样(第 3 页)"_s);
        QVERIFY(!QFile::exists(candidate));
        QVERIFY(WriteAll(list, pages));
        QVERIFY(Backups::prepareRestore(increment, candidate).error.isEmpty());
        QVERIFY(QFile::remove(candidate));

        // Another whole copy under the name of its own.
        const QString wholeFile = whole.value().databasePath();
        const QByteArray wholeBytes = ReadAll(wholeFile);
        const QString contentsFile = QDir(whole.value().path).filePath(u"contents.txt"_s);
        const QByteArray contents = ReadAll(contentsFile);
        QVERIFY(WriteAll(contentsFile, QByteArray(contents).replace("checksum=", "checksum=ff")));
        const QString missing = u"这是增量备份,只记下了完整备份 %1 之后改动的数据,要和它一起恢复;"
                                "可是那个完整备份已经不在了(或者已经不是原来的了)。"_s.arg(made.value().base);
        QCOMPARE(Backups::inspect(increment).text(), missing);
        QCOMPARE(Backups::prepareRestore(increment, candidate).error, missing);
        QVERIFY(WriteAll(contentsFile, contents));
        QVERIFY(Backups::inspect(increment));

        // Gone.
        QVERIFY(QFile::remove(wholeFile));
        QCOMPARE(Backups::inspect(increment).text(), missing);
        const Backups::RestoreProblem problem = Backups::prepareRestore(increment, candidate);
        QCOMPARE(problem.error, missing);
        QVERIFY(!problem.diskFull);
        QVERIFY(!QFile::exists(candidate));
        QVERIFY(WriteAll(wholeFile, wholeBytes));
        QVERIFY(Backups::inspect(increment));
    }

    // A whole copy is taken when asked for, when there is none to build on, when the newest is
    // more than two weeks old, and when the incremental backups on it have grown to half of it.
    void aWholeCopyIsTakenWhenNoneServes()
    {
        TestEnvironment env;
        QVERIFY(env.isReady());
        AddReceipts(env, 100);
        const auto incremental = [&env](const QDateTime& now, bool asked = true) {
            const Outcome<Backups::Entry> made = BackUp(env, now, asked);
            if (!made)
                qFatal("no backup: %s", qPrintable(made.text()));
            return made.value().incremental;
        };
        QVERIFY(!incremental(Today.addDays(-30))); // none to build on
        QVERIFY(!incremental(Today.addDays(-29), false)); // not asked for
        QVERIFY(incremental(Today.addDays(-28)));
        QVERIFY(incremental(Today.addDays(-29 + Backups::MaxBaseAgeDays - 1).addSecs(3600)));
        QVERIFY(!incremental(Today.addDays(-29 + Backups::MaxBaseAgeDays))); // too old
        AddReceipts(env, 20000, 101); // most of the file is new
        QVERIFY(incremental(Today.addDays(-10)));
        QVERIFY(!incremental(Today.addDays(-9))); // the last grew to more than half of it
        QVERIFY(incremental(Today.addDays(-8)));
    }

    // Rotation keeps the 30 newest and the newest of each month; a whole copy that kept
    // incremental backups build on stays with them. Over the limit, a whole copy goes together
    // with the incremental backups on it, but never the newest backup's.
    void rotationKeepsTheWholeCopyOfKeptIncrements()
    {
        QTemporaryDir temporary;
        const QString folder = temporary.path();
        const QDateTime first(QDate(2026, 11, 1), QTime(9, 0));
        const auto name
            = [](const QDateTime& taken) -> QString { return u"tavrel-"_s + taken.toString(u"yyyyMMdd-HHmmss"_s); };
        FakeBackup(folder, first, 1000);
        for (int day = 1; day <= 34; ++day)
            FakeBackup(folder, first.addDays(day), 10, name(first));
        QStringList removed;
        QVERIFY(Backups::rotate(folder, first.addDays(34), &removed).isEmpty());
        QCOMPARE(removed.size(), 4); // the 2nd to the 5th; the 1st, their whole copy, stays
        QCOMPARE(Names(folder).size(), 31);
        QCOMPARE(Names(folder).last(), u"20261101"_s);

        // A second whole copy with the newest backups on it: over the limit, the first goes
        // with all built on it.
        const QDateTime second = first.addDays(35);
        FakeBackup(folder, second, 1000);
        FakeBackup(folder, second.addDays(1), 10, name(second));
        removed.clear();
        QVERIFY(Backups::rotate(folder, second.addDays(1), &removed, 2100).isEmpty());
        QCOMPARE(Names(folder), QStringList({ u"20261207"_s, u"20261206"_s }));

        // The newest backup builds on the only whole copy: over any limit, they both stay.
        removed.clear();
        QVERIFY(Backups::rotate(folder, second.addDays(1), &removed, 1).isEmpty());
        QCOMPARE(Names(folder), QStringList({ u"20261207"_s, u"20261206"_s }));
    }

    // The writer's own checks: what it wrote is read back whole; stopped, it leaves nothing.
    void aWriterThatIsStoppedLeavesNoFile()
    {
        QTemporaryDir folder;
        const QString path = folder.filePath(u"copy.zst"_s);
        std::atomic<bool> stop = false;
        {
            CompressedFile::Writer writer(path, 0, &stop);
            QVERIFY(writer.reserveHead(4096));
            const QByteArray page(4096, 'x');
            QVERIFY(writer.add(page.constData(), size_t(page.size())));
            stop = true;
            QVERIFY(!writer.add(page.constData(), size_t(page.size())));
            QCOMPARE(writer.failure().problem, CompressedFile::Problem::Stopped);
        }
        QVERIFY(!QFile::exists(path));
    }
};

QTEST_GUILESS_MAIN(BackupStreamTest)
#include "tst_backupstream.moc"
