#include "reports/SingleValueQueryDialog.h"

#include "skin/OkCancelRow.h"
#include "skin/PaintedText.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QVBoxLayout>

SingleValueQueryDialog::SingleValueQueryDialog(const QString& label, QWidget* parent)
    : QDialog(parent)
    , m_edit(new QLineEdit(this))
{
    setObjectName(QStringLiteral("singleValueQueryDialog"));
    setWindowTitle(QStringLiteral("查询"));

    m_edit->setObjectName(QStringLiteral("valueEdit"));
    m_edit->setMinimumWidth(160);

    auto* field = new QHBoxLayout;
    field->addWidget(PaintedLabel(label, this));
    field->addWidget(m_edit, 1);

    QPushButton* ok = nullptr;
    QHBoxLayout* buttons = OkCancelRow(this, &ok);
    connect(ok, &QPushButton::clicked, this, &QDialog::accept);

    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(20, 18, 16, 12);
    layout->setSpacing(16);
    layout->addLayout(field);
    layout->addLayout(buttons);
    setFixedSize(sizeHint().expandedTo(QSize(300, 0)));
    m_edit->setFocus();
}

QString SingleValueQueryDialog::value() const
{
    return m_edit->text();
}
