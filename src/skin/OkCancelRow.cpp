#include "skin/OkCancelRow.h"

#include <QDialog>
#include <QVBoxLayout>

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

void SetFieldsAndOkCancel(QDialog* dialog, QLayout* fields, QPushButton** ok)
{
    auto* layout = new QVBoxLayout(dialog);
    layout->setContentsMargins(24, 20, 24, 16);
    layout->setSpacing(16);
    layout->addLayout(fields);
    layout->addLayout(OkCancelRow(dialog, ok));
}
