#include "printing/CsvWriter.h"

#include <QDir>
#include <QSaveFile>

namespace {

constexpr qsizetype FlushSize = 1 << 16;

QString quoted(const QString& text)
{
    const bool plain = !text.contains(u',') && !text.contains(u'"') && !text.contains(u'\n') && !text.contains(u'\r')
        && text.trimmed().size() == text.size();
    if (plain)
        return text;
    QString doubled = text;
    doubled.replace(u'"', QStringLiteral("\"\""));
    return u'"' + doubled + u'"';
}

} // namespace

CsvWriter::CsvWriter() = default;

CsvWriter::~CsvWriter()
{
    abandon();
}

QByteArray CsvWriter::line(const QStringList& cells, const QList<ExportColumn>& columns)
{
    QString text;
    for (int column = 0; column < columns.size(); ++column) {
        if (column > 0)
            text += u',';
        const QString cell = cells.value(column);
        // A number stays a number; any other text is kept from running as a formula.
        const bool number = TableExport::NumberOf(cell, columns[column].type).has_value();
        text += quoted(number ? cell.trimmed() : TableExport::DefusedText(cell));
    }
    text += QStringLiteral("\r\n");
    return text.toUtf8();
}

bool CsvWriter::begin(const QString& path, const ExportTable& table)
{
    abandon();
    m_columns = table.columns;
    m_file = std::make_unique<QSaveFile>(path);
    if (!m_file->open(QIODevice::WriteOnly)) {
        m_error = QStringLiteral("无法创建文件 %1: %2").arg(QDir::toNativeSeparators(path), m_file->errorString());
        m_file.reset();
        return false;
    }
    m_buffer = QByteArrayLiteral("\xEF\xBB\xBF");
    QStringList captions;
    for (const ExportColumn& column : table.columns)
        captions << column.caption;
    QList<ExportColumn> textColumns = table.columns;
    for (ExportColumn& column : textColumns)
        column.type = ExportCellType::Text;
    m_buffer += line(captions, textColumns);
    return true;
}

bool CsvWriter::append(const QStringList& cells)
{
    if (!m_file)
        return false;
    m_buffer += line(cells, m_columns);
    return m_buffer.size() < FlushSize || flush();
}

bool CsvWriter::flush()
{
    if (m_file->write(m_buffer) != m_buffer.size()) {
        m_error = QStringLiteral("无法写入文件 %1: %2")
                      .arg(QDir::toNativeSeparators(m_file->fileName()), m_file->errorString());
        return false;
    }
    m_buffer.clear();
    return true;
}

bool CsvWriter::addRow(const QStringList& cells)
{
    return append(cells);
}

bool CsvWriter::finish(const QStringList& totals)
{
    if (!append(totals) || !flush())
        return false;
    if (!m_file->commit()) {
        m_error = QStringLiteral("无法写入文件 %1: %2")
                      .arg(QDir::toNativeSeparators(m_file->fileName()), m_file->errorString());
        m_file.reset();
        return false;
    }
    m_file.reset();
    return true;
}

void CsvWriter::abandon()
{
    if (m_file)
        m_file->cancelWriting();
    m_file.reset();
    m_buffer.clear();
}
