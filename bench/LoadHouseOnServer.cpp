// Puts the house of a data folder (as GenerateHouse makes it) onto a PostgreSQL server, so that
// the benchmarks of the desks that share a server run on the same years of bills:
//
//     LoadHouseOnServer --folder /tmp/house --server postgresql://tavrel@%2Ftmp%2Fpg/benchhouse
//
// The database must be empty: the house is made there as the desk makes one (createHouse), and
// every table's rows are then copied from the folder's data.db with COPY FROM STDIN, in one
// transaction: the same texts, NULL kept NULL, each row under the same row key. The daily
// ledger and the chain links are copied as they are stored in the file (the file's own triggers
// and upgrade filled them from these very rows), with the tables' triggers held off meanwhile,
// so that the ledger's triggers do not count every copied row a second time. The setting files
// of the folder become the rows of setting_file. At the end the desk opens the house as any
// desk does (its version and shape checked, a write tried) and the loaded house is put through
// the desk's own checks: both chains walked from their first link, the ledger compared with the
// rows.

#include "app/Database.h"
#include "app/MessageService.h"
#include "app/RecordChain.h"
#include "app/Schema.h"
#include "app/ServerAddress.h"
#include "app/SettingPlace.h"
#include "app/TakingsLedger.h"

#include <QCommandLineParser>
#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QSet>
#include <QTextStream>

#include <cstdio>
#include <libpq-fe.h>
#include <sqlite3.h>

namespace {

[[noreturn]] void Fail(const QString& text)
{
    std::fprintf(stderr, "LoadHouseOnServer: %s\n", qPrintable(text));
    std::exit(1);
}

class ConsoleMessages final : public MessageService
{
public:
    void inform(const QString& text, const QString&, Icon) override
    {
        std::fprintf(stderr, "message: %s\n", qPrintable(text));
    }
    bool ask(const QString&, const QString&, Icon) override { return false; }
};

// The server's side of the copy: one libpq connection.
class Server
{
public:
    explicit Server(const ServerAddress& address)
    {
        m_connection = PQconnectdb(address.url().toUtf8().constData());
        if (PQstatus(m_connection) != CONNECTION_OK)
            Fail(QString::fromUtf8(PQerrorMessage(m_connection)));
    }
    ~Server() { PQfinish(m_connection); }
    Server(const Server&) = delete;
    Server& operator=(const Server&) = delete;

    // Runs `sql`; the rows of a select come back as texts.
    QList<QStringList> run(const QString& sql)
    {
        PGresult* result = PQexec(m_connection, sql.toUtf8().constData());
        const ExecStatusType status = PQresultStatus(result);
        if (status != PGRES_COMMAND_OK && status != PGRES_TUPLES_OK) {
            const QString error = QString::fromUtf8(PQerrorMessage(m_connection));
            PQclear(result);
            Fail(QStringLiteral("%1\n  in: %2").arg(error, sql));
        }
        QList<QStringList> rows;
        for (int row = 0; row < PQntuples(result); ++row) {
            QStringList cells;
            for (int column = 0; column < PQnfields(result); ++column)
                cells << QString::fromUtf8(PQgetvalue(result, row, column));
            rows << cells;
        }
        PQclear(result);
        return rows;
    }

    void beginCopy(const QString& sql)
    {
        PGresult* result = PQexec(m_connection, sql.toUtf8().constData());
        if (PQresultStatus(result) != PGRES_COPY_IN) {
            const QString error = QString::fromUtf8(PQerrorMessage(m_connection));
            PQclear(result);
            Fail(QStringLiteral("%1\n  in: %2").arg(error, sql));
        }
        PQclear(result);
    }
    void send(const QByteArray& bytes)
    {
        if (PQputCopyData(m_connection, bytes.constData(), int(bytes.size())) != 1)
            Fail(QString::fromUtf8(PQerrorMessage(m_connection)));
    }
    void endCopy()
    {
        if (PQputCopyEnd(m_connection, nullptr) != 1)
            Fail(QString::fromUtf8(PQerrorMessage(m_connection)));
        while (PGresult* result = PQgetResult(m_connection)) {
            if (PQresultStatus(result) != PGRES_COMMAND_OK) {
                const QString error = QString::fromUtf8(PQerrorMessage(m_connection));
                PQclear(result);
                Fail(error);
            }
            PQclear(result);
        }
    }

private:
    PGconn* m_connection = nullptr;
};

// One field in COPY's text format: backslash, tab, newline and carriage return escaped, NULL
// as \N, bytes as bytea's hex form.
void AppendField(QByteArray& line, sqlite3_stmt* row, int column)
{
    switch (sqlite3_column_type(row, column)) {
    case SQLITE_NULL:
        line += "\\N";
        return;
    case SQLITE_BLOB: {
        const QByteArray bytes(
            static_cast<const char*>(sqlite3_column_blob(row, column)), sqlite3_column_bytes(row, column));
        line += "\\\\x" + bytes.toHex();
        return;
    }
    default: {
        const char* text = reinterpret_cast<const char*>(sqlite3_column_text(row, column));
        const int size = sqlite3_column_bytes(row, column);
        for (int i = 0; i < size; ++i) {
            switch (text[i]) {
            case '\\':
                line += "\\\\";
                break;
            case '\t':
                line += "\\t";
                break;
            case '\n':
                line += "\\n";
                break;
            case '\r':
                line += "\\r";
                break;
            default:
                line += text[i];
            }
        }
    }
    }
}

// The names of a file table's columns, in order.
QStringList FileColumns(sqlite3* file, const QString& table)
{
    QStringList columns;
    sqlite3_stmt* statement = nullptr;
    const QByteArray sql = QStringLiteral("SELECT name FROM pragma_table_info('%1') ORDER BY cid").arg(table).toUtf8();
    if (sqlite3_prepare_v2(file, sql.constData(), -1, &statement, nullptr) != SQLITE_OK)
        Fail(QString::fromUtf8(sqlite3_errmsg(file)));
    while (sqlite3_step(statement) == SQLITE_ROW)
        columns << QString::fromUtf8(reinterpret_cast<const char*>(sqlite3_column_text(statement, 0)));
    sqlite3_finalize(statement);
    return columns;
}

// Copies every row of `table`; `withRowKey`: the file's rowid goes to the server's rowid
// column. Returns the rows copied.
qint64 CopyTable(sqlite3* file, Server& server, const QString& table, bool withRowKey)
{
    QStringList columns = FileColumns(file, table);
    if (columns.isEmpty())
        Fail(QStringLiteral("the file has no table %1").arg(table));
    QStringList serverColumns = columns;
    QStringList fileColumns = columns;
    if (withRowKey) {
        serverColumns << QStringLiteral("rowid");
        fileColumns << QStringLiteral("rowid");
    }
    sqlite3_stmt* rows = nullptr;
    const QByteArray select
        = QStringLiteral("SELECT %1 FROM %2").arg(fileColumns.join(QStringLiteral(", ")), table).toUtf8();
    if (sqlite3_prepare_v2(file, select.constData(), -1, &rows, nullptr) != SQLITE_OK)
        Fail(QString::fromUtf8(sqlite3_errmsg(file)));
    server.beginCopy(QStringLiteral("COPY %1 (%2) FROM STDIN").arg(table, serverColumns.join(QStringLiteral(", "))));
    QByteArray buffer;
    buffer.reserve(1 << 21);
    qint64 count = 0;
    const int width = int(fileColumns.size());
    int step;
    while ((step = sqlite3_step(rows)) == SQLITE_ROW) {
        for (int column = 0; column < width; ++column) {
            if (column)
                buffer += '\t';
            AppendField(buffer, rows, column);
        }
        buffer += '\n';
        ++count;
        if (buffer.size() >= (1 << 20)) {
            server.send(buffer);
            buffer.clear();
        }
    }
    if (step != SQLITE_DONE)
        Fail(QString::fromUtf8(sqlite3_errmsg(file)));
    sqlite3_finalize(rows);
    if (!buffer.isEmpty())
        server.send(buffer);
    server.endCopy();
    return count;
}

// The setting files a data folder keeps.
QStringList SettingFileNames()
{
    QStringList names { QStringLiteral("HouNum.daf"), QStringLiteral("sys.nnf"), QStringLiteral("clock.nnf") };
    for (int group = 0; group < 5; ++group)
        names << QStringLiteral("pagesel%1.dat").arg(group);
    return names;
}

} // namespace

int main(int argc, char* argv[])
{
    QCoreApplication application(argc, argv);
    QCommandLineParser parser;
    parser.setApplicationDescription(QStringLiteral("Puts the house of a data folder onto an empty server database."));
    parser.addHelpOption();
    const QCommandLineOption folderOption(
        QStringLiteral("folder"), QStringLiteral("data folder holding data.db"), QStringLiteral("DIR"));
    const QCommandLineOption serverOption(
        QStringLiteral("server"), QStringLiteral("an empty database (postgresql://…)"), QStringLiteral("URL"));
    parser.addOptions({ folderOption, serverOption });
    parser.process(application);
    if (!parser.isSet(folderOption) || !parser.isSet(serverOption))
        parser.showHelp(2);
    const QDir folder(parser.value(folderOption));
    const QString filePath = folder.filePath(QStringLiteral("data.db"));
    if (!QFile::exists(filePath))
        Fail(QStringLiteral("%1 holds no data.db").arg(folder.path()));
    const Outcome<ServerAddress> address = ServerAddress::parse(parser.value(serverOption));
    if (!address)
        Fail(address.text());
    QTextStream out(stdout);
    QElapsedTimer timer;
    timer.start();

    // The file, brought to this program's version by the desk's own open (GenerateHouse writes
    // an earlier one), then read through SQLite's C API.
    {
        Database desk;
        if (!desk.open(filePath))
            Fail(desk.lastError());
    }
    sqlite3* file = nullptr;
    if (sqlite3_open_v2(QFile::encodeName(filePath).constData(), &file, SQLITE_OPEN_READONLY, nullptr) != SQLITE_OK)
        Fail(QString::fromUtf8(sqlite3_errmsg(file)));

    {
        Database house;
        if (!house.createHouse(address.value()))
            Fail(house.lastError());
    }
    out << "house made on " << address.value().url() << '\n';
    out.flush();

    Server server(address.value());
    // The tables whose server rowid the file's row key fills (the others compute theirs or
    // have none), and every identity column, whose numbering goes on after the copied rows.
    QSet<QString> numberedByKey;
    const QList<QStringList> identities = server.run(QStringLiteral(
        "SELECT table_name, column_name FROM information_schema.columns WHERE table_schema=current_schema() "
        "AND is_identity='YES'"));
    for (const QStringList& identity : identities) {
        if (identity[1] == u"rowid")
            numberedByKey.insert(identity[0]);
    }

    const QStringList tables = Schema::tableNames();
    server.run(QStringLiteral("BEGIN"));
    for (const QString& table : tables)
        server.run(QStringLiteral("ALTER TABLE %1 DISABLE TRIGGER USER").arg(table));
    for (const QString& table : tables) {
        // The fixed rows createHouse wrote come again from the file.
        if (server.run(QStringLiteral("SELECT count(*) FROM %1").arg(table)).first().first() != u"0")
            server.run(QStringLiteral("DELETE FROM %1").arg(table));
    }
    qint64 allRows = 0;
    for (const QString& table : tables) {
        QElapsedTimer tableTimer;
        tableTimer.start();
        const qint64 rows = CopyTable(file, server, table, numberedByKey.contains(table.toLower()));
        allRows += rows;
        if (rows > 0)
            out << "  " << table << ": " << rows << " rows in "
                << QString::number(tableTimer.elapsed() / 1000.0, 'f', 1) << " s\n";
        out.flush();
    }
    for (const QString& table : tables)
        server.run(QStringLiteral("ALTER TABLE %1 ENABLE TRIGGER USER").arg(table));
    for (const QStringList& identity : identities)
        server.run(QStringLiteral("SELECT setval(pg_get_serial_sequence('%1', '%2'), coalesce(max(%2), 0) + 1, false) "
                                  "FROM %1")
                       .arg(identity[0], identity[1]));
    server.run(QStringLiteral("COMMIT"));
    sqlite3_close(file);
    out << allRows << " rows copied in " << QString::number(timer.elapsed() / 1000.0, 'f', 1) << " s\n";
    out.flush();
    server.run(QStringLiteral("VACUUM ANALYZE"));
    out << "vacuumed and analysed at " << QString::number(timer.elapsed() / 1000.0, 'f', 1) << " s\n";
    out.flush();

    // The desk's own view of the loaded house.
    Database house;
    if (!house.openServer(address.value()))
        Fail(house.lastError());
    ConsoleMessages messages;
    SettingRows settings(house);
    for (const QString& name : SettingFileNames()) {
        QFile setting(folder.filePath(name));
        if (!setting.exists())
            continue;
        if (!setting.open(QIODevice::ReadOnly) || !settings.write(name, setting.readAll(), messages))
            Fail(QStringLiteral("cannot store %1").arg(name));
        out << "  setting " << name << " stored\n";
    }
    QElapsedTimer checks;
    checks.start();
    const RecordChain::Verdict chains = RecordChain::verify(house.connection());
    if (!chains.whole())
        Fail(QStringLiteral("the chains do not hold: %1").arg(chains.summary()));
    QString error;
    QSqlDatabase connection = house.connection();
    const QStringList differences = TakingsLedger::Differences(connection, &error);
    if (!error.isEmpty())
        Fail(error);
    if (!differences.isEmpty())
        Fail(QStringLiteral("the ledger differs from the rows: %1").arg(differences.join(u'\n')));
    out << "the desk's checks: " << chains.summary() << "; the ledger agrees with the rows ("
        << QString::number(checks.elapsed() / 1000.0, 'f', 1) << " s)\n";
    out << "loaded in " << QString::number(timer.elapsed() / 1000.0, 'f', 1) << " s\n";
    return 0;
}
