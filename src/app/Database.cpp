#include "app/Database.h"

#include "app/DatabaseOnServer.h"
#include "app/Schema.h"
#include "app/SqlTransaction.h"

#include <QAtomicInt>
#include <QFileInfo>
#include <QSqlError>
#include <QSqlQuery>

namespace {

// How long a write waits for another desk's (milliseconds), on either engine.
constexpr int WriteWait = 3000;

// On a server, the lock of the house that every write transaction takes first, held until it
// ends: the writes of the desks follow one another as they do in SQLite's file, so that what
// a transaction reads after taking it (the next receipt number, the last link of a chain, a
// stock count) is every other desk's last commit and stays so until this one commits.
// Readers are not held up. The server drops the lock with the session of a desk that dies.
constexpr qint64 HouseWriteLock = 0x74617672656c; // "tavrel"
// The server's code of a lock not had within lock_timeout.
constexpr char LockNotAvailable[] = "55P03";
// Savepoints left standing on a server before one is released after all (see commitTransaction()).
constexpr int MostStandingSavepoints = 32;

// What an action that failed because the server's connection broke says.
const QString ConnectionLostText
    = QStringLiteral("与服务器的连接已断开,这次操作没有保存。程序正在自动重新连接,连上以后请再试一次。");

// Whether a failure on a server means that the connection is gone: libpq's own failures carry
// no code of the server, and the codes of a session the server lost or ended begin with 08
// (connection exception) or 57P (the server shut down or restarted).
bool connectionLost(const SqlDialect& dialect, const QSqlError& error)
{
    if (dialect.isSqlite() || !error.isValid())
        return false;
    const QString code = error.nativeErrorCode();
    return error.type() == QSqlError::ConnectionError || code.isEmpty() || code.startsWith(u"08")
        || code.startsWith(u"57P");
}

QString uniqueConnectionName()
{
    static QAtomicInt counter;
    return QStringLiteral("tavrel-%1").arg(counter.fetchAndAddRelaxed(1));
}

// An empty text is stored as '' rather than NULL: the desk writes empty texts on purpose.
QVariant boundValue(const QVariant& value)
{
    if (value.typeId() == QMetaType::QString && value.toString().isNull())
        return QVariant(QStringLiteral(""));
    return value;
}

} // namespace

// Runs a statement of transaction control (BEGIN, SAVEPOINT, COMMIT…): the server prepares
// only statements that read or write rows; SQLite keeps these prepared too.
static SqlResult control(Database& database, const QString& sql)
{
    return database.dialect().isSqlite() ? database.exec(sql) : database.execAsWritten(sql);
}

QString DatabaseErrorText(const QSqlError& error)
{
    QString text = error.databaseText().trimmed();
    if (text.isEmpty())
        text = error.driverText().trimmed();
    if (text.isEmpty())
        text = error.text().trimmed();
    // A server's report is "ERROR:  what happened" with lines of context for its log (the
    // function that raised it, its code) below: the desk shows what happened, as it shows the
    // text of a file's refusal.
    for (const QLatin1String severity : { QLatin1String("ERROR:"), QLatin1String("FATAL:") }) {
        if (text.startsWith(severity))
            return text.section(QLatin1Char('\n'), 0, 0).mid(severity.size()).trimmed();
    }
    return text;
}

Database::Database(QString connectionName)
    : m_connectionName(connectionName.isEmpty() ? uniqueConnectionName() : std::move(connectionName))
    , m_serverStatements(std::make_unique<ServerStatements>())
{ }

Database::~Database()
{
    close();
}

QSqlDatabase Database::connection() const
{
    return QSqlDatabase::database(m_connectionName, false);
}

bool Database::isOpen() const
{
    return QSqlDatabase::contains(m_connectionName) && connection().isOpen();
}

void Database::close()
{
    m_transactions.clear();
    m_statements.clear(); // the prepared statements must go before their connection
    m_serverStatements->clear();
    if (!QSqlDatabase::contains(m_connectionName))
        return;
    {
        QSqlDatabase db = connection();
        db.close();
    }
    QSqlDatabase::removeDatabase(m_connectionName);
}

QString Database::closeIntoOneFile()
{
    const SqlResult folded = exec(QStringLiteral("PRAGMA journal_mode=DELETE"));
    close();
    if (!folded.ok())
        return folded.error;
    if (folded.isEmpty() || folded.first().value(0).toString() != u"delete")
        return QStringLiteral("journal_mode");
    return {};
}

bool Database::fail(DatabaseProblem problem, const QString& detail)
{
    m_problem = problem;
    m_problemDetail = detail;
    m_lastError = m_server ? ServerProblemText(problem, m_server->url(), detail)
                           : DatabaseProblemText(problem, m_filePath, detail, m_logFoundAtOpen);
    close();
    return false;
}

bool Database::fail(const SqlResult& failed)
{
    return fail(ProblemOfFailure(failed.code, failed.error), failed.error);
}

bool Database::openConnection(const QString& filePath)
{
    close();
    m_filePath = filePath;
    m_server.reset();
    m_lastError.clear();
    m_problem = DatabaseProblem::None;
    m_problemDetail.clear();
    m_lastFailureCode = 0;
    m_dialect = SqlDialect(SqlEngine::Sqlite);
    QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), m_connectionName);
    db.setDatabaseName(filePath);
    db.setConnectOptions(QStringLiteral("QSQLITE_BUSY_TIMEOUT=%1").arg(WriteWait));
    if (!db.open()) {
        SqlResult failed;
        failed.error = DatabaseErrorText(db.lastError());
        failed.code = db.lastError().nativeErrorCode().toInt();
        return fail(failed);
    }
    if (!addMoneyFunctions(db))
        return fail(DatabaseProblem::Other, QStringLiteral("无法为数据库连接注册金额函数"));
    return true;
}

bool Database::configure()
{
    // A committed bill must survive a power cut: write-ahead log with full sync.
    for (const char* pragma : { "PRAGMA journal_mode=WAL", "PRAGMA synchronous=FULL" }) {
        const SqlResult result = exec(QString::fromLatin1(pragma));
        if (!result.ok())
            return fail(result);
    }
    return true;
}

SqlResult Database::probeWrite()
{
    SqlResult result = control(*this, m_dialect.beginWrite());
    if (!result.ok())
        return result;
    // On a server the desk's role may make no tables: it writes a row of the desk's own.
    result = execAsWritten(m_dialect.isSqlite() ? QStringLiteral("CREATE TABLE tavrel_write_check (x)")
                                                : QStringLiteral("UPDATE desk_day SET id=id WHERE id=1"));
    control(*this, m_dialect.rollback());
    return result;
}

bool Database::open(const QString& filePath)
{
    m_logFoundAtOpen = false;
    if (!QFileInfo(filePath).isFile()) {
        m_filePath = filePath;
        return fail(DatabaseProblem::Missing, {});
    }
    m_logFoundAtOpen = QFileInfo(filePath + u"-wal").size() > 0;
    if (!openConnection(filePath))
        return false;

    // Only what costs the same at any size is checked before the desk opens; reading the
    // version reads the header, so a file that is not a database ends here. Nothing is
    // written before every check passed.
    const SqlResult versionRead = exec(QStringLiteral("PRAGMA user_version"));
    if (!versionRead.ok())
        return fail(versionRead);
    const int version = versionRead.isEmpty() ? 0 : versionRead.first().value(0).toInt();
    if (version > SchemaVersion)
        return fail(DatabaseProblem::TooNew,
            QStringLiteral("数据库版本 %1 高于本程序支持的版本 %2,请升级程序。").arg(version).arg(SchemaVersion));
    QString mismatch;
    if (const SqlResult shape = Schema::compareShape(*this, version, &mismatch); !shape.ok())
        return fail(shape);
    if (!mismatch.isEmpty())
        return fail(DatabaseProblem::Foreign, mismatch);
    if (const SqlResult probe = probeWrite(); !probe.ok())
        return fail(probe);

    // The migration runs before the switch to the write-ahead log, so that a failed one
    // leaves the file as it was in every respect.
    QString error;
    if (version < SchemaVersion && !Schema::migrate(*this, version, &error))
        return fail(ProblemOfFailure(m_lastFailureCode, error), error);
    return configure();
}

// --- a house on a server ------------------------------------------------------------------------

namespace {

// The lock that keeps two desks from making one house at once.
constexpr qint64 HouseCreationLock = 0x7461767265; // "tavre"

// Whether the server refused a login for its password. libpq and the server word it in the
// desk's or the server's language; both name the password ("password", "密码", "口令") or
// libpq's authentication step.
bool refusedForPassword(const QString& text)
{
    return text.contains(QLatin1String("password"), Qt::CaseInsensitive) || text.contains(QLatin1String("fe_sendauth"))
        || text.contains(QStringLiteral("密码")) || text.contains(QStringLiteral("口令"));
}

} // namespace

bool Database::connectServer(const ServerAddress& server, const QString& password)
{
    // Connected again to the same server (after its connection broke), the desk logs in with
    // the password it was given before.
    QString login = password;
    if (login.isEmpty() && m_server && m_server->url() == server.url())
        login = m_password;
    close();
    m_filePath.clear();
    m_server = server;
    m_password = login;
    m_lastError.clear();
    m_problem = DatabaseProblem::None;
    m_problemDetail.clear();
    m_lastFailureCode = 0;
    m_logFoundAtOpen = false;
    m_dialect = SqlDialect(SqlEngine::Postgres);
    QString refusal;
    {
        QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QPSQL"), m_connectionName);
        server.configure(db);
        if (!login.isEmpty())
            db.setPassword(login);
        if (!db.open())
            refusal = DatabaseErrorText(db.lastError());
    }
    if (!refusal.isEmpty())
        return fail(
            refusedForPassword(refusal) ? DatabaseProblem::PasswordNeeded : DatabaseProblem::Unreachable, refusal);
    // The desk's texts go to the server as UTF-8, whatever the server's own encoding. A desk
    // waits for the house's write lock (and any row another desk holds) as long as SQLite
    // waits for a busy file, then gives the action up.
    for (const QString& setting : { QStringLiteral("SET client_encoding TO 'UTF8'"),
             QStringLiteral("SET lock_timeout TO '%1ms'").arg(WriteWait) }) {
        if (const SqlResult set = execAsWritten(setting); !set.ok())
            return fail(DatabaseProblem::Other, set.error);
    }
    return true;
}

Outcome<bool> Database::serverIsEmpty()
{
    QString error;
    const QVariant tables = scalar(QStringLiteral("SELECT count(*) FROM pg_class WHERE "
                                                  "relnamespace=current_schema()::regnamespace AND relkind IN ('r', "
                                                  "'p', 'v', 'm', 'f', 'S')"),
        {}, &error);
    if (!error.isEmpty())
        return Failure { error };
    return tables.toLongLong() == 0;
}

bool Database::openServer(const ServerAddress& server, const QString& password)
{
    if (!connectServer(server, password))
        return false;
    QString error;
    const int version = schemaVersion(&error);
    if (!error.isEmpty())
        return fail(DatabaseProblem::Other, error);
    if (version == 0) {
        const Outcome<bool> empty = serverIsEmpty();
        if (!empty)
            return fail(DatabaseProblem::Other, empty.text());
        if (empty.value())
            return fail(DatabaseProblem::NoHouse, {});
    }
    if (version > SchemaVersion)
        return fail(DatabaseProblem::TooNew,
            QStringLiteral("数据库版本 %1 高于本程序支持的版本 %2,请升级程序。").arg(version).arg(SchemaVersion));
    QString mismatch;
    if (const SqlResult shape = Schema::compareShape(*this, version, &mismatch); !shape.ok())
        return fail(DatabaseProblem::Other, shape.error);
    if (!mismatch.isEmpty())
        return fail(DatabaseProblem::Foreign, mismatch);
    if (const SqlResult probe = probeWrite(); !probe.ok())
        return fail(DatabaseProblem::ReadOnly, probe.error);
    if (version < SchemaVersion && !Schema::migrate(*this, version, &error))
        return fail(DatabaseProblem::Other, error);
    return true;
}

bool Database::createHouse(const ServerAddress& server, const QString& password)
{
    if (!connectServer(server, password))
        return false;
    QString error;
    {
        SqlTransaction making(*this);
        if (!making.isActive())
            return fail(DatabaseProblem::Other, making.error());
        // A second desk making the same house at the same moment waits here, then finds it made.
        if (const SqlResult locked = exec(QStringLiteral("SELECT pg_advisory_xact_lock(?)"), { HouseCreationLock });
            !locked.ok())
            return fail(DatabaseProblem::Other, locked.error);
        const Outcome<bool> empty = serverIsEmpty();
        if (!empty)
            return fail(DatabaseProblem::Other, empty.text());
        if (!empty.value())
            return fail(DatabaseProblem::NotEmpty, {});
        if (!Schema::upgrade(*this, 0, SchemaVersion, &error) || !making.commit()) {
            if (error.isEmpty())
                error = making.error();
            return fail(DatabaseProblem::Other, error);
        }
    }
    return true;
}

bool Database::create(const QString& filePath, int version)
{
    if (QFileInfo::exists(filePath)) {
        m_filePath = filePath;
        return fail(DatabaseProblem::Other, QStringLiteral("数据库文件已存在: %1").arg(filePath));
    }
    if (!openConnection(filePath))
        return false;
    QString error;
    if (!Schema::upgrade(*this, 0, version, &error) || !configure()) {
        if (m_problem == DatabaseProblem::None)
            fail(ProblemOfFailure(m_lastFailureCode, error), error);
        close();
        QFile::remove(filePath); // the file is our own half-made one
        return false;
    }
    return true;
}

bool Database::openReader(const QString& filePath)
{
    close();
    m_filePath = filePath;
    m_server.reset();
    m_lastError.clear();
    m_problem = DatabaseProblem::None;
    m_dialect = SqlDialect(SqlEngine::Sqlite);
    QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), m_connectionName);
    db.setDatabaseName(filePath);
    db.setConnectOptions(QStringLiteral("QSQLITE_OPEN_READONLY;QSQLITE_BUSY_TIMEOUT=3000"));
    if (db.open() && addMoneyFunctions(db))
        return true;
    SqlResult failed;
    failed.error = DatabaseErrorText(db.lastError());
    failed.code = db.lastError().nativeErrorCode().toInt();
    return fail(failed);
}

bool Database::openLike(const Place& place)
{
    if (!place.server && place.filePath.isEmpty()) { // a database that is not open: nowhere to go
        close();
        m_server.reset();
        m_filePath.clear();
        return fail(DatabaseProblem::Missing, {});
    }
    if (!place.server)
        return openReader(place.filePath);
    if (!connectServer(*place.server, place.password))
        return false;
    const SqlResult readOnly = execAsWritten(QStringLiteral("SET SESSION CHARACTERISTICS AS TRANSACTION READ ONLY"));
    return readOnly.ok() || fail(DatabaseProblem::Other, readOnly.error);
}

std::optional<int> Database::versionOf(const QString& filePath)
{
    Database reader;
    if (!QFileInfo(filePath).isFile() || !reader.openReader(filePath))
        return std::nullopt;
    const SqlResult version = reader.exec(QStringLiteral("PRAGMA user_version"));
    if (!version.ok() || version.isEmpty())
        return std::nullopt;
    return version.first().value(0).toInt();
}

// A connection to the server that broke is closed, with every statement prepared on it: what
// the desk runs next fails at once, saying so, until the desk has connected again (openServer()).
// A transaction open on it is gone on the server; its levels here are rolled back as usual.
static QString notConnected(const Database& database)
{
    return database.server() ? ConnectionLostText : QStringLiteral("数据库未打开");
}

static bool dropLostConnection(const SqlDialect& dialect, const QSqlError& error,
    std::unordered_map<QString, QSqlQuery>& statements, QSqlDatabase connection)
{
    if (!connectionLost(dialect, error))
        return false;
    {
        // A statement of this program the server refused as a message is no lost connection:
        // the server still answers.
        QSqlQuery ping(connection);
        if (connection.isOpen()
            && (ping.exec(QStringLiteral("SELECT 1")) || !connectionLost(dialect, ping.lastError())))
            return false;
    }
    statements.clear();
    connection.close();
    return true;
}

QSqlQuery* Database::preparedStatement(const QString& sql, SqlResult* failure)
{
    if (const auto kept = m_statements.find(sql); kept != m_statements.end())
        return &kept->second;
    QSqlQuery query(connection());
    query.setForwardOnly(true);
    if (!query.prepare(sql)) {
        const QSqlError error = query.lastError();
        query = QSqlQuery(); // before its connection may close
        failure->error = dropLostConnection(m_dialect, error, m_statements, connection()) ? ConnectionLostText
                                                                                          : DatabaseErrorText(error);
        failure->code = error.nativeErrorCode().toInt();
        return nullptr;
    }
    return &m_statements.emplace(sql, std::move(query)).first->second;
}

QSqlQuery* Database::executed(const QString& sql, const QVariantList& values, SqlResult* failure)
{
    if (!isOpen()) {
        failure->error = notConnected(*this);
        return nullptr;
    }
    if (const QString unsent = sendDeferred(); !unsent.isEmpty()) {
        failure->error = unsent;
        return nullptr;
    }
    QSqlQuery* query = preparedStatement(sql, failure);
    if (!query) {
        m_lastFailureCode = failure->code;
        return nullptr;
    }
    // A kept statement still holds the values of its last run: too few values would silently
    // reuse them. (Its first run is checked by the driver.)
    if (const qsizetype expected = query->boundValues().size(); expected > 0 && expected != values.size()) {
        failure->error = QStringLiteral("Parameter count mismatch");
        return nullptr;
    }
    for (int i = 0; i < values.size(); ++i)
        query->bindValue(i, boundValue(values[i]));
    if (!query->exec()) {
        const QSqlError error = query->lastError();
        failure->code = error.nativeErrorCode().toInt();
        m_lastFailureCode = failure->code;
        m_statements.erase(sql); // prepared afresh next time, with nothing left bound
        if (dropLostConnection(m_dialect, error, m_statements, connection()))
            failure->error = ConnectionLostText;
        else if (error.nativeErrorCode() == QLatin1String(LockNotAvailable))
            failure->error = SqlTransaction::BusyText; // a row another desk kept locked too long
        else
            failure->error = DatabaseErrorText(error);
        return nullptr;
    }
    return query;
}

SqlResult Database::exec(const QString& sql, const QVariantList& values)
{
    if (!m_dialect.isSqlite())
        return execOnServer(sql, values);
    SqlResult result;
    QSqlQuery* query = executed(sql, values, &result);
    if (!query)
        return result;
    if (query->isSelect()) {
        while (query->next())
            result.rows.append(query->record());
        if (query->lastError().isValid()) {
            result.error = DatabaseErrorText(query->lastError());
            result.code = query->lastError().nativeErrorCode().toInt();
            m_lastFailureCode = result.code;
        }
    } else {
        result.rowsAffected = query->numRowsAffected();
    }
    query->finish();
    return result;
}

SqlResult Database::execOnServer(const QString& sql, const QVariantList& values)
{
    SqlResult result;
    if (!isOpen()) {
        result.error = notConnected(*this);
        return result;
    }
    QSqlError error;
    if (!m_serverStatements->run(connection(), sql, boundValues(values), &result, &error))
        failOnServer(error, &result);
    return result;
}

QString Database::execLater(const QString& sql, const QVariantList& values)
{
    // Outside a transaction nothing would come to send it.
    if (m_dialect.isSqlite() || m_transactions.isEmpty())
        return exec(sql, values).error;
    if (!isOpen())
        return notConnected(*this);
    QSqlError error;
    if (m_serverStatements->defer(connection(), sql, boundValues(values), &error))
        return {};
    SqlResult failure;
    failOnServer(error, &failure);
    return failure.error;
}

const QString Database::UnansweredText = QStringLiteral("数据库没有答复这一查询");

std::shared_ptr<const SqlResult> Database::readLater(const QString& sql, const QVariantList& values)
{
    if (m_dialect.isSqlite() || m_transactions.isEmpty())
        return std::make_shared<const SqlResult>(exec(sql, values));
    auto answer = std::make_shared<SqlResult>();
    answer->error = UnansweredText;
    if (!isOpen()) {
        answer->error = notConnected(*this);
        return answer;
    }
    QSqlError error;
    if (!m_serverStatements->defer(connection(), sql, boundValues(values), &error, answer))
        failOnServer(error, answer.get());
    return answer;
}

QString Database::sendDeferred()
{
    if (m_dialect.isSqlite() || !m_serverStatements->hasDeferred())
        return {};
    QSqlError error;
    if (m_serverStatements->flush(connection(), &error))
        return {};
    SqlResult failure;
    failOnServer(error, &failure);
    return failure.error;
}

int Database::serverWaits() const
{
    return m_serverStatements->waits();
}

QVariantList Database::boundValues(const QVariantList& values)
{
    QVariantList bound;
    bound.reserve(values.size());
    for (const QVariant& value : values)
        bound.append(boundValue(value));
    return bound;
}

void Database::failOnServer(const QSqlError& error, SqlResult* result)
{
    result->code = error.nativeErrorCode().toInt();
    m_lastFailureCode = result->code;
    if (dropLostConnection(m_dialect, error, m_statements, connection())) {
        m_serverStatements->clear();
        result->error = ConnectionLostText;
    } else if (error.nativeErrorCode() == QLatin1String(LockNotAvailable)) {
        result->error = SqlTransaction::BusyText; // a row another desk kept locked too long
    } else {
        result->error = DatabaseErrorText(error);
    }
}

Outcome<qint64> Database::insert(const QString& sql, const QVariantList& values)
{
    const SqlResult inserted = exec(sql + m_dialect.returningRowKey(), values);
    if (!inserted.ok())
        return Failure { inserted.error };
    if (inserted.isEmpty())
        return Failure { QStringLiteral("未写入新行") };
    return inserted.first().value(0).toLongLong();
}

QVariant Database::scalar(const QString& sql, const QVariantList& values, QString* error)
{
    const SqlResult result = exec(sql, values);
    if (error)
        *error = result.error;
    if (!result.ok() || result.isEmpty())
        return {};
    return result.first().value(0);
}

SqlResult Database::execAsWritten(const QString& sql)
{
    SqlResult result;
    if (!isOpen()) {
        result.error = notConnected(*this);
        return result;
    }
    if (result.error = sendDeferred(); !result.error.isEmpty())
        return result;
    QSqlQuery query(connection());
    query.setForwardOnly(true);
    if (!query.exec(sql)) {
        const QSqlError error = query.lastError();
        query = QSqlQuery(); // before its connection may close
        if (dropLostConnection(m_dialect, error, m_statements, connection()))
            result.error = ConnectionLostText;
        else if (error.nativeErrorCode() == QLatin1String(LockNotAvailable))
            result.error = SqlTransaction::BusyText; // the house's write lock, kept too long by another desk
        else
            result.error = DatabaseErrorText(error);
        result.code = error.nativeErrorCode().toInt();
        m_lastFailureCode = result.code;
        return result;
    }
    if (query.isSelect()) {
        while (query.next())
            result.rows.append(query.record());
    } else {
        result.rowsAffected = query.numRowsAffected();
    }
    return result;
}

int Database::schemaVersion(QString* error)
{
    if (m_dialect.isSqlite())
        return scalar(QStringLiteral("PRAGMA user_version"), {}, error).toInt();
    // A server keeps the version in a table of its own, which a house of version 0 lacks.
    const QVariant kept = scalar(
        QStringLiteral("SELECT to_regclass(?) IS NOT NULL"), { QLatin1String(Schema::ServerVersionTable) }, error);
    if (!kept.toBool())
        return 0;
    return scalar(
        QStringLiteral("SELECT max(version) FROM %1").arg(QLatin1String(Schema::ServerVersionTable)), {}, error)
        .toInt();
}

QString Database::setSchemaVersion(int version)
{
    if (m_dialect.isSqlite())
        return exec(QStringLiteral("PRAGMA user_version=%1").arg(version)).error;
    const QString table = QLatin1String(Schema::ServerVersionTable);
    for (const QString& statement : { QStringLiteral("CREATE TABLE IF NOT EXISTS %1 (version INTEGER NOT NULL)"),
             QStringLiteral("DELETE FROM %1") }) {
        if (const SqlResult done = execAsWritten(statement.arg(table)); !done.ok())
            return done.error;
    }
    return exec(QStringLiteral("INSERT INTO %1 (version) VALUES (?)").arg(table), { version }).error;
}

QString Database::eraseOverwritten(const std::function<QString()>& write)
{
    // A server keeps the old versions of rows until its vacuum reclaims them; clearing its
    // pages is the server's own setting and business.
    if (!m_dialect.isSqlite())
        return write();
    QString error;
    const int secureDelete = scalar(QStringLiteral("PRAGMA secure_delete"), {}, &error).toInt();
    if (!error.isEmpty())
        return error;
    const SqlResult secured = exec(QStringLiteral("PRAGMA secure_delete=1"));
    if (!secured.ok())
        return secured.error;
    error = write();
    exec(QStringLiteral("PRAGMA secure_delete=%1").arg(secureDelete));
    if (!error.isEmpty())
        return error;
    // A checkpoint that cannot run now (another reader) only delays the clean-up.
    exec(QStringLiteral("PRAGMA wal_checkpoint(TRUNCATE)"));
    return {};
}

// --- transactions -------------------------------------------------------------------------------

namespace {

QString savepointName(int level)
{
    return QStringLiteral("tavrel_%1").arg(level);
}

} // namespace

QString Database::beginTransaction()
{
    // The outermost level takes the write lock at once, so that a write that reads first
    // cannot meet a lock half-way; the inner levels are savepoints inside it.
    const int level = transactionDepth();
    TransactionLevel begun;
    if (level == 0) {
        const QString error = m_dialect.isSqlite() ? exec(m_dialect.beginWrite()).error : beginOnServer();
        if (!error.isEmpty())
            return error;
        m_standingSavepoints = 0;
    } else {
        // On a server it goes with the level's first statement that is waited for.
        if (const QString error = execLater(m_dialect.savepoint(savepointName(level))); !error.isEmpty())
            return error;
        begun.standingBefore = m_standingSavepoints++;
    }
    m_transactions.append(std::move(begun));
    return {};
}

// BEGIN and the house's write lock go with the transaction's first statement that is waited
// for, in its round trip, and before it: what the transaction reads is read under the lock.
// A lock not had in time fails that statement with BusyText, as a write would; the caller
// rolls back.
QString Database::beginOnServer()
{
    if (!isOpen())
        return notConnected(*this);
    QSqlError error;
    if (m_serverStatements->defer(connection(), m_dialect.beginWrite(), {}, &error)
        && m_serverStatements->defer(
            connection(), QStringLiteral("SELECT pg_advisory_xact_lock(?)"), { HouseWriteLock }, &error))
        return {};
    m_serverStatements->dropDeferred();
    SqlResult failure;
    failOnServer(error, &failure);
    return failure.error;
}

QString Database::commitTransaction()
{
    const int level = transactionDepth() - 1;
    if (level == 0) {
        if (const QString error = sendNotices(m_transactions.first().notices); !error.isEmpty())
            return error; // still open: the caller rolls back
    }
    // A savepoint left standing is ended by the outermost commit with the rest; past a few
    // dozen it is released after all, so that a long loop of them cannot pile up on the server.
    const bool leaveStanding
        = level > 0 && m_dialect.keepsSavepointsStanding() && m_standingSavepoints <= MostStandingSavepoints;
    if (!leaveStanding) {
        // On a server the commit goes with the statements deferred before it, in one round trip.
        const SqlResult committed
            = level == 0 ? exec(m_dialect.commit()) : control(*this, m_dialect.releaseSavepoint(savepointName(level)));
        if (!committed.ok())
            return committed.error; // still open: the caller rolls back
    }
    TransactionLevel finished = m_transactions.takeLast();
    if (level > 0) {
        if (!leaveStanding)
            m_standingSavepoints = finished.standingBefore; // released with every one after it
        // A released savepoint belongs to the level around it from now on: its work waits for
        // the outermost commit and is undone with any rollback around it.
        TransactionLevel& outer = m_transactions.last();
        outer.onCommit += finished.onCommit;
        outer.onRollback += finished.onRollback;
        for (const auto& notice : std::as_const(finished.notices)) {
            if (!outer.notices.contains(notice))
                outer.notices.append(notice);
        }
        return {};
    }
    for (const std::function<void()>& work : std::as_const(finished.onCommit))
        work();
    return {};
}

void Database::rollbackTransaction()
{
    const int level = transactionDepth() - 1;
    if (level < 0)
        return;
    if (level == 0) {
        m_serverStatements->dropDeferred(); // undone anyway
        // On a server, a transaction none of whose statements was sent has not begun there.
        if (m_dialect.isSqlite() || ServerStatements::transactionOpen(connection()))
            control(*this, m_dialect.rollback());
    } else {
        sendDeferred(); // a failure among them is what the savepoint rolls back, or fails the outer levels
        control(*this, m_dialect.rollbackToSavepoint(savepointName(level)));
        if (m_dialect.keepsSavepointsStanding()) {
            m_standingSavepoints = m_transactions.last().standingBefore + 1; // it stands, those after it are gone
        } else {
            control(*this, m_dialect.releaseSavepoint(savepointName(level)));
        }
    }
    // A failed rollback leaves nothing to undo: SQLite has already rolled the transaction back.
    const TransactionLevel undone = m_transactions.takeLast();
    for (auto work = undone.onRollback.crbegin(); work != undone.onRollback.crend(); ++work)
        (*work)();
}

QString Database::noticeAtCommit(const QString& channel, const QString& payload)
{
    if (m_dialect.isSqlite())
        return {};
    if (m_transactions.isEmpty())
        return sendNotices({ { channel, payload } });
    QList<std::pair<QString, QString>>& notices = m_transactions.last().notices;
    if (!notices.contains(std::pair(channel, payload)))
        notices.append({ channel, payload });
    return {};
}

QString Database::sendNotices(const QList<std::pair<QString, QString>>& notices)
{
    if (notices.isEmpty())
        return {};
    QVariantList values;
    for (const auto& [channel, payload] : notices)
        values << channel << payload;
    return execLater(m_dialect.notices(static_cast<int>(notices.size())), values);
}

void Database::onCommit(std::function<void()> work)
{
    if (m_transactions.isEmpty())
        work();
    else
        m_transactions.last().onCommit.append(std::move(work));
}

void Database::onRollback(std::function<void()> work)
{
    if (!m_transactions.isEmpty())
        m_transactions.last().onRollback.append(std::move(work));
}
