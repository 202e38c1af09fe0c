#pragma once

#include <QString>
#include <QStringList>

// Why data.db cannot be used, and what the desk tells the user about it: one Chinese sentence
// that says what is wrong and what to do, naming the file, followed by the database's own text.
enum class DatabaseProblem {
    None,
    Missing,
    Damaged, // not a database, or a damaged one
    Locked, // another program holds it
    ReadOnly,
    DiskFull,
    CannotOpen,
    Foreign, // a database, but not of this program or of any version it knows
    TooNew,
    Other,
    // A house on a database server:
    Unreachable, // no connection to the server
    PasswordNeeded, // the server refused the user without the right password
    NoHouse, // the database holds no house yet
    NotEmpty, // a house cannot be made in a database that holds tables
};

// The problem behind a failed call: its SQLite result code (primary or extended) and the
// database's text. The driver reports some failures with the generic code only; their text is
// then SQLite's standard text of the real code.
DatabaseProblem ProblemOfFailure(int code, const QString& text);

// `detail` is the database's own text (kept as it is) or, for Foreign and TooNew, what did
// not match. `logFound`: a write-ahead log lay beside the file when it was opened.
QString DatabaseProblemText(
    DatabaseProblem problem, const QString& filePath, const QString& detail, bool logFound = false);

// The same for a house on a server, `server` naming it (its address), `detail` the server's text.
QString ServerProblemText(DatabaseProblem problem, const QString& server, const QString& detail);

// The check of a damaged database, as the desk shows it: what is wrong and what to do, the
// first lines of the check and the files involved. The whole check is in `reportPath`.
QString DamagedDatabaseText(
    const QString& filePath, const QStringList& checkLines, bool logFound, const QString& reportPath);

// How many lines of the check the message shows.
inline constexpr int DamageLinesShown = 5;
