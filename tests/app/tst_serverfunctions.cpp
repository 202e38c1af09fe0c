// The functions a PostgreSQL server reads stored texts with give what the desk and the file
// give: each text is read on the server, on an SQLite file through the database layer's own
// spellings, and in C++ (LeadingInt, LeadingReal, Money::fromText), and the three must agree.

#include "app/Database.h"
#include "app/LeadingNumber.h"
#include "app/Money.h"
#include "app/ServerFunctions.h"
#include "support/AmountTexts.h"
#include "support/ServerFixture.h"

#include <QRandomGenerator>
#include <QSqlError>
#include <QSqlQuery>
#include <QTemporaryDir>
#include <QtTest>

#include <cmath>
#include <limits>
#include <memory>

using namespace Qt::StringLiterals;

namespace {

// One text as the four readings give it; a null reading is kept as null.
struct Reading
{
    QVariant integer;
    QVariant real;
    QVariant leadingFen;
    QVariant fen;
};

constexpr qint64 MaxFen = std::numeric_limits<qint64>::max();

// The odd texts the queries are tested with, the edge rows of the leading-number rule and the
// ends of the 64 bits.
QStringList oddTexts()
{
    return OddAmountTexts()
        + QStringList { // the edge rows of the rule
              u"12.5元"_s, u"2.675"_s, u"2.674999"_s, u"-0.005"_s, u"125e-2"_s, u"1235e-5"_s, u"7."_s, u"  -12.75元"_s,
              u"１５"_s, u"000000000000000000000000012.34"_s, u"1e308"_s, u"-1e308"_s, u"0e999999999"_s,
              u"1e-999999999"_s,
              // blanks: the C runtime's are skipped, no other
              u"\n\v\f\r 6"_s, u"\u00a06"_s, u"\u20036"_s,
              // signs, points and exponents
              u"-"_s, u"+"_s, u"."_s, u"-."_s, u"-.5"_s, u"+.5e1"_s, u"1.e2"_s, u".e2"_s, u"1e-"_s, u"1E+2"_s,
              u"1e2.5"_s, u"-0"_s, u"-0.00"_s, u"0.005"_s, u"0.0049"_s, u"-2.675"_s, u"1.005"_s, u"38.675"_s,
              u"1e0000000000000000002"_s,
              // the ends of 64 bits
              u"9223372036854775807"_s, u"9223372036854775808"_s, u"-9223372036854775808"_s, u"-9223372036854775809"_s,
              u"99999999999999999999"_s, u"92233720368547758.07"_s, u"92233720368547758.075"_s,
              u"-92233720368547758.07"_s, u"9999999999999999.99"_s, u"99999999999999999.99"_s, u"2147483648"_s,
              u"-2147483649"_s
          };
}

// Numbers of many digits and far exponents, where a reading through a double can no longer
// hold the number as written.
QStringList longNumbers(int count)
{
    QRandomGenerator random(22);
    QStringList texts;
    for (int i = 0; i < count; ++i) {
        QString digits;
        const int length = random.bounded(15, 30);
        for (int d = 0; d < length; ++d)
            digits += QChar(u'0' + random.bounded(10));
        const int point = random.bounded(0, length + 1);
        QString text = digits.left(point) + u'.' + digits.mid(point);
        if (random.bounded(3) == 0)
            text += u'e' + QString::number(random.bounded(-40, 41));
        else if (random.bounded(10) == 0)
            text += u'e' + QString::number(random.bounded(-400, 401));
        if (random.bounded(2) == 0)
            text.prepend(u'-');
        texts << text;
    }
    return texts;
}

QList<Reading> readingsOf(QSqlQuery& query)
{
    QList<Reading> readings;
    while (query.next())
        readings.append({ query.value(0), query.value(1), query.value(2), query.value(3) });
    return readings;
}

} // namespace

class TestServerFunctions : public QObject
{
    Q_OBJECT

    std::unique_ptr<ServerFixture> m_server;
    QTemporaryDir m_folder;
    Database m_file;

    // Runs a statement on the server; the error text.
    QString onServer(const QString& sql)
    {
        QSqlQuery query(m_server->database());
        return query.exec(sql) ? QString() : query.lastError().text();
    }

    // Puts the texts in the table "amounts" of the server and of the file, in order.
    void store(const QStringList& texts)
    {
        QVERIFY(m_file.exec(u"DELETE FROM amounts"_s).ok());
        QVERIFY(m_file.exec(u"BEGIN"_s).ok());
        for (qsizetype i = 0; i < texts.size(); ++i)
            QVERIFY(m_file.exec(u"INSERT INTO amounts (position, amount) VALUES (?, ?)"_s, { i, texts[i] }).ok());
        QVERIFY(m_file.exec(u"COMMIT"_s).ok());

        // In one statement: each text behind a mark, so that an empty one is an element too.
        QString joined;
        for (const QString& text : texts)
            joined += QChar(1) + u'x' + text;
        QCOMPARE(onServer(u"TRUNCATE amounts"_s), QString());
        QSqlQuery insert(m_server->database());
        QVERIFY(insert.prepare(u"INSERT INTO amounts (position, amount) SELECT n - 2, substr(t, 2) "
                               "FROM unnest(string_to_array(?, chr(1))) WITH ORDINALITY AS a(t, n) WHERE n > 1"_s));
        insert.addBindValue(joined);
        QVERIFY2(insert.exec(), qPrintable(insert.lastError().text()));
        QCOMPARE(insert.numRowsAffected(), texts.size());
    }

    QList<Reading> readOnServer()
    {
        QSqlQuery query(m_server->database());
        if (!query.exec(u"SELECT %1(amount), %2(amount), %3(amount), %4(amount) FROM amounts ORDER BY position"_s.arg(
                ServerFunctions::LeadingInteger, ServerFunctions::LeadingReal, ServerFunctions::LeadingFen,
                ServerFunctions::Fen))) {
            qWarning("%s", qPrintable(query.lastError().text()));
            return {};
        }
        return readingsOf(query);
    }

    QList<Reading> readOnFile()
    {
        QList<Reading> readings;
        const QString error = m_file.readRows(
            u"SELECT %1, %2, %3, %4 FROM amounts ORDER BY position"_s.arg(m_file.dialect().leadingInteger(u"amount"_s),
                m_file.dialect().leadingReal(u"amount"_s), m_file.dialect().leadingFen(u"amount"_s),
                m_file.dialect().fen(u"amount"_s)),
            {}, [&](const QSqlQuery& row) {
                readings.append({ row.value(0), row.value(1), row.value(2), row.value(3) });
                return true;
            });
        if (!error.isEmpty())
            qWarning("%s", qPrintable(error));
        return readings;
    }

    qint64 sumOnServer(const QString& condition = u"true"_s, QString* error = nullptr)
    {
        QSqlQuery query(m_server->database());
        if (!query.exec(u"SELECT %1(amount) FROM amounts WHERE %2"_s.arg(ServerFunctions::FenSum, condition))
            || !query.next()) {
            if (error)
                *error = query.lastError().text();
            return 0;
        }
        return query.value(0).toLongLong();
    }

private slots:
    void initTestCase()
    {
        TAVREL_SKIP_WITHOUT_SERVER();
        m_server = std::make_unique<ServerFixture>();
        QVERIFY2(m_server->ok(), qPrintable(m_server->error()));
        for (const QString& statement : ServerFunctions::statements())
            QCOMPARE(onServer(statement), QString());
        QCOMPARE(onServer(u"CREATE TABLE amounts (position integer PRIMARY KEY, amount text)"_s), QString());
        QVERIFY(m_file.create(m_folder.filePath(u"data.db"_s)));
        QVERIFY(m_file.exec(u"CREATE TABLE amounts (position INTEGER PRIMARY KEY, amount)"_s).ok());
    }

    void cleanupTestCase() { m_server.reset(); }

    void theFunctionsAreImmutableAndMadeAgainWithoutHarm()
    {
        for (const QString& statement : ServerFunctions::statements())
            QCOMPARE(onServer(statement), QString());
        QSqlQuery functions(m_server->database());
        QVERIFY(functions.exec(u"SELECT proname, provolatile, proparallel FROM pg_proc "
                               "WHERE proname LIKE 'tavrel\\_%' ORDER BY proname"_s));
        QStringList names;
        while (functions.next()) {
            names << functions.value(0).toString();
            QCOMPARE(functions.value(1).toString(), u"i"_s); // immutable: usable in indexes
            QCOMPARE(functions.value(2).toString(), u"s"_s); // parallel safe
        }
        for (const QStringView name : { ServerFunctions::LeadingInteger, ServerFunctions::LeadingReal,
                 ServerFunctions::LeadingFen, ServerFunctions::Fen, ServerFunctions::FenSum })
            QVERIFY2(names.contains(name.toString()), qPrintable(name.toString()));
    }

    // Every odd text reads the same on the server, on the file and in C++.
    void oddTextsReadAsOnTheFileAndAtTheDesk()
    {
        const QStringList texts = oddTexts();
        store(texts);
        const QList<Reading> server = readOnServer();
        const QList<Reading> file = readOnFile();
        QCOMPARE(server.size(), texts.size());
        QCOMPARE(file.size(), texts.size());
        for (qsizetype i = 0; i < texts.size(); ++i) {
            const QString& text = texts[i];
            const QByteArray context = "text [" + text.toUtf8() + ']';
            const qint64 integer = server[i].integer.toLongLong();
            QVERIFY2(integer == file[i].integer.toLongLong(), context);
            if (integer >= std::numeric_limits<int>::min() && integer <= std::numeric_limits<int>::max())
                QVERIFY2(integer == LeadingInt(text), context);

            const double real = server[i].real.toDouble();
            QVERIFY2(real == file[i].real.toDouble(), context);
            if (std::isfinite(real))
                QVERIFY2(real == LeadingReal(text), context);

            const qint64 fen = Money::fromText(text).fen();
            QVERIFY2(server[i].fen.toLongLong() == fen, context);
            QVERIFY2(server[i].leadingFen.toLongLong() == fen, context);
            QVERIFY2(file[i].fen.toLongLong() == fen, context);
            // A double holds every number here as written, but for the far ends of 64 bits.
            if (std::abs(fen) < (qint64(1) << 53))
                QVERIFY2(file[i].leadingFen.toLongLong() == fen, context);
        }
        // Beyond a double's range the number is infinite, as on the file.
        QCOMPARE(server[texts.indexOf(u"1e308"_s)].real.toDouble(), 1e308);
        store({ u"1e999"_s, u"-1e999"_s, u"1e-999"_s, u"-1e-999"_s });
        const QList<Reading> far = readOnServer();
        const QList<Reading> farOnFile = readOnFile();
        QCOMPARE(far.size(), 4);
        QCOMPARE(far[0].real.toDouble(), std::numeric_limits<double>::infinity());
        QCOMPARE(far[1].real.toDouble(), -std::numeric_limits<double>::infinity());
        QCOMPARE(far[2].real.toDouble(), 0.0);
        QCOMPARE(far[3].real.toDouble(), 0.0);
        for (int i = 0; i < 4; ++i) {
            QCOMPARE(far[i].real.toDouble(), farOnFile[i].real.toDouble());
            QCOMPARE(far[i].integer.toLongLong(), farOnFile[i].integer.toLongLong());
        }
        QCOMPARE(far[0].fen.toLongLong(), MaxFen);
        QCOMPARE(far[1].fen.toLongLong(), -MaxFen);
    }

    // A null is 0 to tavrel_fen and the sum, and null to the readings, on both engines.
    void nullsReadAsOnTheFile()
    {
        QSqlQuery server(m_server->database());
        QVERIFY(server.exec(u"SELECT %1(NULL), %2(NULL), %3(NULL), %4(NULL)"_s.arg(ServerFunctions::LeadingInteger,
            ServerFunctions::LeadingReal, ServerFunctions::LeadingFen, ServerFunctions::Fen)));
        QVERIFY(server.next());
        const SqlResult file = m_file.exec(u"SELECT %1, %2, %3, %4"_s.arg(m_file.dialect().leadingInteger(u"NULL"_s),
            m_file.dialect().leadingReal(u"NULL"_s), m_file.dialect().leadingFen(u"NULL"_s),
            m_file.dialect().fen(u"NULL"_s)));
        QVERIFY(file.ok());
        for (int column = 0; column < 3; ++column) {
            QVERIFY(server.value(column).isNull());
            QVERIFY(file.first().value(column).isNull());
        }
        QCOMPARE(server.value(3).toLongLong(), 0);
        QCOMPARE(file.first().value(3).toLongLong(), 0);
    }

    // 20,000 texts like those a desk stores: each reads the same everywhere, and the sum is the
    // exact sum of the printed amounts, also when the server adds in parallel.
    void storedTextsAndTheirSumReadAsAtTheDesk()
    {
        const QStringList texts = StoredAmountTexts(20000);
        store(texts);
        const QList<Reading> server = readOnServer();
        const QList<Reading> file = readOnFile();
        QCOMPARE(server.size(), texts.size());
        QCOMPARE(file.size(), texts.size());
        qint64 desk = 0;
        int differences = 0;
        for (qsizetype i = 0; i < texts.size(); ++i) {
            const QString& text = texts[i];
            const qint64 fen = Money::fromText(text).fen();
            desk += fen;
            const bool same = server[i].fen.toLongLong() == fen && server[i].leadingFen.toLongLong() == fen
                && file[i].leadingFen.toLongLong() == fen && file[i].fen.toLongLong() == fen
                && server[i].integer.toLongLong() == LeadingInt(text)
                && file[i].integer.toLongLong() == LeadingInt(text) && server[i].real.toDouble() == LeadingReal(text)
                && file[i].real.toDouble() == LeadingReal(text);
            if (!same && ++differences <= 5)
                qWarning("read differently: [%s]", qPrintable(text));
        }
        QCOMPARE(differences, 0);
        QCOMPARE(sumOnServer(), desk);
        const SqlResult fileSum = m_file.exec(u"SELECT %1 FROM amounts"_s.arg(m_file.dialect().fenSum(u"amount"_s)));
        QCOMPARE(fileSum.first().value(0).toLongLong(), desk);

        // The same sum from two workers, whose partial sums the server adds.
        QCOMPARE(onServer(u"SET parallel_setup_cost = 0"_s), QString());
        QCOMPARE(onServer(u"SET parallel_tuple_cost = 0"_s), QString());
        QCOMPARE(onServer(u"SET min_parallel_table_scan_size = 0"_s), QString());
        QCOMPARE(onServer(u"SET max_parallel_workers_per_gather = 2"_s), QString());
        QSqlQuery plan(m_server->database());
        QVERIFY(plan.exec(u"EXPLAIN SELECT %1(amount) FROM amounts"_s.arg(ServerFunctions::FenSum)));
        QString planText;
        while (plan.next())
            planText += plan.value(0).toString() + u'\n';
        QVERIFY2(planText.contains(u"Partial Aggregate"_s), qPrintable(planText));
        QCOMPARE(sumOnServer(), desk);
        QCOMPARE(onServer(u"RESET ALL"_s), QString());

        // Grouped, each group's sum is its rows' sum.
        QSqlQuery grouped(m_server->database());
        QVERIFY(grouped.exec(
            u"SELECT position % 7, %1(amount) FROM amounts GROUP BY 1 ORDER BY 1"_s.arg(ServerFunctions::FenSum)));
        qint64 groups = 0;
        while (grouped.next()) {
            qint64 expected = 0;
            for (qsizetype i = grouped.value(0).toInt(); i < texts.size(); i += 7)
                expected += Money::fromText(texts[i]).fen();
            QCOMPARE(grouped.value(1).toLongLong(), expected);
            groups += grouped.value(1).toLongLong();
        }
        QCOMPARE(groups, desk);
    }

    // Where a number has more digits than a double holds, or lies far beyond any amount, the
    // server still reads it as written, as the desk does; SQLite's reading through a double
    // is then a step (a fen, or the last bit of a double) away.
    void longNumbersReadAsWritten()
    {
        const QStringList texts = longNumbers(5000);
        store(texts);
        const QList<Reading> server = readOnServer();
        const QList<Reading> file = readOnFile();
        QCOMPARE(server.size(), texts.size());
        int fileDepartsInFen = 0, fileDepartsInReal = 0;
        qint64 desk = 0;
        for (qsizetype i = 0; i < texts.size(); ++i) {
            const QString& text = texts[i];
            const QByteArray context = "text [" + text.toUtf8() + ']';
            const qint64 fen = Money::fromText(text).fen();
            desk += fen;
            QVERIFY2(server[i].fen.toLongLong() == fen, context);
            QVERIFY2(server[i].leadingFen.toLongLong() == fen, context);
            QVERIFY2(server[i].integer.toLongLong() == file[i].integer.toLongLong(), context);
            const double real = server[i].real.toDouble();
            if (std::isfinite(real) && real != 0)
                QVERIFY2(real == LeadingReal(text), context);
            fileDepartsInFen += file[i].leadingFen.toLongLong() != fen;
            fileDepartsInReal += file[i].real.toDouble() != real;
        }
        qInfo("of %lld long numbers SQLite's double reading is off the written number in %d fen readings and "
              "%d doubles",
            static_cast<long long>(texts.size()), fileDepartsInFen, fileDepartsInReal);
        QString error;
        const qint64 sum = sumOnServer(u"true"_s, &error);
        if (error.isEmpty())
            QCOMPARE(sum, desk);
        else
            QVERIFY(error.contains(u"金额超出范围"_s));
    }

    void theSumSkipsNullsAndSaysWhenItOverflows()
    {
        store({});
        QCOMPARE(sumOnServer(), 0); // no rows
        QCOMPARE(onServer(u"INSERT INTO amounts VALUES (1, NULL), (2, '1.005'), (3, '7'), (4, '2.675')"_s), QString());
        QCOMPARE(sumOnServer(), 101 + 700 + 268);
        QCOMPARE(sumOnServer(u"amount IS NULL"_s), 0);
        // Only the total counts: the rows may pass the end of 64 bits on the way.
        QCOMPARE(onServer(u"INSERT INTO amounts VALUES (5, '9e16'), (6, '9e16'), (7, '-9e16')"_s), QString());
        QCOMPARE(sumOnServer(u"position >= 5"_s), qint64(9'000'000'000'000'000'000));
        QCOMPARE(onServer(u"DELETE FROM amounts WHERE position = 7"_s), QString());
        QString error;
        sumOnServer(u"true"_s, &error);
        QVERIFY2(error.contains(u"金额超出范围"_s), qPrintable(error));
        // The largest amounts each way still add up.
        QCOMPARE(onServer(u"TRUNCATE amounts"_s), QString());
        QCOMPARE(onServer(u"INSERT INTO amounts VALUES (1, '1e308'), (2, '-1e308')"_s), QString());
        QCOMPARE(sumOnServer(), 0);
    }
};

QTEST_GUILESS_MAIN(TestServerFunctions)
#include "tst_serverfunctions.moc"
