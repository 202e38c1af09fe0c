#pragma once

#include <QString>

class Database;
struct OperatorLogFilter;

// One field of a CSV line: quoted when it holds a comma, a quote or a line break. A text that a
// spreadsheet would run as a formula (it begins with =, +, @ or a - that starts no number; an
// account typed at a failed login may) gets a leading apostrophe, so that it stays text.
QString CsvField(const QString& text);

// Writes the rows of the operator log that meet `filter`, newest first, with the captions as
// the first line, to `fileName` as CSV in UTF-8 with a byte order mark, so that a spreadsheet
// reads the Chinese. The rows are read one by one as they are written; the file is replaced
// whole or not at all. Returns the database's or the file's error text, empty on success;
// `written` gets the number of rows.
QString WriteOperatorLogCsv(
    Database& database, const OperatorLogFilter& filter, const QString& fileName, qint64* written = nullptr);
