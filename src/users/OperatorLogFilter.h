#pragma once

#include <QDate>
#include <QString>
#include <QStringList>
#include <QVariantList>

// Which rows of the operator log are listed: the days from `firstDay` to `lastDay` (both
// whole), and, when given, one user's account and one kind of action.
struct OperatorLogFilter
{
    QDate firstDay;
    QDate lastDay;
    QString login; // empty: every user
    QString kind; // empty: every kind

    // The condition on operator_log with a ? for each of values().
    QString sql() const;
    QVariantList values() const;
};

// The columns of operator_log as the log lists and exports them, and their captions.
QStringList OperatorLogColumns();
QStringList OperatorLogCaptions();
// The text the log shows for a stored cell: role numbers by their names, no receipt as
// nothing, a row written before anyone logged in as "未登录".
QString OperatorLogCellText(int column, const QString& stored);
