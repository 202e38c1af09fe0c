#include "printing/TableExport.h"

#include "printing/CsvWriter.h"
#include "printing/WorkbookWriter.h"

#include <QDate>
#include <QFileInfo>

#include <atomic>
#include <cmath>
#include <condition_variable>
#include <deque>
#include <memory>
#include <mutex>
#include <thread>

ExportFormat ExportFormatOf(const QString& path)
{
    return QFileInfo(path).suffix().compare(u"csv", Qt::CaseInsensitive) == 0 ? ExportFormat::Csv
                                                                              : ExportFormat::Workbook;
}

namespace TableExport {

namespace {

// A row as read (its texts) or as prepared for its writer on the reading thread.
struct PipedRow
{
    QStringList cells;
    QByteArray prepared;
};

// The rows read, handed to the thread that writes them a batch at a time: reading a row from
// the database and writing it to the file each take a core of their own.
class RowPipe
{
public:
    static constexpr int BatchRows = 256;
    static constexpr size_t MostBatches = 16; // about a megabyte of rows waiting

    // Waits for room; false once the writing has stopped.
    bool push(QList<PipedRow>&& batch)
    {
        std::deque<QList<PipedRow>> written; // freed here, on the reading thread, unlocked
        std::unique_lock lock(m_mutex);
        m_room.wait(lock, [this] { return m_batches.size() < MostBatches || m_stopped; });
        written.swap(m_written);
        if (m_stopped)
            return false;
        m_batches.push_back(std::move(batch));
        m_ready.notify_one();
        return true;
    }

    // A batch written goes back to the reading thread, which made its rows and frees them:
    // memory freed on another thread than the one that took it makes both wait on the
    // allocator's lock.
    void giveBack(QList<PipedRow>&& batch)
    {
        const std::lock_guard lock(m_mutex);
        m_written.push_back(std::move(batch));
    }

    // Waits for a batch; false once every row has been taken or the writing stopped.
    bool pop(QList<PipedRow>& batch)
    {
        std::unique_lock lock(m_mutex);
        m_ready.wait(lock, [this] { return !m_batches.empty() || m_closed || m_stopped; });
        if (m_stopped || m_batches.empty())
            return false;
        batch = std::move(m_batches.front());
        m_batches.pop_front();
        m_room.notify_one();
        return true;
    }

    // No more rows come.
    void close()
    {
        const std::lock_guard lock(m_mutex);
        m_closed = true;
        m_ready.notify_all();
    }

    // The rows waiting are dropped: the export failed or was cancelled.
    void stop()
    {
        const std::lock_guard lock(m_mutex);
        m_stopped = true;
        m_batches.clear();
        m_ready.notify_all();
        m_room.notify_all();
    }

private:
    std::mutex m_mutex;
    std::condition_variable m_ready;
    std::condition_variable m_room;
    std::deque<QList<PipedRow>> m_batches;
    std::deque<QList<PipedRow>> m_written;
    bool m_closed = false;
    bool m_stopped = false;
};

} // namespace

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

    // The rows are read on this thread (the database's connection is this thread's) and
    // written on another; begin(), finish() and abandon() stay here, the writer thread ended.
    RowPipe pipe;
    const bool preparing = writer->prepares();
    std::atomic<qint64> written = 0;
    std::atomic<bool> writeFailed = false;
    std::thread writing([&] {
        QList<PipedRow> batch;
        while (pipe.pop(batch)) {
            for (const PipedRow& row : std::as_const(batch)) {
                if (!(preparing ? writer->addPrepared(row.prepared) : writer->addRow(row.cells))) {
                    writeFailed = true;
                    pipe.stop();
                    return;
                }
                ++written;
            }
            pipe.giveBack(std::move(batch));
            batch = {};
        }
    });

    bool cancelled = false;
    qint64 read = 0;
    QList<PipedRow> batch;
    batch.reserve(RowPipe::BatchRows);
    const QString readError = table.rows ? table.rows([&](const QStringList& cells) {
        if (preparing)
            batch.append({ {}, writer->prepare(cells) });
        else
            batch.append({ cells, {} });
        if (batch.size() == RowPipe::BatchRows) {
            if (!pipe.push(std::move(batch)))
                return false; // the writing failed
            batch = {};
            batch.reserve(RowPipe::BatchRows);
        }
        ++read;
        if (progress && read % ProgressStep == 0 && !progress(read)) {
            cancelled = true;
            return false;
        }
        return true;
    })
                                         : QString();
    if (readError.isEmpty() && !cancelled && !batch.isEmpty())
        pipe.push(std::move(batch));
    if (!readError.isEmpty() || cancelled)
        pipe.stop();
    else
        pipe.close();
    writing.join();
    result.rowsWritten = written;

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

namespace {

// The plain forms the desk stores ("12", "-3", "45.50") read without the general parser, which
// took a fifth of a workbook's writing; nothing for any other text, left to the parser. Up to
// 15 digits a number is exact in a double, and so is a power of ten up to 10^22: their
// quotient is the double nearest the decimal, the one the parser gives.
std::optional<double> PlainNumber(const QString& text, bool withFraction)
{
    static constexpr double PowersOfTen[]
        = { 1e0, 1e1, 1e2, 1e3, 1e4, 1e5, 1e6, 1e7, 1e8, 1e9, 1e10, 1e11, 1e12, 1e13, 1e14, 1e15 };
    const qsizetype size = text.size();
    qsizetype at = 0;
    bool negative = false;
    if (at < size && (text[at] == u'-' || text[at] == u'+')) {
        negative = text[at] == u'-';
        ++at;
    }
    qint64 digitsValue = 0;
    int digits = 0;
    int decimals = 0;
    bool point = false;
    for (; at < size; ++at) {
        const char16_t c = text[at].unicode();
        if (c >= u'0' && c <= u'9') {
            if (++digits > 15)
                return std::nullopt;
            digitsValue = digitsValue * 10 + (c - u'0');
            if (point)
                ++decimals;
        } else if (c == u'.' && withFraction && !point) {
            point = true;
        } else {
            return std::nullopt;
        }
    }
    if (digits == 0 || (point && (decimals == 0 || decimals == digits)))
        return std::nullopt;
    if (!withFraction)
        return double(negative ? -digitsValue : digitsValue);
    const double value = double(digitsValue) / PowersOfTen[decimals];
    return negative ? -value : value;
}

} // namespace

std::optional<double> NumberOf(const QString& text, ExportCellType type)
{
    if (type != ExportCellType::Integer && type != ExportCellType::Amount)
        return std::nullopt;
    if (const std::optional<double> plain = PlainNumber(text, type == ExportCellType::Amount))
        return plain;
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
