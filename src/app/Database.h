#pragma once

#include <QList>
#include <QSqlDatabase>
#include <QSqlRecord>
#include <QString>
#include <QVariantList>

// Outcome of one statement: the rows it returned (for a select) or the error text the desk
// shows in a message box when it failed.
struct SqlResult
{
    QList<QSqlRecord> rows;
    QString error;
    int rowsAffected = 0;

    bool ok() const { return error.isEmpty(); }
    bool isEmpty() const { return rows.isEmpty(); }
    const QSqlRecord& first() const { return rows.first(); }
};

// The one database layer of the desk: the SQLite file data.db opened through QtSql.
// Every value reaches a statement as a bound value, so typed text never changes a statement;
// every prepare, exec and fetch is checked and a failure comes back with its error text.
class Database
{
public:
    static constexpr int SchemaVersion = 1;

    explicit Database(QString connectionName = {}); // empty: a unique name is chosen
    ~Database();
    Database(const Database&) = delete;
    Database& operator=(const Database&) = delete;

    // Opens an existing database file and checks that it is a sound, writable database of a
    // version this program knows. The file is not changed when any check fails.
    bool open(const QString& filePath);
    // Creates a new database file with every table and the fixed rows. Only the deliberate
    // first-start path calls this; an existing file is refused.
    bool create(const QString& filePath);
    void close();
    bool isOpen() const;

    QString lastError() const { return m_lastError; }
    QString filePath() const { return m_filePath; }

    // Runs one statement with `?` placeholders filled from `values`, in order.
    SqlResult exec(const QString& sql, const QVariantList& values = {});
    // Convenience for reading a single value of the first row (null when there is none).
    QVariant scalar(const QString& sql, const QVariantList& values = {}, QString* error = nullptr);

    QSqlDatabase connection() const;

private:
    bool openConnection(const QString& filePath);
    bool configure();
    bool fail(const QString& error);

    QString m_connectionName;
    QString m_filePath;
    QString m_lastError;
};

// The text the desk shows for a failed database call.
QString DatabaseErrorText(const class QSqlError& error);
