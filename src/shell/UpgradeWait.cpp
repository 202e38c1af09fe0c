#include "shell/UpgradeWait.h"

#include "app/Database.h"

#include <QDialog>
#include <QEventLoop>
#include <QLabel>
#include <QProgressBar>
#include <QThread>
#include <QVBoxLayout>

#include <memory>

namespace {

// Says what is happening and cannot be closed: the upgrade is one transaction that goes on
// whatever the window does.
class WaitDialog : public QDialog
{
public:
    explicit WaitDialog(QWidget* parent)
        : QDialog(parent, Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint)
    {
        setObjectName(QString::fromLatin1(UpgradeWait::WindowName));
        setWindowTitle(QStringLiteral("升级数据库"));
        setModal(true);
        auto* text = new QLabel(QStringLiteral("正在把数据库升级到本程序的版本,\n"
                                               "数据多时需要一两分钟,请不要关闭程序或电脑。"),
            this);
        auto* busy = new QProgressBar(this);
        busy->setRange(0, 0); // moving, with no end known
        busy->setTextVisible(false);
        auto* layout = new QVBoxLayout(this);
        layout->addWidget(text);
        layout->addWidget(busy);
        setFixedSize(sizeHint().expandedTo(QSize(360, 0)));
    }

    void reject() override { } // Esc does not hide a wait that goes on
};

} // namespace

void UpgradeWait::upgrade(const QString& databasePath, QWidget* parent)
{
    const std::optional<int> version = Database::versionOf(databasePath);
    if (!version || *version <= 0 || *version >= Database::SchemaVersion)
        return;

    // The worker's own connection checks and migrates the file exactly as the desk's opening
    // would; the desk's connection then finds it current.
    std::unique_ptr<QThread> worker(QThread::create([databasePath] {
        Database upgrading;
        upgrading.open(databasePath);
    }));
    WaitDialog wait(parent);
    QEventLoop loop;
    QObject::connect(worker.get(), &QThread::finished, &loop, &QEventLoop::quit);
    worker->start();
    wait.show();
    loop.exec(QEventLoop::ExcludeUserInputEvents);
    worker->wait();
}
