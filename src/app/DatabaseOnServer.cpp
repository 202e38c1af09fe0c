#include "app/DatabaseOnServer.h"

#include "app/Database.h"

#include <QDateTime>
#include <QLocale>
#include <QSqlDatabase>
#include <QSqlDriver>
#include <QSqlField>
#include <QSqlRecord>

#include <libpq-fe.h>
#include <vector>

namespace {

// The server's numbers of the column types QtSql gives a type of their own (pg_type.oid).
enum TypeOid : Oid {
    BoolOid = 16,
    ByteaOid = 17,
    Int8Oid = 20,
    Int2Oid = 21,
    Int4Oid = 23,
    OidOid = 26,
    Float4Oid = 700,
    Float8Oid = 701,
    DateOid = 1082,
    TimeOid = 1083,
    TimestampOid = 1114,
    TimestampTzOid = 1184,
    NumericOid = 1700,
};

PGconn* handleOf(const QSqlDatabase& connection)
{
    const QSqlDriver* driver = connection.driver();
    if (!driver || !connection.isOpen())
        return nullptr;
    const QVariant handle = driver->handle();
    // The driver's handle is the client library's connection, however the type is spelled.
    if (!handle.isValid()
        || (qstrcmp(handle.typeName(), "PGconn*") != 0 && qstrcmp(handle.typeName(), "pg_conn*") != 0))
        return nullptr;
    return *static_cast<PGconn* const*>(handle.constData());
}

// The statement with its `?` placeholders numbered $1, $2… as the server writes them; `?`
// inside quotes stays as it is.
QByteArray numbered(const QString& sql, int* count)
{
    QString text;
    text.reserve(sql.size() + 16);
    QChar quote;
    for (const QChar c : sql) {
        if (!quote.isNull()) {
            if (c == quote)
                quote = QChar();
        } else if (c == u'\'' || c == u'"') {
            quote = c;
        } else if (c == u'?') {
            text += u'$' + QString::number(++*count);
            continue;
        }
        text += c;
    }
    return text.toUtf8();
}

// A value as the server reads it in text form.
QByteArray textOf(const QVariant& value)
{
    switch (value.typeId()) {
    case QMetaType::Bool:
        return value.toBool() ? "true" : "false";
    case QMetaType::Double:
    case QMetaType::Float:
        return QByteArray::number(value.toDouble(), 'g', QLocale::FloatingPointShortest);
    case QMetaType::QByteArray:
        return "\\x" + value.toByteArray().toHex();
    case QMetaType::QDate:
        return value.toDate().toString(Qt::ISODate).toLatin1();
    case QMetaType::QTime:
        return value.toTime().toString(u"HH:mm:ss.zzz").toLatin1();
    case QMetaType::QDateTime:
        return value.toDateTime().toString(u"yyyy-MM-ddTHH:mm:ss.zzz").toLatin1();
    default:
        return value.toString().toUtf8();
    }
}

QMetaType typeOf(Oid oid)
{
    switch (oid) {
    case BoolOid:
        return QMetaType::fromType<bool>();
    case ByteaOid:
        return QMetaType::fromType<QByteArray>();
    case Int8Oid:
        return QMetaType::fromType<qlonglong>();
    case Int2Oid:
    case Int4Oid:
    case OidOid:
        return QMetaType::fromType<int>();
    case Float4Oid:
    case Float8Oid:
    case NumericOid:
        return QMetaType::fromType<double>();
    case DateOid:
        return QMetaType::fromType<QDate>();
    case TimeOid:
        return QMetaType::fromType<QTime>();
    case TimestampOid:
    case TimestampTzOid:
        return QMetaType::fromType<QDateTime>();
    default:
        return QMetaType::fromType<QString>();
    }
}

// One field of a row in text form, as the type QtSql's driver gives its column.
QVariant valueOf(const PGresult* result, int row, int column, QMetaType type)
{
    const char* text = PQgetvalue(result, row, column);
    const QByteArray bytes = QByteArray::fromRawData(text, PQgetlength(result, row, column));
    switch (type.id()) {
    case QMetaType::Bool:
        return text[0] == 't';
    case QMetaType::LongLong:
        return bytes.toLongLong();
    case QMetaType::Int:
        return bytes.toInt();
    case QMetaType::Double:
        return bytes.toDouble();
    case QMetaType::QByteArray: {
        size_t length = 0;
        unsigned char* unescaped = PQunescapeBytea(reinterpret_cast<const unsigned char*>(text), &length);
        const QByteArray data(reinterpret_cast<const char*>(unescaped), static_cast<qsizetype>(length));
        PQfreemem(unescaped);
        return data;
    }
    case QMetaType::QDate:
        return QDate::fromString(QString::fromLatin1(bytes), Qt::ISODate);
    case QMetaType::QTime:
        return QTime::fromString(QString::fromLatin1(bytes), Qt::ISODate);
    case QMetaType::QDateTime:
        return QDateTime::fromString(QString::fromLatin1(bytes), Qt::ISODate);
    default:
        return QString::fromUtf8(bytes);
    }
}

QSqlError errorOf(PGconn* connection, const PGresult* result)
{
    const char* code = result ? PQresultErrorField(result, PG_DIAG_SQLSTATE) : nullptr;
    const QString text = QString::fromUtf8(result ? PQresultErrorMessage(result) : PQerrorMessage(connection));
    const bool broken = PQstatus(connection) == CONNECTION_BAD;
    return QSqlError(QString(), text, broken ? QSqlError::ConnectionError : QSqlError::StatementError,
        code ? QString::fromLatin1(code) : QString());
}

} // namespace

PGconn* ServerStatements::serverOf(const QSqlDatabase& connection, QSqlError* error)
{
    PGconn* server = handleOf(connection);
    if (!server) {
        *error = QSqlError(QString(), QStringLiteral("no connection to the server"), QSqlError::ConnectionError);
        return nullptr;
    }
    if (server != m_connection || PQbackendPID(server) != m_session) { // connected again since
        const bool lost = !m_deferred.empty();
        clear();
        m_connection = server;
        m_session = PQbackendPID(server);
        if (lost) { // their transaction ended with the connection they were meant for
            *error = QSqlError(
                QString(), QStringLiteral("the connection to the server was made again"), QSqlError::ConnectionError);
            return nullptr;
        }
    }
    return server;
}

const ServerStatements::Prepared* ServerStatements::prepared(PGconn* server, const QString& sql, QSqlError* error)
{
    if (const auto known = m_prepared.find(sql); known != m_prepared.end())
        return &known->second;
    Prepared statement { "tavrel_" + QByteArray::number(++m_named), 0 };
    const QByteArray text = numbered(sql, &statement.parameters);
    ++m_waits;
    PGresult* made = PQprepare(server, statement.name.constData(), text.constData(), 0, nullptr);
    const bool ok = PQresultStatus(made) == PGRES_COMMAND_OK;
    if (!ok)
        *error = errorOf(server, made);
    PQclear(made);
    if (!ok)
        return nullptr;
    return &m_prepared.emplace(sql, std::move(statement)).first->second;
}

ServerStatements::Execution ServerStatements::bound(const Prepared& statement, const QVariantList& values)
{
    Execution execution { statement.name, {}, {}, false, nullptr };
    execution.texts.reserve(values.size());
    execution.nulls.reserve(values.size());
    for (const QVariant& value : values) {
        execution.nulls.push_back(value.isNull());
        execution.texts.push_back(value.isNull() ? QByteArray() : textOf(value));
    }
    return execution;
}

namespace {

// The values of a run as the client library takes them: a null pointer for NULL.
std::vector<const char*> valuePointers(const std::vector<QByteArray>& texts, const std::vector<bool>& nulls)
{
    std::vector<const char*> pointers;
    pointers.reserve(texts.size());
    for (size_t i = 0; i < texts.size(); ++i)
        pointers.push_back(nulls[i] ? nullptr : texts[i].constData());
    return pointers;
}

// Sends one run of a prepared statement; false when it could not be sent.
bool send(PGconn* server, const QByteArray& name, const std::vector<QByteArray>& texts, const std::vector<bool>& nulls)
{
    const std::vector<const char*> pointers = valuePointers(texts, nulls);
    return PQsendQueryPrepared(
               server, name.constData(), static_cast<int>(pointers.size()), pointers.data(), nullptr, nullptr, 0)
        == 1;
}

// The rows or the count of rows changed of a statement's answer into `result`; false with
// `error` set when the server refused it.
bool readAnswer(PGconn* server, PGresult* answer, SqlResult* result, QSqlError* error, bool commit = false)
{
    // A COMMIT of a transaction the server had already failed ends it with a rollback, and
    // says so only in its answer's tag.
    if (commit && PQresultStatus(answer) == PGRES_COMMAND_OK && qstrcmp(PQcmdStatus(answer), "ROLLBACK") == 0) {
        *error = QSqlError(
            QString(), QStringLiteral("the transaction had failed and was rolled back"), QSqlError::TransactionError);
        return false;
    }
    const ExecStatusType status = PQresultStatus(answer);
    if (status == PGRES_TUPLES_OK) {
        const int columns = PQnfields(answer);
        // The shape's fields hold no value: each row's copy of them gets its own, and copying
        // an empty value costs nothing (a typed null would be copied and freed in every row).
        QSqlRecord shape;
        QList<QMetaType> types;
        for (int column = 0; column < columns; ++column) {
            types.append(typeOf(PQftype(answer, column)));
            QSqlField field(QString::fromUtf8(PQfname(answer, column)), types.last());
            field.setValue(QVariant());
            shape.append(field);
        }
        const int rows = PQntuples(answer);
        result->rows.reserve(rows);
        for (int row = 0; row < rows; ++row) {
            QSqlRecord record = shape;
            for (int column = 0; column < columns; ++column) {
                if (PQgetisnull(answer, row, column))
                    record.setNull(column);
                else
                    record.setValue(column, valueOf(answer, row, column, types[column]));
            }
            result->rows.append(std::move(record));
        }
        return true;
    }
    if (status == PGRES_COMMAND_OK) {
        result->rowsAffected = QByteArray(PQcmdTuples(const_cast<PGresult*>(answer))).toInt();
        return true;
    }
    *error = errorOf(server, answer);
    return false;
}

} // namespace

std::optional<ServerStatements::Execution> ServerStatements::execution(
    PGconn* server, const QString& sql, const QVariantList& values, QSqlError* error)
{
    const Prepared* statement = prepared(server, sql, error);
    if (!statement)
        return std::nullopt;
    if (values.size() != statement->parameters) {
        *error = QSqlError(QString(), QStringLiteral("Parameter count mismatch"), QSqlError::StatementError);
        return std::nullopt;
    }
    Execution execution = bound(*statement, values);
    execution.commit = sql == QLatin1String("COMMIT");
    return execution;
}

bool ServerStatements::run(
    const QSqlDatabase& connection, const QString& sql, const QVariantList& values, SqlResult* result, QSqlError* error)
{
    PGconn* server = serverOf(connection, error);
    if (!server)
        return false;
    const std::optional<Execution> execution = this->execution(server, sql, values, error);
    if (!execution)
        return false;
    bool ok = false;
    ++m_waits;
    if (m_deferred.empty()) {
        const std::vector<const char*> pointers = valuePointers(execution->texts, execution->nulls);
        PGresult* answer = PQexecPrepared(server, execution->name.constData(), static_cast<int>(pointers.size()),
            pointers.data(), nullptr, nullptr, 0);
        ok = readAnswer(server, answer, result, error, execution->commit);
        PQclear(answer);
    } else {
        ok = pipeline(server, &*execution, result, error);
    }
    lookForNotices(connection);
    return ok;
}

bool ServerStatements::defer(const QSqlDatabase& connection, const QString& sql, const QVariantList& values,
    QSqlError* error, std::shared_ptr<SqlResult> answer)
{
    PGconn* server = serverOf(connection, error);
    if (!server)
        return false;
    std::optional<Execution> execution = this->execution(server, sql, values, error);
    if (!execution)
        return false;
    execution->answer = std::move(answer);
    m_deferred.push_back(std::move(*execution));
    return true;
}

bool ServerStatements::flush(const QSqlDatabase& connection, QSqlError* error)
{
    if (m_deferred.empty())
        return true;
    PGconn* server = serverOf(connection, error);
    if (!server)
        return false;
    SqlResult unused;
    ++m_waits;
    const bool ok = pipeline(server, nullptr, &unused, error);
    lookForNotices(connection);
    return ok;
}

bool ServerStatements::pipeline(PGconn* server, const Execution* last, SqlResult* result, QSqlError* error)
{
    std::vector<Execution> deferred;
    deferred.swap(m_deferred); // sent now, whatever comes of them
    const size_t count = deferred.size() + (last ? 1 : 0);
    // What a query of QtSql's driver left unread is dropped first, as PQexecPrepared() drops it.
    while (PGresult* left = PQgetResult(server))
        PQclear(left);
    const auto sendAll = [&] {
        if (PQenterPipelineMode(server) != 1)
            return false;
        for (const Execution& execution : deferred) {
            if (!send(server, execution.name, execution.texts, execution.nulls))
                return false;
        }
        return (!last || send(server, last->name, last->texts, last->nulls)) && PQpipelineSync(server) == 1;
    };
    if (!sendAll()) {
        *error = errorOf(server, nullptr);
        PQexitPipelineMode(server);
        return false;
    }
    // Each statement's answer comes followed by a null; a statement after a failed one is
    // answered "aborted"; the sync ends the pipeline.
    bool failed = false;
    size_t answered = 0;
    for (;;) {
        PGresult* answer = PQgetResult(server);
        if (!answer) {
            if (++answered > count + 1 || PQstatus(server) == CONNECTION_BAD)
                break; // the connection broke: no sync will come
            continue;
        }
        const ExecStatusType status = PQresultStatus(answer);
        if (status == PGRES_PIPELINE_SYNC) {
            PQclear(answer);
            break;
        }
        if (status != PGRES_PIPELINE_ABORTED) {
            SqlResult unused;
            QSqlError later; // the first failure is the one to tell
            const bool isLast = last && answered == count - 1;
            // A deferred statement whose answer is kept gets it, with its error cleared.
            SqlResult* kept = nullptr;
            if (!isLast && answered < deferred.size())
                kept = deferred[answered].answer.get();
            SqlResult* into = isLast ? result : kept ? kept : &unused;
            if (!readAnswer(server, answer, into, failed ? &later : error, isLast && last->commit))
                failed = true;
            else if (kept)
                kept->error.clear();
        }
        PQclear(answer);
    }
    if (PQpipelineStatus(server) != PQ_PIPELINE_OFF && PQexitPipelineMode(server) != 1 && !failed) {
        *error = errorOf(server, nullptr);
        failed = true;
    }
    if (!failed && PQstatus(server) == CONNECTION_BAD) {
        *error = errorOf(server, nullptr);
        failed = true;
    }
    return !failed;
}

void ServerStatements::lookForNotices(const QSqlDatabase& connection)
{
    // A notice of another desk that came in with an answer is in the client library's hands
    // now, not on the socket the driver watches: the driver is asked to look, as it does after
    // each of its own statements.
    QSqlDriver* driver = connection.driver();
    if (driver && !*m_lookPosted && !driver->subscribedToNotifications().isEmpty()) {
        *m_lookPosted = true; // once until it has looked, however many statements run meanwhile
        QMetaObject::invokeMethod(
            driver,
            [driver, posted = m_lookPosted] {
                *posted = false;
                QMetaObject::invokeMethod(driver, "_q_handleNotification", Qt::DirectConnection);
            },
            Qt::QueuedConnection);
    }
}

bool ServerStatements::transactionOpen(const QSqlDatabase& connection)
{
    const PGconn* server = handleOf(connection);
    return !server || PQtransactionStatus(server) != PQTRANS_IDLE;
}

void ServerStatements::clear()
{
    m_prepared.clear();
    m_deferred.clear();
    m_connection = nullptr;
    m_session = 0;
}
