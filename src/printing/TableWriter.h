#pragma once

#include <QString>
#include <QStringList>

struct ExportTable;

// Writes one exported table to a file, row by row: the title and captions, the rows, then the
// totals. The file at the path given to begin() appears only with finish(); abandon() gives it
// up and leaves nothing behind.
class TableWriter
{
public:
    virtual ~TableWriter() = default;

    virtual bool begin(const QString& path, const ExportTable& table) = 0;
    virtual bool addRow(const QStringList& cells) = 0;
    virtual bool finish(const QStringList& totals) = 0;
    virtual void abandon() = 0;
    // What failed, after a false return.
    virtual QString error() const = 0;
};
