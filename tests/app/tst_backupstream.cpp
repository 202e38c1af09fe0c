// The start's backup written as a stream: the copy's pages go straight into the compressed file
// (its first page, which SQLite writes last on a large file, into room kept at the start). A
// backup written so, and one written the earlier way (a whole-file BLAKE2b digest), are both
// restored; a copy damaged on the disk is found by the read back and refused by a restore.
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

void AddReceipts(TestEnvironment& env, int count)
{
    env.sql(u"BEGIN"_s);
    for (int id = 1; id <= count; ++id) {
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
