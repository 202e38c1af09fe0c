#include "skin/AboutDialog.h"

#include "skin/Artwork.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

AboutDialog::AboutDialog(QWidget* parent)
    : QDialog(parent)
{
    setObjectName(QStringLiteral("aboutDialog"));
    setWindowTitle(QStringLiteral("关于 Tavrel"));

    auto* picture = new QLabel(this);
    picture->setPixmap(Artwork::applicationIcon().pixmap(64, 64));
    auto* text = new QLabel(QStringLiteral("<b>Tavrel 1.21</b><br>桑拿足浴前台收银管理系统<br><br>"
                                           "Orvento 出品<br>版权所有 (C) Orvento"),
        this);
    auto* ok = new QPushButton(QStringLiteral("确定"), this);
    ok->setObjectName(QStringLiteral("okButton"));
    ok->setDefault(true);
    ok->setMinimumSize(75, 25);
    connect(ok, &QPushButton::clicked, this, &QDialog::accept);

    auto* top = new QHBoxLayout;
    top->addWidget(picture, 0, Qt::AlignTop);
    top->addSpacing(12);
    top->addWidget(text, 1);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(top);
    layout->addWidget(ok, 0, Qt::AlignRight);
}
