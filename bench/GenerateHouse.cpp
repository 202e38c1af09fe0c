// Makes the data folder of a busy house for the benchmarks: the desk's own database with years
// of settled bills, their technician and goods rows, staff, goods and members, and the setting
// files of a delivered installation. Run by hand:
//
//     GenerateHouse --folder /tmp/house [--receipts 1100000] [--members 200000] [--end "2026-12-08 20:00:00"]
//
// Bills are spread evenly over the days before --end at 1,000 a day, so the last day is today.

#include "app/Database.h"
#include "app/Money.h"
#include "app/TextFormat.h"

#include <QCommandLineParser>
#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QRandomGenerator>
#include <QtEndian>

#include <cstdio>
#include <sqlite3.h>

namespace {

constexpr int BillsPerDay = 1000;
constexpr int TechnicianCount = 60;
constexpr int GoodsCount = 200;

[[noreturn]] void Fail(const QString& text)
{
    std::fprintf(stderr, "GenerateHouse: %s\n", qPrintable(text));
    std::exit(1);
}

// One prepared insert, reused for every row.
class Insert
{
public:
    Insert(sqlite3* db, const char* sql)
        : m_db(db)
    {
        if (sqlite3_prepare_v2(db, sql, -1, &m_statement, nullptr) != SQLITE_OK)
            Fail(QString::fromUtf8(sqlite3_errmsg(db)));
    }
    ~Insert() { sqlite3_finalize(m_statement); }
    Insert(const Insert&) = delete;
    Insert& operator=(const Insert&) = delete;

    Insert& bind(int index, qint64 value)
    {
        sqlite3_bind_int64(m_statement, index, value);
        return *this;
    }
    Insert& bind(int index, const QString& text)
    {
        const QByteArray bytes = text.toUtf8();
        sqlite3_bind_text(m_statement, index, bytes.constData(), int(bytes.size()), SQLITE_TRANSIENT);
        return *this;
    }
    void run()
    {
        if (sqlite3_step(m_statement) != SQLITE_DONE)
            Fail(QString::fromUtf8(sqlite3_errmsg(m_db)));
        sqlite3_reset(m_statement);
    }

private:
    sqlite3* m_db;
    sqlite3_stmt* m_statement = nullptr;
};

void Exec(sqlite3* db, const char* sql)
{
    char* error = nullptr;
    if (sqlite3_exec(db, sql, nullptr, nullptr, &error) != SQLITE_OK) {
        const QString text = QString::fromUtf8(error);
        sqlite3_free(error);
        Fail(text);
    }
}

void WriteInt32s(const QString& path, const QList<qint32>& values)
{
    QByteArray bytes(values.size() * 4, '\0');
    for (qsizetype i = 0; i < values.size(); ++i)
        qToLittleEndian<qint32>(values[i], bytes.data() + i * 4);
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly) || file.write(bytes) != bytes.size())
        Fail(QStringLiteral("cannot write %1").arg(path));
}

void WriteSettingFiles(const QDir& folder)
{
    WriteInt32s(folder.filePath(QStringLiteral("HouNum.daf")), { 1 });
    QList<qint32> rooms;
    for (int i = 0; i < 40; ++i)
        rooms << 101 + i;
    for (int i = 0; i < 40; ++i)
        rooms << ((i % 8 == 7) ? 4 : 2);
    WriteInt32s(folder.filePath(QStringLiteral("pagesel0.dat")), rooms);
    QByteArray prices(40, '\0');
    const double values[5] = { 60.0, 30.0, 20.0, 5.0, 0.9 };
    for (int i = 0; i < 5; ++i)
        qToLittleEndian<double>(values[i], prices.data() + i * 8);
    QFile file(folder.filePath(QStringLiteral("sys.nnf")));
    if (!file.open(QIODevice::WriteOnly) || file.write(prices) != prices.size())
        Fail(QStringLiteral("cannot write sys.nnf"));
}

QString Technician(int index)
{
    return QStringLiteral("%1").arg(index + 1, 3, 10, QLatin1Char('0'));
}

QString GoodsName(int index)
{
    return QStringLiteral("商品%1").arg(index + 1);
}

} // namespace

int main(int argc, char* argv[])
{
    QCoreApplication application(argc, argv);
    QCommandLineParser parser;
    parser.setApplicationDescription(QStringLiteral("Makes the data folder of a busy house for the benchmarks."));
    parser.addHelpOption();
    const QCommandLineOption folderOption(
        QStringLiteral("folder"), QStringLiteral("data folder to make (must not hold data.db)"), QStringLiteral("DIR"));
    const QCommandLineOption receiptsOption(
        QStringLiteral("receipts"), QStringLiteral("settled bills"), QStringLiteral("N"), QStringLiteral("1100000"));
    const QCommandLineOption membersOption(
        QStringLiteral("members"), QStringLiteral("member cards"), QStringLiteral("N"), QStringLiteral("200000"));
    const QCommandLineOption endOption(
        QStringLiteral("end"), QStringLiteral("moment of the last bill"), QStringLiteral("yyyy-MM-dd HH:mm:ss"));
    const QCommandLineOption seedOption(
        QStringLiteral("seed"), QStringLiteral("random seed"), QStringLiteral("N"), QStringLiteral("1"));
    parser.addOptions({ folderOption, receiptsOption, membersOption, endOption, seedOption });
    parser.process(application);
    if (!parser.isSet(folderOption))
        parser.showHelp(2);

    const QDir folder(parser.value(folderOption));
    if (!QDir().mkpath(folder.path()))
        Fail(QStringLiteral("cannot make %1").arg(folder.path()));
    const QString databasePath = folder.filePath(QStringLiteral("data.db"));
    const qint64 receipts = parser.value(receiptsOption).toLongLong();
    const qint64 members = parser.value(membersOption).toLongLong();
    const QDateTime end = parser.isSet(endOption) ? DateTimeFromText(parser.value(endOption))
                                                  : QDateTime::currentDateTime().addSecs(-60);
    if (!end.isValid())
        Fail(QStringLiteral("--end is not a date-time"));
    QRandomGenerator random(parser.value(seedOption).toUInt());

    QElapsedTimer timer;
    timer.start();
    // The rows are written as a house kept them before its receipts were chained: opening the
    // file afterwards brings it up to date as an upgrade would, which times that step too.
    constexpr int UnchainedVersion = 5;
    {
        Database database;
        if (!database.create(databasePath, UnchainedVersion))
            Fail(database.lastError());
    }
    WriteSettingFiles(folder);

    sqlite3* db = nullptr;
    if (sqlite3_open(QFile::encodeName(databasePath).constData(), &db) != SQLITE_OK)
        Fail(QString::fromUtf8(sqlite3_errmsg(db)));
    Exec(db, "PRAGMA synchronous=OFF");
    Exec(db, "BEGIN");

    Insert staff(
        db, "INSERT INTO worksinfo (str1, str2, str3, str9, restday, workstatus) VALUES (?, ?, ?, '技师', ?, ?)");
    for (int i = 0; i < TechnicianCount; ++i)
        staff.bind(1, Technician(i))
            .bind(2, QStringLiteral("技师%1").arg(i + 1))
            .bind(3, QStringLiteral("女"))
            .bind(4, 1 + i % 7)
            .bind(5, i % 2)
            .run();

    Insert goods(db,
        "INSERT INTO kucheninfo (str1, str2, str4, str5, str6, str7, str9) VALUES (?, ?, '瓶', ?, '100000', ?, "
        "'饮料')");
    for (int i = 0; i < GoodsCount; ++i) {
        const Money price = Money::fromFen(500 + (i % 20) * 150);
        goods.bind(1, QStringLiteral("G%1").arg(i + 1, 4, 10, QLatin1Char('0')))
            .bind(2, GoodsName(i))
            .bind(3, price.text())
            .bind(4, (price * 100000).text())
            .run();
    }

    Insert member(
        db, "INSERT INTO huiyeninfo (str1, str2, str3, str5, str7, str9) VALUES (?, ?, ?, ?, '1000.00', '会员卡')");
    for (qint64 i = 0; i < members; ++i)
        member.bind(1, QStringLiteral("VIP%1").arg(i + 1, 7, 10, QLatin1Char('0')))
            .bind(2, QStringLiteral("会员%1").arg(i + 1))
            .bind(3, i % 3 ? QStringLiteral("男") : QStringLiteral("女"))
            .bind(4, QStringLiteral("138%1").arg(10000000 + i % 90000000))
            .run();

    Insert receipt(db,
        "INSERT INTO Receiptform (id, housnum, bytime, massagetime, washfoottime, trimfoot, spjine, dazhe, "
        "dazheperson, alljine, paytype, cashier, time, paymethod) "
        "VALUES (?, ?, ?, ?, ?, ?, ?, '1.00', '0', ?, ?, ?, ?, ?)");
    Insert salary(db,
        "INSERT INTO salaryform (id, num, name, massagetime, washfoottime, salary, time, cashier) "
        "VALUES (?, ?, ?, ?, ?, ?, ?, ?)");
    Insert sale(db,
        "INSERT INTO spsalay (id, name, danwe, danjia, counter, jine, time, cashier) "
        "VALUES (?, ?, '瓶', ?, ?, ?, ?, ?)");

    const qint64 days = std::max<qint64>(1, (receipts + BillsPerDay - 1) / BillsPerDay);
    const QDateTime start = end.addDays(-days);
    const qint64 span = start.secsTo(end);
    for (qint64 i = 0; i < receipts; ++i) {
        const QDateTime billTime = start.addSecs(receipts > 1 ? span * (i + 1) / receipts : span);
        const QString billText = DateTimeText(billTime);
        const int massage = 1 + int(random.bounded(3));
        const int footWash = int(random.bounded(2));
        const int goodsLines = (i % 2) ? 2 : 1;
        const QString cashier = QStringLiteral("cashier%1").arg(1 + i % 3);
        Money goodsTotal;
        for (int line = 0; line < goodsLines; ++line) {
            const int article = int(random.bounded(GoodsCount));
            const Money price = Money::fromFen(500 + (article % 20) * 150);
            const int quantity = 1 + int(random.bounded(3));
            goodsTotal += price * quantity;
            sale.bind(1, i + 1)
                .bind(2, GoodsName(article))
                .bind(3, price.text())
                .bind(4, QString::number(quantity))
                .bind(5, (price * quantity).text())
                .bind(6, billText)
                .bind(7, cashier)
                .run();
        }
        for (int technician = 0; technician < 2; ++technician) {
            const int index = int(random.bounded(TechnicianCount));
            salary.bind(1, i + 1)
                .bind(2, Technician(index))
                .bind(3, QStringLiteral("技师%1").arg(index + 1))
                .bind(4, QString::number(massage))
                .bind(5, QString::number(footWash))
                .bind(6, Money::fromYuan(10 * massage + 8 * footWash).text())
                .bind(7, billText)
                .bind(8, cashier)
                .run();
        }
        const Money total = Money::fromYuan(60 * massage + 30 * footWash) + goodsTotal;
        // How guests pay: cash 40 %, WeChat 30 %, Alipay 20 %, bank card 7 %, member card 3 %.
        const int payDraw = int(random.bounded(100));
        const QString method = payDraw < 40 ? QStringLiteral("现金")
            : payDraw < 70                  ? QStringLiteral("微信")
            : payDraw < 90                  ? QStringLiteral("支付宝")
            : payDraw < 97                  ? QStringLiteral("银行卡")
                                            : QStringLiteral("会员卡");
        const QString payType = payDraw < 97
            ? QStringLiteral("普通")
            : QStringLiteral("VIP%1").arg(1 + i % std::max<qint64>(1, members), 7, 10, QLatin1Char('0'));
        receipt.bind(1, i + 1)
            .bind(2, QString::number(101 + i % 40))
            .bind(3, DateTimeText(billTime.addSecs(-3600 * massage)) + QStringLiteral("—") + billText)
            .bind(4, QString::number(massage))
            .bind(5, footWash ? QString::number(footWash) : QString())
            .bind(6, QString())
            .bind(7, goodsTotal.text())
            .bind(8, total.text())
            .bind(9, payType)
            .bind(10, cashier)
            .bind(11, billText)
            .bind(12, method)
            .run();
        if ((i + 1) % 100000 == 0)
            std::fprintf(stderr, "%lld receipts\n", static_cast<long long>(i + 1));
    }
    Exec(db, "COMMIT");
    Exec(db, "PRAGMA wal_checkpoint(TRUNCATE)");
    sqlite3_close(db);
    QElapsedTimer upgrade;
    upgrade.start();
    {
        Database database;
        if (!database.open(databasePath))
            Fail(database.lastError());
    }
    std::printf("upgraded from version %d, every receipt and log row linked, in %.1f s\n", UnchainedVersion,
        upgrade.elapsed() / 1000.0);
    std::printf("made %s: %lld receipts, %lld members in %.1f s\n", qPrintable(folder.path()),
        static_cast<long long>(receipts), static_cast<long long>(members), timer.elapsed() / 1000.0);
    return 0;
}
