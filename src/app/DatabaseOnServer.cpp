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

bool ServerStatements::run(
    const QSqlDatabase& connection, const QString& sql, const QVariantList& values, SqlResult* result, QSqlError* error)
{
    PGconn* server = handleOf(connection);
    if (!server) {
        *error = QSqlError(QString(), QStringLiteral("no connection to the server"), QSqlError::ConnectionError);
        return false;
    }
    if (server != m_connection || PQbackendPID(server) != m_session) { // connected again since
        m_prepared.clear();
        m_connection = server;
        m_session = PQbackendPID(server);
    }
    auto prepared = m_prepared.find(sql);
    if (prepared == m_prepared.end()) {
        Prepared statement { "tavrel_" + QByteArray::number(++m_named), 0 };
        const QByteArray text = numbered(sql, &statement.parameters);
        PGresult* made = PQprepare(server, statement.name.constData(), text.constData(), 0, nullptr);
        const bool ok = PQresultStatus(made) == PGRES_COMMAND_OK;
        if (!ok)
            *error = errorOf(server, made);
        PQclear(made);
        if (!ok)
            return false;
        prepared = m_prepared.emplace(sql, std::move(statement)).first;
    }
    if (values.size() != prepared->second.parameters) {
        *error = QSqlError(QString(), QStringLiteral("Parameter count mismatch"), QSqlError::StatementError);
        return false;
    }

    std::vector<QByteArray> texts;
    std::vector<const char*> pointers;
    texts.reserve(values.size());
    for (const QVariant& value : values) {
        if (value.isNull()) {
            pointers.push_back(nullptr);
        } else {
            texts.push_back(textOf(value));
            pointers.push_back(texts.back().constData());
        }
    }
    PGresult* ran = PQexecPrepared(server, prepared->second.name.constData(), static_cast<int>(pointers.size()),
        pointers.data(), nullptr, nullptr, 0);
    const ExecStatusType status = PQresultStatus(ran);
    if (status == PGRES_TUPLES_OK) {
        const int columns = PQnfields(ran);
        QSqlRecord shape;
        QList<QMetaType> types;
        for (int column = 0; column < columns; ++column) {
            types.append(typeOf(PQftype(ran, column)));
            shape.append(QSqlField(QString::fromUtf8(PQfname(ran, column)), types.last()));
        }
        const int rows = PQntuples(ran);
        result->rows.reserve(rows);
        for (int row = 0; row < rows; ++row) {
            QSqlRecord record = shape;
            for (int column = 0; column < columns; ++column) {
                if (PQgetisnull(ran, row, column))
                    record.setNull(column);
                else
                    record.setValue(column, valueOf(ran, row, column, types[column]));
            }
            result->rows.append(std::move(record));
        }
    } else if (status == PGRES_COMMAND_OK) {
        result->rowsAffected = QByteArray(PQcmdTuples(ran)).toInt();
    } else {
        *error = errorOf(server, ran);
        PQclear(ran);
        return false;
    }
    PQclear(ran);
    // A notice of another desk that came in with the answer is in the client library's hands
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
    return true;
}

void ServerStatements::clear()
{
    m_prepared.clear();
    m_connection = nullptr;
    m_session = 0;
}
