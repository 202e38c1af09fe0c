#include "printing/WorkbookWriter.h"

#include "app/DurableFile.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <algorithm>
#include <cstring>
#include <sys/stat.h>
#include <unistd.h>
#include <xlsxwriter.h>

namespace {

// The temporary files of a workbook's sheets (the library keeps each sheet's rows in one,
// removed from the folder at once and open until the workbook is assembled). A workbook that
// fails or is abandoned is freed by the library without closing them, so each would keep its
// space on the disk until the desk closes. They are noted before the workbook goes and closed
// after: each only if its descriptor still holds the same file, so that one the library did
// close (and whose number may serve another file by now) is left alone.
class SheetFiles
{
public:
    explicit SheetFiles(lxw_workbook* workbook)
    {
        lxw_worksheet* sheet = nullptr;
        LXW_FOREACH_WORKSHEET(sheet, workbook)
        {
            struct stat status
            {
            };
            if (sheet->optimize_tmpfile) {
                const int descriptor = fileno(sheet->optimize_tmpfile);
                if (descriptor >= 0 && fstat(descriptor, &status) == 0)
                    m_files.append({ descriptor, status.st_dev, status.st_ino });
            }
        }
    }

    void closeLeftOpen() const
    {
        for (const File& file : m_files) {
            struct stat status
            {
            };
            if (fstat(file.descriptor, &status) == 0 && status.st_dev == file.device && status.st_ino == file.inode)
                ::close(file.descriptor);
        }
    }

private:
    struct File
    {
        int descriptor;
        dev_t device;
        ino_t inode;
    };
    QList<File> m_files;
};

// What one cell of Excel holds.
constexpr int MostCharactersInACell = 32767;

// Excel's column width counts characters of its default font, about seven pixels each.
double columnWidth(int pixels)
{
    return std::max(6.0, pixels / 7.0 + 1.0);
}

// A sheet name without the characters Excel refuses and within its 31 characters.
QString sheetName(const QString& name, int sheet)
{
    QString cleaned = name;
    for (const QChar refused : { u'[', u']', u':', u'*', u'?', u'/', u'\\' })
        cleaned.remove(refused);
    if (cleaned.trimmed().isEmpty())
        cleaned = QStringLiteral("Sheet");
    const QString suffix = sheet > 1 ? QStringLiteral("(%1)").arg(sheet) : QString();
    return cleaned.left(31 - suffix.size()) + suffix;
}

// The characters XML 1.0 cannot hold (controls other than tab and line breaks) would make a
// workbook Excel refuses to open: they are left out.
QByteArray xmlSafeUtf8(const QString& text)
{
    const bool clean = std::all_of(text.cbegin(), text.cend(),
        [](QChar c) { return c.unicode() >= 0x20 || c == u'\t' || c == u'\n' || c == u'\r'; });
    if (clean)
        return text.size() <= MostCharactersInACell ? text.toUtf8() : text.left(MostCharactersInACell).toUtf8();
    QString kept;
    for (const QChar c : text) {
        if (c.unicode() >= 0x20 || c == u'\t' || c == u'\n' || c == u'\r')
            kept += c;
    }
    return kept.left(MostCharactersInACell).toUtf8();
}

} // namespace

WorkbookWriter::WorkbookWriter(int rowsPerSheet)
    : m_rowsPerSheet(std::max(1, rowsPerSheet))
{ }

WorkbookWriter::~WorkbookWriter()
{
    abandon();
}

bool WorkbookWriter::failed(int libraryError, const QString& what)
{
    m_error = QStringLiteral("%1: %2").arg(what, QString::fromUtf8(lxw_strerror(lxw_error(libraryError))));
    return false;
}

bool WorkbookWriter::begin(const QString& path, const ExportTable& table)
{
    abandon();
    m_path = path;
    m_buildingPath = path + QStringLiteral(".part");
    m_sheetName = table.sheetName;
    m_title = table.title;
    m_columns = table.columns;
    m_sheets = 0;

    // The library's temporary files go beside the workbook, not into a /tmp kept in memory.
    const QFileInfo target(path);
    if (!target.absoluteDir().exists()) {
        m_error = QStringLiteral("文件夹 %1 不存在").arg(QDir::toNativeSeparators(target.absolutePath()));
        return false;
    }
    QByteArray folder = QFile::encodeName(target.absolutePath());
    lxw_workbook_options options {};
    options.constant_memory = LXW_TRUE;
    options.tmpdir = folder.data();
    const QByteArray building = QFile::encodeName(m_buildingPath);
    m_workbook = workbook_new_opt(building.constData(), &options);
    if (!m_workbook) {
        m_error = QStringLiteral("无法创建文件 %1").arg(QDir::toNativeSeparators(path));
        return false;
    }

    m_formats.title = workbook_add_format(m_workbook);
    format_set_bold(m_formats.title);
    format_set_font_size(m_formats.title, 14);
    m_formats.caption = workbook_add_format(m_workbook);
    format_set_bold(m_formats.caption);
    format_set_bottom(m_formats.caption, LXW_BORDER_THIN);
    format_set_bg_color(m_formats.caption, 0xE8E8E8);
    m_formats.integer = workbook_add_format(m_workbook);
    format_set_num_format(m_formats.integer, "0");
    m_formats.amount = workbook_add_format(m_workbook);
    format_set_num_format(m_formats.amount, "0.00");
    m_formats.dateTime = workbook_add_format(m_workbook);
    format_set_num_format(m_formats.dateTime, "yyyy-mm-dd hh:mm:ss");
    m_formats.totalText = workbook_add_format(m_workbook);
    format_set_bold(m_formats.totalText);
    format_set_top(m_formats.totalText, LXW_BORDER_THIN);
    m_formats.totalInteger = workbook_add_format(m_workbook);
    format_set_bold(m_formats.totalInteger);
    format_set_top(m_formats.totalInteger, LXW_BORDER_THIN);
    format_set_num_format(m_formats.totalInteger, "0");
    m_formats.totalAmount = workbook_add_format(m_workbook);
    format_set_bold(m_formats.totalAmount);
    format_set_top(m_formats.totalAmount, LXW_BORDER_THIN);
    format_set_num_format(m_formats.totalAmount, "0.00");
    return startSheet();
}

bool WorkbookWriter::startSheet()
{
    ++m_sheets;
    const QByteArray name = xmlSafeUtf8(sheetName(m_sheetName, m_sheets));
    m_sheet = workbook_add_worksheet(m_workbook, name.constData());
    if (!m_sheet)
        return failed(LXW_ERROR_WORKSHEET_INDEX_OUT_OF_RANGE, QStringLiteral("无法添加工作表"));
    for (int column = 0; column < m_columns.size(); ++column)
        worksheet_set_column(
            m_sheet, lxw_col_t(column), lxw_col_t(column), columnWidth(m_columns[column].width), nullptr);

    const QString title = m_sheets > 1 ? QStringLiteral("%1 (续%2)").arg(m_title).arg(m_sheets) : m_title;
    if (const lxw_error error = worksheet_write_string(m_sheet, 0, 0, xmlSafeUtf8(title).constData(), m_formats.title))
        return failed(error, QStringLiteral("无法写入标题"));
    worksheet_set_row(m_sheet, 0, 22, nullptr);
    for (int column = 0; column < m_columns.size(); ++column) {
        if (const lxw_error error = worksheet_write_string(
                m_sheet, 1, lxw_col_t(column), xmlSafeUtf8(m_columns[column].caption).constData(), m_formats.caption))
            return failed(error, QStringLiteral("无法写入列名"));
    }
    worksheet_freeze_panes(m_sheet, 2, 0);
    m_row = 2;
    m_rowsInSheet = 0;
    return true;
}

bool WorkbookWriter::roomForARow()
{
    if (!m_workbook)
        return false;
    return m_rowsInSheet < m_rowsPerSheet || startSheet();
}

bool WorkbookWriter::addRow(const QStringList& cells)
{
    return addPrepared(prepare(cells));
}

// A prepared row holds each cell that is not empty as its column and its kind, then a number
// (a double), a date and time (year, month, day, hour, minute, second) or a text (its UTF-8
// bytes and a NUL), each as written in memory: it is read back by the same process.
namespace {

enum class PreparedKind : char { Number = 'n', DateTime = 'd', Text = 's' };

template <typename T> void append(QByteArray& row, const T& value)
{
    row.append(reinterpret_cast<const char*>(&value), qsizetype(sizeof value));
}

template <typename T> T take(const char*& at)
{
    T value;
    std::memcpy(&value, at, sizeof value);
    at += sizeof value;
    return value;
}

} // namespace

QByteArray WorkbookWriter::prepare(const QStringList& cells) const
{
    QByteArray row;
    row.reserve(256);
    const int count = std::min(int(cells.size()), int(m_columns.size()));
    for (int column = 0; column < count; ++column) {
        const QString& text = cells[column];
        if (text.isEmpty())
            continue;
        const ExportCellType type = m_columns[column].type;
        append(row, qint32(column));
        if (const std::optional<double> number = TableExport::NumberOf(text, type)) {
            append(row, PreparedKind::Number);
            append(row, *number);
        } else if (const std::optional<TableExport::DateTimeParts> moment
            = type == ExportCellType::DateTime ? TableExport::DateTimeOf(text) : std::nullopt) {
            append(row, PreparedKind::DateTime);
            append(row, *moment);
        } else {
            const QByteArray utf8 = xmlSafeUtf8(text);
            append(row, PreparedKind::Text);
            append(row, qint32(utf8.size()));
            row.append(utf8.constData(), utf8.size() + 1); // with its NUL
        }
    }
    return row;
}

bool WorkbookWriter::addPrepared(const QByteArray& row)
{
    if (!roomForARow() || !writePrepared(row, false))
        return false;
    ++m_row;
    ++m_rowsInSheet;
    return true;
}

bool WorkbookWriter::writePrepared(const QByteArray& row, bool totals)
{
    const char* at = row.constData();
    const char* const end = at + row.size();
    while (at < end) {
        const auto col = lxw_col_t(take<qint32>(at));
        lxw_error error = LXW_NO_ERROR;
        switch (take<PreparedKind>(at)) {
        case PreparedKind::Number: {
            const double number = take<double>(at);
            const bool amount = m_columns[col].type == ExportCellType::Amount;
            lxw_format* format = amount ? (totals ? m_formats.totalAmount : m_formats.amount)
                                        : (totals ? m_formats.totalInteger : m_formats.integer);
            error = worksheet_write_number(m_sheet, lxw_row_t(m_row), col, number, format);
            break;
        }
        case PreparedKind::DateTime: {
            const auto moment = take<TableExport::DateTimeParts>(at);
            lxw_datetime value { moment.year, moment.month, moment.day, moment.hour, moment.minute,
                double(moment.second) };
            error = worksheet_write_datetime(m_sheet, lxw_row_t(m_row), col, &value, m_formats.dateTime);
            break;
        }
        case PreparedKind::Text: {
            const qint32 size = take<qint32>(at);
            error = worksheet_write_string(m_sheet, lxw_row_t(m_row), col, at, totals ? m_formats.totalText : nullptr);
            at += size + 1;
            break;
        }
        default:
            return failed(LXW_ERROR_PARAMETER_VALIDATION, QStringLiteral("无法写入第%1行").arg(m_row + 1));
        }
        if (error)
            return failed(error, QStringLiteral("无法写入第%1行").arg(m_row + 1));
    }
    return true;
}

bool WorkbookWriter::finish(const QStringList& totals)
{
    if (!m_workbook)
        return false;
    if (!writePrepared(prepare(totals), true))
        return false;
    const SheetFiles sheetFiles(m_workbook);
    const lxw_error closed = workbook_close(m_workbook);
    m_workbook = nullptr; // closed and freed, whatever came of it
    if (closed) {
        sheetFiles.closeLeftOpen();
        QFile::remove(m_buildingPath);
        return failed(closed, QStringLiteral("无法写入文件 %1").arg(QDir::toNativeSeparators(m_path)));
    }
    if (!DurableFile::renameOver(m_buildingPath, m_path)) {
        QFile::remove(m_buildingPath);
        m_error = QStringLiteral("无法写入文件 %1").arg(QDir::toNativeSeparators(m_path));
        return false;
    }
    return true;
}

void WorkbookWriter::abandon()
{
    if (!m_workbook)
        return;
    const SheetFiles sheetFiles(m_workbook);
    lxw_workbook_free(m_workbook);
    m_workbook = nullptr;
    sheetFiles.closeLeftOpen();
    QFile::remove(m_buildingPath);
}
