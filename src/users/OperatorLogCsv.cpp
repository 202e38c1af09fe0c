#include "users/OperatorLogCsv.h"

#include "app/Database.h"
#include "users/OperatorLogFilter.h"

#include <QRegularExpression>
#include <QSaveFile>
#include <QSqlQuery>

namespace {

bool startsFormula(const QString& text)
{
    if (text.isEmpty())
        return false;
    const QChar first = text.front();
    if (first == u'=' || first == u'+' || first == u'@')
        return true;
    // "-20.00" is an amount; "-1+2" is not.
    static const QRegularExpression number(QStringLiteral("^-[0-9]+(\\.[0-9]+)?$"));
    return first == u'-' && !number.match(text).hasMatch();
}

QByteArray csvLine(const QStringList& fields)
{
    QStringList quoted;
    for (const QString& field : fields)
        quoted << CsvField(field);
    return (quoted.join(u',') + QStringLiteral("\r\n")).toUtf8();
}

} // namespace

QString CsvField(const QString& text)
{
    QString field = startsFormula(text) ? u'\'' + text : text;
    if (field.contains(u',') || field.contains(u'"') || field.contains(u'\n') || field.contains(u'\r'))
        field = u'"' + field.replace(u'"', QStringLiteral("\"\"")) + u'"';
    return field;
}

QString WriteOperatorLogCsv(
    Database& database, const OperatorLogFilter& filter, const QString& fileName, qint64* written)
{
    QSaveFile file(fileName);
    if (!file.open(QIODevice::WriteOnly))
        return file.errorString();
    file.write("\xEF\xBB\xBF");
    file.write(csvLine(OperatorLogCaptions()));

    const QStringList columns = OperatorLogColumns();
    qint64 rows = 0;
    const QString error
        = database.readRows(QStringLiteral("SELECT %1 FROM operator_log WHERE %2 ORDER BY time DESC, %3 DESC")
                                .arg(columns.join(QStringLiteral(", ")), filter.sql(), database.dialect().rowKey()),
            filter.values(), [&](const QSqlQuery& row) {
                QStringList fields;
                for (int column = 0; column < columns.size(); ++column)
                    fields << OperatorLogCellText(column, row.value(column).toString());
                file.write(csvLine(fields));
                ++rows;
                return true;
            });
    if (!error.isEmpty()) {
        file.cancelWriting();
        return error;
    }
    if (!file.commit())
        return file.errorString();
    if (written)
        *written = rows;
    return {};
}
