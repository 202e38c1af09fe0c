#pragma once

#include <QByteArray>
#include <QSqlError>
#include <QString>
#include <QVariantList>

#include <memory>
#include <unordered_map>

class QSqlDatabase;
struct SqlResult;

// The statements of a desk whose house is on a server, run through the server's own client
// library on the connection QtSql opened: each statement is prepared once by name and then
// executed with its values sent apart from it, as the server's protocol intends. (QtSql's
// driver sends every run as the text "EXECUTE name ('value', …)", which the server parses
// anew each time; a settlement runs some thirty statements.) The rows come back as QtSql
// would give them: the same value types, NULL as a null value of the column's type.
class ServerStatements
{
public:
    // Runs `sql`, its `?` placeholders filled from `values` in order (a null value is NULL),
    // and puts its rows or the count of rows it changed into `result`. False with `error` set
    // when the server refused or the connection is gone.
    bool run(const QSqlDatabase& connection, const QString& sql, const QVariantList& values, SqlResult* result,
        QSqlError* error);
    // Forgets every statement prepared (the connection they were prepared on is gone).
    void clear();

private:
    struct Prepared
    {
        QByteArray name;
        int parameters = 0;
    };

    // The server connection the statements were prepared on, and its session on the server.
    const void* m_connection = nullptr;
    int m_session = 0;
    std::unordered_map<QString, Prepared> m_prepared; // by statement text
    int m_named = 0;
    // Whether the driver has been asked to look for notices and has not looked yet.
    std::shared_ptr<bool> m_lookPosted = std::make_shared<bool>(false);
};
