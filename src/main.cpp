#include "app/Clock.h"
#include "app/DataFolder.h"
#include "app/Database.h"
#include "app/Schema.h"
#include "app/ServerAddress.h"
#include "shell/ApplicationIdentity.h"
#include "shell/BellAlertSound.h"
#include "shell/DeskApplication.h"
#include "shell/DeskBackups.h"
#include "shell/DialogFileChooser.h"
#include "shell/DialogMessageService.h"
#include "shell/DialogPrinterChooser.h"
#include "shell/MainWindow.h"
#include "shell/SystemDesktopLauncher.h"
#include "shell/TextToSpeechVoice.h"
#include "skin/HoverButtonStyle.h"
#include "skin/SplashScreen.h"

#include <QApplication>
#include <QCommandLineParser>
#include <QDir>
#include <QElapsedTimer>
#include <QFileInfo>

#include <cstdio>
#include <iostream>
#include <memory>
#include <string>
#include <sys/resource.h>
#include <termios.h>
#include <unistd.h>

namespace {

// Chinese must render with the Simplified Chinese faces: point fontconfig at the file that
// ships beside the program before the first font is loaded.
void useShippedFontConfig(const char* programPath)
{
    if (qEnvironmentVariableIsSet("FONTCONFIG_FILE"))
        return;
    const QString besideProgram
        = QFileInfo(QString::fromLocal8Bit(programPath)).absoluteDir().filePath(QStringLiteral("fonts.conf"));
    const QString path = QFileInfo::exists(besideProgram) ? besideProgram : QStringLiteral(TAVREL_FONTS_CONF);
    if (QFileInfo::exists(path))
        qputenv("FONTCONFIG_FILE", QFile::encodeName(path));
}

// The CPU time of the whole process so far, in seconds.
double cpuSeconds()
{
    rusage usage {};
    ::getrusage(RUSAGE_SELF, &usage);
    return double(usage.ru_utime.tv_sec + usage.ru_stime.tv_sec)
        + double(usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1e6;
}

// `tavrel --server URL` asks for no window: it only checks the address and writes it.
bool onlyWritesServerAddress(int argc, char* argv[])
{
    for (int i = 1; i < argc; ++i) {
        const QByteArray argument(argv[i]);
        if (argument == "--server" || argument.startsWith("--server="))
            return true;
    }
    return false;
}

// A password typed on the terminal without being shown; nothing without a terminal.
std::optional<QString> typedPassword(const QString& prompt)
{
    if (!::isatty(STDIN_FILENO))
        return std::nullopt;
    std::fprintf(stderr, "%s", qUtf8Printable(prompt));
    std::fflush(stderr);
    termios shown {};
    ::tcgetattr(STDIN_FILENO, &shown);
    termios hidden = shown;
    hidden.c_lflag &= ~tcflag_t(ECHO);
    ::tcsetattr(STDIN_FILENO, TCSAFLUSH, &hidden);
    std::string line;
    const bool read = bool(std::getline(std::cin, line));
    ::tcsetattr(STDIN_FILENO, TCSAFLUSH, &shown);
    std::fprintf(stderr, "\n");
    if (!read)
        return std::nullopt;
    return QString::fromStdString(line);
}

// Makes a new house on the server's empty database, asking on the terminal for the password
// while the server refuses the one given (libpq's own places come first).
bool createHouse(const ServerAddress& address)
{
    Database database;
    QString password;
    while (!database.createHouse(address, password)) {
        if (database.problem() == DatabaseProblem::PasswordNeeded) {
            if (const std::optional<QString> typed
                = typedPassword(QStringLiteral("数据库服务器 %1 的密码: ").arg(address.url()))) {
                password = *typed;
                continue;
            }
        }
        std::fprintf(stderr, "%s\n", qUtf8Printable(database.lastError()));
        return false;
    }
    std::printf("%s\n",
        qUtf8Printable(QStringLiteral("已在数据库服务器 %1 上建立店铺的数据;总经理帐户 %2 的初始密码是 %3,"
                                      "请第一次登录后修改。")
                           .arg(address.url(), Schema::DeliveredLogin, Schema::DeliveredPassword)));
    return true;
}

// Checks the server's address and writes it into the data folder's server.ini, saying on the
// terminal what was done or what is wrong; with `create`, the house is made on the server
// first. The desk itself is not started.
int writeServerAddress(const QString& url, const QString& folder, bool create)
{
    const Outcome<ServerAddress> address = ServerAddress::parse(url);
    if (!address) {
        std::fprintf(stderr, "%s\n", qUtf8Printable(address.text()));
        return 2;
    }
    if (create && !createHouse(address.value()))
        return 1;
    if (!DataFolder::make(folder)) {
        std::fprintf(stderr, "%s\n",
            qUtf8Printable(QStringLiteral("无法创建数据文件夹 %1。").arg(QDir::toNativeSeparators(folder))));
        return 1;
    }
    const Outcome<> written = ServerAddressFile::write(folder, address.value());
    if (!written) {
        std::fprintf(stderr, "%s\n", qUtf8Printable(written.text()));
        return 1;
    }
    std::printf("%s\n",
        qUtf8Printable(
            QStringLiteral("服务器地址 %1 已写入 %2。")
                .arg(address.value().url(),
                    QDir::toNativeSeparators(QDir(folder).filePath(ServerAddressFile::FileName.toString())))));
    return 0;
}

} // namespace

int main(int argc, char* argv[])
{
    QElapsedTimer sinceStart;
    sinceStart.start();
    useShippedFontConfig(argv[0]);
    const bool serverOnly = onlyWritesServerAddress(argc, argv);
    const std::unique_ptr<QCoreApplication> application
        = serverOnly ? std::make_unique<QCoreApplication>(argc, argv) : std::make_unique<QApplication>(argc, argv);
    SetApplicationIdentity();

    QCommandLineParser parser;
    parser.setApplicationDescription(QStringLiteral("Tavrel 桑拿足浴前台收银管理系统"));
    parser.addHelpOption();
    parser.addVersionOption();
    const QCommandLineOption dataDir(
        QStringLiteral("data-dir"), QStringLiteral("数据文件夹 (默认: 用户应用数据文件夹)"), QStringLiteral("DIR"));
    parser.addOption(dataDir);
    // For the start-up benchmark (bench/startup.sh).
    const QCommandLineOption reportStart(
        QStringLiteral("report-start-time"), QStringLiteral("显示主窗口后打印启动所用的毫秒数并退出"));
    parser.addOption(reportStart);
    const QCommandLineOption reportBackground(
        QStringLiteral("report-background-work"), QStringLiteral("打印启动后的检查和备份所用的时间和CPU时间并退出"));
    parser.addOption(reportBackground);
    const QCommandLineOption server(QStringLiteral("server"),
        QStringLiteral("把数据库服务器的地址写入数据文件夹的 server.ini 后退出 (例如 "
                       "postgresql://tavrel@192.168.1.10:5432/tavrel;密码不写在地址里)"),
        QStringLiteral("URL"));
    parser.addOption(server);
    const QCommandLineOption createHouseOption(QStringLiteral("create-house"),
        QStringLiteral("和 --server 一起使用:在服务器的空数据库上建立新店铺的数据 (已有数据的数据库不会被改动)"));
    parser.addOption(createHouseOption);
    parser.process(*application);
    if (parser.isSet(createHouseOption) && !serverOnly) {
        std::fprintf(stderr, "%s\n", qUtf8Printable(QStringLiteral("--create-house 要和 --server 地址一起使用。")));
        return 2;
    }
    const QString folder = parser.isSet(dataDir) ? parser.value(dataDir) : DeskApplication::defaultDataFolder();
    if (serverOnly)
        return writeServerAddress(parser.value(server), folder, parser.isSet(createHouseOption));
    QApplication::setStyle(new HoverButtonStyle);

    DialogMessageService messages;
    SystemClock clock;
    DialogPrinterChooser printers;
    SystemDesktopLauncher launcher;
    DialogFileChooser files;
    BellAlertSound sound;
    TextToSpeechVoice speech;

    DeskApplication desk({ messages, clock, printers, launcher, files, sound, speech });
    if (!desk.start(folder))
        return 1;
    QElapsedTimer sinceBoard;
    double cpuAtBoard = 0;
    if (parser.isSet(reportBackground) && desk.isOnServer()) {
        std::printf("no background work: the house is kept on a server\n");
        return 0;
    }
    if (parser.isSet(reportBackground)) {
        QObject::connect(
            &desk.backups(), &DeskBackups::backgroundFinished, application.get(), [&](const BackupJob::Result& result) {
                std::printf("background work done after %lld ms, %.2f CPU-s: %s\n",
                    static_cast<long long>(sinceBoard.elapsed()), cpuSeconds() - cpuAtBoard,
                    result.entry ? qPrintable(QDir::toNativeSeparators(result.entry->path)) : qPrintable(result.error));
                std::fflush(stdout);
                QCoreApplication::exit(result.entry ? 0 : 1);
            });
    }
    desk.showBoard([&] {
        if (!parser.isSet(reportStart) && !parser.isSet(reportBackground))
            return;
        sinceBoard.start();
        cpuAtBoard = cpuSeconds();
        std::printf("board shown after %lld ms\n", static_cast<long long>(sinceStart.elapsed()));
        std::fflush(stdout);
        if (parser.isSet(reportStart))
            QCoreApplication::exit(0); // without the question of a closing window
    });
    SplashScreen splash;
    splash.showOver(desk.mainWindow());
    return application->exec();
}
