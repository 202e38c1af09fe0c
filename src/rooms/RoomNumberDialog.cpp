#include "rooms/RoomNumberDialog.h"

#include "skin/OkCancelRow.h"
#include "skin/PaintedText.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRegularExpressionValidator>
#include <QVBoxLayout>

RoomNumberDialog::RoomNumberDialog(Mode mode, QWidget* parent)
    : QDialog(parent)
    , m_mode(mode)
    , m_edit(new QLineEdit(this))
{
    setObjectName(QStringLiteral("roomNumberDialog"));
    setWindowTitle(QStringLiteral("设置房间号"));

    auto* caption = new QLabel(mode == Mode::Number ? QStringLiteral("房间编号:") : QStringLiteral("房间座位:"), this);
    caption->setObjectName(QStringLiteral("captionLabel"));
    caption->setFont(PaintedFont());

    m_edit->setObjectName(QStringLiteral("numberEdit"));
    m_edit->setValidator(
        new QRegularExpressionValidator(QRegularExpression(QStringLiteral("[0-9]{0,%1}").arg(MaxDigits)), m_edit));
    m_edit->setMaxLength(MaxDigits);
    m_edit->setMinimumWidth(110);

    QPushButton* ok = nullptr;
    QHBoxLayout* buttons = OkCancelRow(this, &ok);
    connect(ok, &QPushButton::clicked, this, &QDialog::accept);

    auto* entry = new QHBoxLayout;
    entry->addWidget(caption);
    entry->addWidget(m_edit, 1);
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(16, 16, 16, 12);
    layout->setSpacing(14);
    layout->addLayout(entry);
    layout->addLayout(buttons);
    setFixedSize(sizeHint().expandedTo(QSize(260, 0)));
}

QString RoomNumberDialog::enteredText() const
{
    return m_edit->text();
}
