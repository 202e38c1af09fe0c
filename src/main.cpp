#include "app/Clock.h"
#include "shell/ApplicationIdentity.h"
#include "shell/BellAlertSound.h"
#include "shell/DeskApplication.h"
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
    desk.showBoard([&] {
        if (!parser.isSet(reportStart))
            return;
        std::printf("board shown after %lld ms\n", static_cast<long long>(sinceStart.elapsed()));
        std::fflush(stdout);
        QCoreApplication::exit(0); // without the question of a closing window
    });
    SplashScreen splash;
    splash.showOver(desk.mainWindow());
    return application.exec();
}
