#include "skin/OkCancelRow.h"

#include <QDialog>

QHBoxLayout* OkCancelRow(QDialog* dialog, QPushButton** ok)
{
    auto* okButton = new QPushButton(QStringLiteral("确定"), dialog);
    okButton->setObjectName(QStringLiteral("okButton"));
    okButton->setDefault(true);
    auto* cancelButton = new QPushButton(QStringLiteral("取消"), dialog);
    cancelButton->setObjectName(QStringLiteral("cancelButton"));
    QObject::connect(cancelButton, &QPushButton::clicked, dialog, &QDialog::reject);

    auto* row = new QHBoxLayout;
    row->addStretch(1);
    row->addWidget(okButton);
    row->addWidget(cancelButton);
    *ok = okButton;
    return row;
}
