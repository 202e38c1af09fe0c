#pragma once

#include <QByteArray>
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
    // A writer that prepares() takes each row in two steps: prepare() turns its texts into
    // what the file holds, on the thread that reads the rows and while other rows are written
    // (it must touch nothing that addPrepared() changes), and addPrepared() writes that.
    virtual bool prepares() const { return false; }
    virtual QByteArray prepare(const QStringList& cells) const
    {
        Q_UNUSED(cells);
        return {};
    }
    virtual bool addPrepared(const QByteArray& row)
    {
        Q_UNUSED(row);
        return false;
    }
    virtual bool finish(const QStringList& totals) = 0;
    virtual void abandon() = 0;
    // What failed, after a false return.
    virtual QString error() const = 0;
};
