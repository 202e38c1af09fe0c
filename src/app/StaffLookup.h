#pragma once

#include <QList>
#include <QString>
#include <QStringList>

class Database;

// The name of one staff number, looked up in worksinfo.
struct StaffName
{
    bool found = false;
    QString name;
    QString error; // database error text, empty when none
};

StaffName LookUpStaffName(Database& database, const QString& number);

// Rows for a list view together with the database errors met while building them; each error
// is shown to the desk and the rows that could be built are still shown.
struct LookedUpRows
{
    QList<QStringList> rows; // top first
    QStringList errors;
};

// (number, name) for every number of `numbers`, in the same order. A number without a staff
// record, or whose lookup failed, is left out.
LookedUpRows TechnicianRows(Database& database, const QStringList& numbers);
