// The floor of bench/startup.sh: a bare Qt window with one Chinese label, started and painted
// the way the desk starts and paints its board, reported in the same words:
//
//     BareWindow        prints "board shown after N ms" at its first paint, and quits

#include <QApplication>
#include <QElapsedTimer>
#include <QEvent>
#include <QLabel>
#include <QTimer>

#include <cstdio>

namespace {

class FirstPaint : public QObject
{
public:
    explicit FirstPaint(const QElapsedTimer& sinceStart)
        : m_sinceStart(sinceStart)
    { }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override
    {
        if (event->type() == QEvent::Paint && !m_seen) {
            m_seen = true;
            // After the paint itself, as the desk reports its board.
            QTimer::singleShot(0, [this] {
                std::printf("board shown after %lld ms\n", static_cast<long long>(m_sinceStart.elapsed()));
                std::fflush(stdout);
                QCoreApplication::exit(0);
            });
        }
        return QObject::eventFilter(watched, event);
    }

private:
    const QElapsedTimer& m_sinceStart;
    bool m_seen = false;
};

} // namespace

int main(int argc, char* argv[])
{
    QElapsedTimer sinceStart;
    sinceStart.start();
    if (!qEnvironmentVariableIsSet("FONTCONFIG_FILE"))
        qputenv("FONTCONFIG_FILE", TAVREL_FONTS_CONF);
    QApplication application(argc, argv);
    QLabel label(QStringLiteral("桑拿足浴前台收银"));
    label.setAlignment(Qt::AlignCenter);
    FirstPaint watcher(sinceStart);
    label.installEventFilter(&watcher);
    label.showMaximized();
    return application.exec();
}
