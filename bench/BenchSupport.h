#pragma once

// What the benchmark programs share: the desk opened on a busy house's data folder with seams
// that nobody sits at, the process's peak memory, and the figures as they are printed.

#include "HeadlessSeams.h"
#include "app/Clock.h"
#include "app/Database.h"
#include "app/MessageService.h"
#include "app/ServerAddress.h"
#include "app/SettingPlace.h"
#include "app/Speech.h"
#include "desk/AppServices.h"
#include "desk/DeskSession.h"

#include <QCommandLineParser>
#include <QElapsedTimer>
#include <QList>
#include <QString>

#include <algorithm>
#include <memory>

// Draws the windows offscreen unless the caller chose a platform; call it before QApplication.
void PreferOffscreen();

// The command line every benchmark of a house's data folder reads: --folder (required),
// --receipts (of a folder GenerateHouse fills first) and --rounds, with the program's own options.
class BenchOptions
{
public:
    explicit BenchOptions(const QString& description, const QList<QCommandLineOption>& ownOptions = {});

    // Reads the command line; without --folder shows the help and ends the program.
    void process(const QCoreApplication& application);

    QString folder() const { return m_parser.value(m_folder); }
    QString receipts() const { return m_parser.value(m_receipts); }
    int rounds() const { return qMax(1, m_parser.value(m_rounds).toInt()); }
    bool isSet(const QCommandLineOption& option) const { return m_parser.isSet(option); }
    QString value(const QCommandLineOption& option) const { return m_parser.value(option); }

private:
    QCommandLineParser m_parser;
    const QCommandLineOption m_folder;
    const QCommandLineOption m_receipts;
    const QCommandLineOption m_rounds;
};

// Says what went wrong, prefixed with the program's name, and ends the program.
[[noreturn]] void Fail(const QString& text);

// Messages go to the console and questions are declined (the other seams nobody sits at are
// in HeadlessSeams.h).
class ConsoleMessages : public MessageService
{
public:
    void inform(const QString& text, const QString& caption, Icon icon) override;
    bool ask(const QString& text, const QString& caption, Icon icon) override;
};

// The seams of a benchmark's desk: the real clock, messages to the console, and no printer,
// launcher, files, sound or voice.
struct BenchSeams
{
    SystemClock clock;
    ConsoleMessages messages;
    NoPrinter printers;
    NoLauncher launcher;
    NoFiles files;
    Silence sound;
    SilentSpeech speech;
    NoSlipPrinter slips;
};

// The desk of a data folder, its session restored. When the folder holds no data.db,
// GenerateHouse (built beside the benchmarks) first makes one with `receipts` receipts.
struct BenchDesk : BenchSeams
{
    BenchDesk(const QString& folder, const QString& receipts);

    const QString databaseFile;
    Database database;
    DeskSession session;
    SettingFolder settings; // the house's folder
    AppServices services;
};

// The desk of a house kept on a server, with the same seams, its session not restored yet. A
// database without a house gets one first when `makeHouse` is set.
struct ServerBenchDesk : BenchSeams
{
    ServerBenchDesk(const ServerAddress& server, bool makeHouse);

    Database database;
    DeskSession session;
    std::unique_ptr<SettingPlace> settings; // the server's rows
    AppServices services;
};

// A statement with its `?` filled in as literals, for a database's own command-line tool (the
// values are the benchmark's own dates and numbers: texts are quoted, nothing is escaped).
QString Inlined(QString sql, const QVariantList& values);

// The peak resident size of a process (this one by default) since its start or the last
// ResetPeak(), in MiB.
double PeakMiB(qint64 processId = 0);
// Starts a new peak at the present size (Linux 4.0 and later).
void ResetPeak();

double Milliseconds(const QElapsedTimer& timer);
// "7.6 ms", "1.25 s"; "-" for a negative figure (none).
QString Ms(double milliseconds);
QString MiB(double mib);

// Lets the event loop run for a while, as it does between a clerk's actions.
void Idle(int milliseconds);

// The median of the rounds' figures.
double Median(QList<double> values);

// A round's figures with each of `fields` replaced by its median over `rounds`.
template <typename Run> Run MedianOf(const QList<Run>& rounds, const QList<double Run::*>& fields)
{
    Run median = rounds.first();
    for (double Run::*field : fields) {
        QList<double> values;
        for (const Run& round : rounds)
            values << round.*field;
        median.*field = Median(values);
    }
    return median;
}
