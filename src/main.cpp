#include "app/Clock.h"
#include "shell/ApplicationIdentity.h"
#include "shell/BellAlertSound.h"
#include "shell/DeskApplication.h"
#include "shell/DeskBackups.h"
#include "shell/DialogFileChooser.h"
#include "shell/DialogMessageService.h"
#include "shell/DialogPrinterChooser.h"
#include "shell/MainWindow.h"
#include "shell/SystemDesktopLauncher.h"
#include "skin/HoverButtonStyle.h"
#include "skin/SplashScreen.h"

#include <QApplication>
#include <QCommandLineParser>
#include <QDir>
#include <QElapsedTimer>
#include <QFileInfo>

#include <cstdio>
#include <sys/resource.h>

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

} // namespace

int main(int argc, char* argv[])
{
    QElapsedTimer sinceStart;
    sinceStart.start();
    useShippedFontConfig(argv[0]);
    QApplication application(argc, argv);
    SetApplicationIdentity();
    QApplication::setStyle(new HoverButtonStyle);

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
    parser.process(application);

    DialogMessageService messages;
    SystemClock clock;
    DialogPrinterChooser printers;
    SystemDesktopLauncher launcher;
    DialogFileChooser files;
    BellAlertSound sound;

    DeskApplication desk({ messages, clock, printers, launcher, files, sound });
    const QString folder = parser.isSet(dataDir) ? parser.value(dataDir) : DeskApplication::defaultDataFolder();
    if (!desk.start(folder))
        return 1;
    QElapsedTimer sinceBoard;
    double cpuAtBoard = 0;
    if (parser.isSet(reportBackground)) {
        QObject::connect(
            &desk.backups(), &DeskBackups::backgroundFinished, &application, [&](const BackupJob::Result& result) {
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
    return application.exec();
}
