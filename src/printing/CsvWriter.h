#pragma once

#include "printing/TableExport.h"
#include "printing/TableWriter.h"

#include <QByteArray>

#include <memory>

class QSaveFile;

// An exported table as text with commas, the way Excel opens it: UTF-8 with a byte order
// mark (without it Excel reads Chinese as another code page), lines ended by CR LF, the
// captions on the first line and the totals on the last. A cell with a comma, a quote or a
// line break is quoted; one that a spreadsheet would run as a formula is defused.
class CsvWriter : public TableWriter
{
public:
    CsvWriter();
    ~CsvWriter() override;

    bool begin(const QString& path, const ExportTable& table) override;
    bool addRow(const QStringList& cells) override;
    bool finish(const QStringList& totals) override;
    void abandon() override;
    QString error() const override { return m_error; }

    // One line of the file, CR LF included.
    static QByteArray line(const QStringList& cells, const QList<ExportColumn>& columns);

private:
    bool append(const QStringList& cells);
    bool flush();

    std::unique_ptr<QSaveFile> m_file;
    QList<ExportColumn> m_columns;
    QByteArray m_buffer;
    QString m_error;
};
