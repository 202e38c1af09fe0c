#include "printing/TableExport.h"

#include "printing/CsvWriter.h"
#include "printing/WorkbookWriter.h"

#include <QDate>
#include <QFileInfo>

#include <cmath>
#include <memory>

ExportFormat ExportFormatOf(const QString& path)
{
    return QFileInfo(path).suffix().compare(u"csv", Qt::CaseInsensitive) == 0 ? ExportFormat::Csv
                                                                              : ExportFormat::Workbook;
}

namespace TableExport {

ExportResult write(const ExportTable& table, const QString& path, const ExportProgress& progress, int rowsPerSheet)
{
    std::unique_ptr<TableWriter> writer;
    if (ExportFormatOf(path) == ExportFormat::Csv)
        writer = std::make_unique<CsvWriter>();
    else
        writer = std::make_unique<WorkbookWriter>(rowsPerSheet);

    ExportResult result;
    const auto fail = [&result, &writer](const QString& error) {
        writer->abandon();
        result.status = ExportResult::Status::Failed;
        result.error = error;
        return result;
    };
    if (!writer->begin(path, table))
        return fail(writer->error());

    bool cancelled = false;
    bool writeFailed = false;
    const QString readError = table.rows ? table.rows([&](const QStringList& cells) {
        if (!writer->addRow(cells)) {
            writeFailed = true;
            return false;
        }
        ++result.rowsWritten;
        if (progress && result.rowsWritten % ProgressStep == 0 && !progress(result.rowsWritten)) {
            cancelled = true;
            return false;
        }
        return true;
    })
                                         : QString();
    if (writeFailed)
        return fail(writer->error());
    if (!readError.isEmpty())
        return fail(readError);
    if (cancelled) {
        writer->abandon();
        result.status = ExportResult::Status::Cancelled;
        return result;
    }
    if (!writer->finish(table.totals))
        return fail(writer->error());
    if (progress)
        progress(result.rowsWritten);
    result.status = ExportResult::Status::Written;
    return result;
}

std::optional<double> NumberOf(const QString& text, ExportCellType type)
{
    if (type != ExportCellType::Integer && type != ExportCellType::Amount)
        return std::nullopt;
    const QString trimmed = text.trimmed();
    if (trimmed.isEmpty())
        return std::nullopt;
    bool ok = false;
    if (type == ExportCellType::Integer) {
        const qlonglong value = trimmed.toLongLong(&ok);
        return ok ? std::optional<double>(double(value)) : std::nullopt;
    }
    const double value = trimmed.toDouble(&ok);
    return ok && std::isfinite(value) ? std::optional<double>(value) : std::nullopt;
}

std::optional<DateTimeParts> DateTimeOf(QStringView text)
{
    // "yyyy-MM-dd HH:mm:ss": digits everywhere but at the separators.
    static constexpr char Pattern[] = "dddd-dd-dd dd:dd:dd";
    if (text.size() != qsizetype(sizeof Pattern) - 1)
        return std::nullopt;
    for (qsizetype i = 0; i < text.size(); ++i) {
        const bool digit = text[i] >= u'0' && text[i] <= u'9';
        if (Pattern[i] == 'd' ? !digit : text[i] != QLatin1Char(Pattern[i]))
            return std::nullopt;
    }
    const auto number = [text](qsizetype from, qsizetype length) {
        int value = 0;
        for (qsizetype i = from; i < from + length; ++i)
            value = value * 10 + (text[i].unicode() - u'0');
        return value;
    };
    const DateTimeParts parts { number(0, 4), number(5, 2), number(8, 2), number(11, 2), number(14, 2), number(17, 2) };
    const bool valid = parts.year >= 1900 && QDate::isValid(parts.year, parts.month, parts.day) && parts.hour <= 23
        && parts.minute <= 59 && parts.second <= 59;
    return valid ? std::optional<DateTimeParts>(parts) : std::nullopt;
}

QString DefusedText(const QString& text)
{
    if (!text.isEmpty() && (text[0] == u'=' || text[0] == u'+' || text[0] == u'-' || text[0] == u'@'))
        return u'\'' + text;
    return text;
}

} // namespace TableExport
