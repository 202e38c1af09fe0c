#pragma once

#include "printing/TableExport.h"
#include "printing/TableWriter.h"

struct lxw_format;
struct lxw_workbook;
struct lxw_worksheet;

// An exported table as an Excel workbook (libxlsxwriter in its constant-memory mode: each row
// goes to a temporary file as it is written, so a million rows take no more memory than one).
// The first line of each sheet is the title, the second the captions, frozen above the rows;
// numbers are written as numbers, dates as dates, in the formats of the desk ("0.00",
// "yyyy-mm-dd hh:mm:ss"). A table longer than `rowsPerSheet` goes on over further sheets.
class WorkbookWriter : public TableWriter
{
public:
    explicit WorkbookWriter(int rowsPerSheet = TableExport::MaxRowsPerSheet);
    ~WorkbookWriter() override;

    bool begin(const QString& path, const ExportTable& table) override;
    bool addRow(const QStringList& cells) override;
    // The rows' numbers, dates and texts are taken apart on the reading thread: the library's
    // writing of the cells is the slower half of an export.
    bool prepares() const override { return true; }
    QByteArray prepare(const QStringList& cells) const override;
    bool addPrepared(const QByteArray& row) override;
    bool finish(const QStringList& totals) override;
    void abandon() override;
    QString error() const override { return m_error; }

private:
    struct Formats
    {
        lxw_format* title = nullptr;
        lxw_format* caption = nullptr;
        lxw_format* integer = nullptr;
        lxw_format* amount = nullptr;
        lxw_format* dateTime = nullptr;
        lxw_format* totalText = nullptr;
        lxw_format* totalInteger = nullptr;
        lxw_format* totalAmount = nullptr;
    };

    bool startSheet();
    // Writes one prepared row at the current row, in the formats of the rows or of the totals.
    bool writePrepared(const QByteArray& row, bool totals);
    bool failed(int libraryError, const QString& what);
    // Starts the next sheet when this one is full; false when that fails.
    bool roomForARow();

    const int m_rowsPerSheet;
    QString m_path;
    QString m_buildingPath; // where the workbook is written until it is complete
    QString m_sheetName;
    QString m_title;
    QList<ExportColumn> m_columns;
    lxw_workbook* m_workbook = nullptr;
    lxw_worksheet* m_sheet = nullptr;
    Formats m_formats;
    int m_sheets = 0;
    int m_row = 0; // the next row of the sheet
    int m_rowsInSheet = 0;
    QString m_error;
};
