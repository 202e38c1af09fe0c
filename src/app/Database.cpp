#include "app/Database.h"

#include "app/Schema.h"
#include "app/SqlTransaction.h"

#include <QAtomicInt>
#include <QFileInfo>
#include <QSqlError>
#include <QSqlQuery>

namespace {

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

QString DatabaseErrorText(const QSqlError& error)
{
    QString text = error.databaseText().trimmed();
    if (text.isEmpty())
        text = error.driverText().trimmed();
    if (text.isEmpty())
        text = error.text().trimmed();
    return text;
}

Database::Database(QString connectionName)
    : m_connectionName(connectionName.isEmpty() ? uniqueConnectionName() : std::move(connectionName))
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
    if (!QSqlDatabase::contains(m_connectionName))
        return;
    {
        QSqlDatabase db = connection();
        db.close();
    }
    QSqlDatabase::removeDatabase(m_connectionName);
}

bool Database::fail(const QString& error)
{
    m_lastError = error;
    close();
    return false;
}

bool Database::openConnection(const QString& filePath)
{
    close();
    m_filePath = filePath;
    m_lastError.clear();
    QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), m_connectionName);
    db.setDatabaseName(filePath);
    db.setConnectOptions(QStringLiteral("QSQLITE_BUSY_TIMEOUT=3000"));
    if (!db.open())
        return fail(DatabaseErrorText(db.lastError()));
    return true;
}

bool Database::configure()
{
    // A committed bill must survive a power cut: write-ahead log with full sync.
    for (const char* pragma : { "PRAGMA journal_mode=WAL", "PRAGMA synchronous=FULL" }) {
        const SqlResult result = exec(QString::fromLatin1(pragma));
        if (!result.ok())
            return fail(result.error);
    }
    return true;
}

bool Database::open(const QString& filePath)
{
    if (!QFileInfo(filePath).isFile())
        return fail(QStringLiteral("数据库文件不存在: %1").arg(filePath));
    if (!openConnection(filePath))
        return false;

    // QtSql opens any file; the integrity check is what finds a file that is not a database
    // or is damaged. Nothing is written before it passed.
    const SqlResult check = exec(QStringLiteral("PRAGMA quick_check"));
    if (!check.ok())
        return fail(check.error);
    const QString verdict = check.isEmpty() ? QString() : check.first().value(0).toString();
    if (verdict != QLatin1String("ok"))
        return fail(QStringLiteral("数据库已损坏: %1").arg(verdict));

    QString error;
    const int version = schemaVersion(&error);
    if (!error.isEmpty())
        return fail(error);
    if (version > SchemaVersion)
        return fail(
            QStringLiteral("数据库版本 %1 高于本程序支持的版本 %2,请升级程序。").arg(version).arg(SchemaVersion));

    {
        // A database that another program holds locked shows up here, before any work.
        SqlTransaction probe(*this);
        if (!probe.isActive())
            return fail(probe.error());
    }
    if (!configure())
        return false;
    if (version < SchemaVersion && !Schema::migrate(*this, version, &error))
        return fail(error);
    return true;
}

bool Database::create(const QString& filePath, int version)
{
    if (QFileInfo::exists(filePath))
        return fail(QStringLiteral("数据库文件已存在: %1").arg(filePath));
    if (!openConnection(filePath))
        return false;
    QString error;
    if (!Schema::upgrade(*this, 0, version, &error) || !configure()) {
        if (m_lastError.isEmpty())
            m_lastError = error;
        const QString reason = m_lastError;
        close();
        QFile::remove(filePath); // the file is our own half-made one
        m_lastError = reason;
        return false;
    }
    return true;
}

QSqlQuery* Database::preparedStatement(const QString& sql, QString* error)
{
    if (const auto kept = m_statements.find(sql); kept != m_statements.end())
        return &kept->second;
    QSqlQuery query(connection());
    query.setForwardOnly(true);
    if (!query.prepare(sql)) {
        *error = DatabaseErrorText(query.lastError());
        return nullptr;
    }
    return &m_statements.emplace(sql, std::move(query)).first->second;
}

QSqlQuery* Database::executed(const QString& sql, const QVariantList& values, QString* error)
{
    if (!isOpen()) {
        *error = QStringLiteral("数据库未打开");
        return nullptr;
    }
    QSqlQuery* query = preparedStatement(sql, error);
    if (!query)
        return nullptr;
    // A kept statement still holds the values of its last run: too few values would silently
    // reuse them. (Its first run is checked by the driver.)
    if (const qsizetype expected = query->boundValues().size(); expected > 0 && expected != values.size()) {
        *error = QStringLiteral("Parameter count mismatch");
        return nullptr;
    }
    for (int i = 0; i < values.size(); ++i)
        query->bindValue(i, boundValue(values[i]));
    if (!query->exec()) {
        *error = DatabaseErrorText(query->lastError());
        m_statements.erase(sql); // prepared afresh next time, with nothing left bound
        return nullptr;
    }
    return query;
}

SqlResult Database::exec(const QString& sql, const QVariantList& values)
{
    SqlResult result;
    QSqlQuery* query = executed(sql, values, &result.error);
    if (!query)
        return result;
    if (query->isSelect()) {
        while (query->next())
            result.rows.append(query->record());
        if (query->lastError().isValid())
            result.error = DatabaseErrorText(query->lastError());
    } else {
        result.rowsAffected = query->numRowsAffected();
    }
    query->finish();
    return result;
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

int Database::schemaVersion(QString* error)
{
    return scalar(QStringLiteral("PRAGMA user_version"), {}, error).toInt();
}

QString Database::setSchemaVersion(int version)
{
    return exec(QStringLiteral("PRAGMA user_version=%1").arg(version)).error;
}

QString Database::eraseOverwritten(const std::function<QString()>& write)
{
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
    const SqlResult begun = exec(
        level == 0 ? QStringLiteral("BEGIN IMMEDIATE") : QStringLiteral("SAVEPOINT %1").arg(savepointName(level)));
    if (begun.ok())
        m_transactions.append(TransactionLevel {});
    return begun.error;
}

QString Database::commitTransaction()
{
    const int level = transactionDepth() - 1;
    const SqlResult committed = exec(
        level == 0 ? QStringLiteral("COMMIT") : QStringLiteral("RELEASE SAVEPOINT %1").arg(savepointName(level)));
    if (!committed.ok())
        return committed.error; // still open: the caller rolls back
    TransactionLevel finished = m_transactions.takeLast();
    if (level > 0) {
        // A released savepoint belongs to the level around it from now on: its work waits for
        // the outermost commit and is undone with any rollback around it.
        m_transactions.last().onCommit += finished.onCommit;
        m_transactions.last().onRollback += finished.onRollback;
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
        exec(QStringLiteral("ROLLBACK"));
    } else {
        exec(QStringLiteral("ROLLBACK TO SAVEPOINT %1").arg(savepointName(level)));
        exec(QStringLiteral("RELEASE SAVEPOINT %1").arg(savepointName(level)));
    }
    // A failed rollback leaves nothing to undo: SQLite has already rolled the transaction back.
    const TransactionLevel undone = m_transactions.takeLast();
    for (auto work = undone.onRollback.crbegin(); work != undone.onRollback.crend(); ++work)
        (*work)();
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
