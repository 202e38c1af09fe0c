#include "shell/GuideWindow.h"

#include "skin/DialogButton.h"

#include <QDir>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QTextBrowser>
#include <QUrl>
#include <QVBoxLayout>

GuideWindow::GuideWindow(const QString& filePath, QWidget* parent)
    : QDialog(parent)
    , m_browser(new QTextBrowser(this))
{
    setObjectName(QStringLiteral("guideWindow"));
    setWindowTitle(QStringLiteral("软件使用说明"));
    setWindowFlag(Qt::WindowMaximizeButtonHint);

    m_browser->setObjectName(QStringLiteral("guideBrowser"));
    m_browser->setOpenLinks(true);
    m_browser->setOpenExternalLinks(false);
    m_browser->setSource(QUrl(QStringLiteral("qrc:/docs/guide.html")));

    auto* path = new QLabel(QStringLiteral("说明文件: %1").arg(QDir::toNativeSeparators(filePath)), this);
    path->setObjectName(QStringLiteral("guidePathLabel"));
    path->setTextInteractionFlags(Qt::TextSelectableByMouse);
    path->setWordWrap(true);
    QPushButton* close = NewDialogButton(QStringLiteral("关闭"), "closeButton", this);
    connect(close, &QPushButton::clicked, this, &QDialog::accept);

    auto* foot = new QHBoxLayout;
    foot->addWidget(path, 1);
    foot->addWidget(close);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(m_browser, 1);
    layout->addLayout(foot);
    resize(820, 600);
}
