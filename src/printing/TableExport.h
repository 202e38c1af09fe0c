#pragma once

#include <QList>
#include <QString>
#include <QStringList>

#include <functional>
#include <optional>

// How the texts of a column land in a workbook. A text that reads whole as a number of its
// column's type is written as that number (an amount with two decimals), a stored
// "yyyy-MM-dd HH:mm:ss" as a date and time; an empty text leaves the cell blank, and any
// other text stays the text the list shows.
enum class ExportCellType { Text, Integer, Amount, DateTime };

struct ExportColumn
{
    QString caption;
    ExportCellType type = ExportCellType::Text;
    int width = 68; // as the list shows it, in pixels
};

// A list as it is exported: a title that says what is listed and under which condition, the
// column captions, the rows and a totals row. The rows are streamed by `rows`, one at a time
// as they are read, so that a list of a million rows is never held whole.
struct ExportTable
{
    // Takes the texts of one row, one per column; returns false to stop the reading.
    using RowSink = std::function<bool(const QStringList& cells)>;

    QString sheetName; // the worksheet's name, e.g. "经营单据"
    QString title; // the first line of the sheet
    QList<ExportColumn> columns;
    // Gives every row to the sink in the list's order; returns the error text of the read.
    std::function<QString(const RowSink& row)> rows;
    qint64 rowCount = 0; // how many rows to expect, for the progress
    QStringList totals; // one text per column, typed like its column; the first is its caption
};

// The file formats: an Excel workbook (.xlsx), or text with commas (.csv) in UTF-8 with a
// byte order mark, by which Excel knows the Chinese.
enum class ExportFormat { Workbook, Csv };
ExportFormat ExportFormatOf(const QString& path);
inline const QString ExportFileFilters = QStringLiteral("Excel 工作簿 (*.xlsx);;CSV 文件 (*.csv)");

struct ExportResult
{
    enum class Status { Written, Cancelled, Failed };
    Status status = Status::Failed;
    qint64 rowsWritten = 0;
    QString error; // what failed, when it did
};

// Told the rows read so far, every ProgressStep rows, on the thread that called write();
// returns false to cancel.
using ExportProgress = std::function<bool(qint64 rowsWritten)>;

namespace TableExport {

// Excel holds 1,048,576 rows a sheet: a longer list goes on over further sheets ("经营单据(2)"),
// each with its title and captions; the totals row ends the last one.
inline constexpr int MaxRowsPerSheet = 1'000'000;
inline constexpr int ProgressStep = 2048;

// Writes `table` to `path` in the format its suffix names. The file takes its place only once
// it is complete: a cancelled or failed export leaves no file behind and an older file of
// that name as it was. The rows are read on the calling thread and written to the file on a
// thread of its own as they come.
ExportResult write(const ExportTable& table, const QString& path, const ExportProgress& progress = {},
    int rowsPerSheet = MaxRowsPerSheet);

// --- how texts are read for a workbook ----------------------------------------------------------

// The number a text stands for in a column of `type`: the whole text (blanks at its ends
// aside) must be the number; nothing otherwise and for Text and DateTime columns.
std::optional<double> NumberOf(const QString& text, ExportCellType type);

struct DateTimeParts
{
    int year = 0, month = 0, day = 0, hour = 0, minute = 0, second = 0;
};
// A stored date-time "yyyy-MM-dd HH:mm:ss" taken apart; nothing for any other text.
std::optional<DateTimeParts> DateTimeOf(QStringView text);

// A text that a spreadsheet would take for a formula (it starts with = + - or @) gets a
// leading apostrophe, so that a goods name can never run as one when the CSV file is opened.
QString DefusedText(const QString& text);

} // namespace TableExport
