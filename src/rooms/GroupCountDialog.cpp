#include "rooms/GroupCountDialog.h"

#include "app/SettingFile.h"
#include "app/SettingPlace.h"
#include "desk/AppServices.h"
#include "rooms/RoomNumbersFile.h"
#include "skin/OkCancelRow.h"

#include <QComboBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

GroupCountDialog::GroupCountDialog(AppServices& services, QWidget* parent)
    : QDialog(parent)
    , m_services(services)
    , m_box(new QComboBox(this))
    , m_storedCount(ReadSettingInt(services.settings, GroupCountFile.toString(), services.messages))
{
    setObjectName(QStringLiteral("groupCountDialog"));
    setWindowTitle(QStringLiteral("设定房间组数"));

    // The box's field shows the stored count; it cannot be typed into, so that a count
    // that would not be taken is never shown as if it were.
    m_box->setObjectName(QStringLiteral("groupCountBox"));
    m_box->setEditable(true);
    m_box->lineEdit()->setReadOnly(true);
    m_box->setInsertPolicy(QComboBox::NoInsert);
    m_box->addItems(
        { QStringLiteral("1"), QStringLiteral("2"), QStringLiteral("3"), QStringLiteral("4"), QStringLiteral("5") });
    m_box->setCurrentIndex(-1);
    m_box->setEditText(QString::number(m_storedCount));
    m_box->setMinimumWidth(80);
    connect(m_box, &QComboBox::activated, this, [this](int index) { m_chosen = index + 1; });

    QPushButton* ok = nullptr;
    QHBoxLayout* buttons = OkCancelRow(this, &ok);
    connect(ok, &QPushButton::clicked, this, &GroupCountDialog::confirm);

    auto* choice = new QHBoxLayout;
    choice->addWidget(new QLabel(QStringLiteral("选择房间组数"), this));
    choice->addWidget(m_box);
    choice->addWidget(new QLabel(QStringLiteral("组"), this));
    choice->addStretch(1);

    auto* note = new QHBoxLayout;
    auto* noteCaption = new QLabel(QStringLiteral("说明:"), this);
    noteCaption->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    auto* noteText = new QLabel(QStringLiteral("一组有40个房间,最多可设置\n五组,一共200个房间。"), this);
    noteText->setObjectName(QStringLiteral("noteLabel"));
    note->addWidget(noteCaption);
    note->addWidget(noteText, 1);

    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(16, 16, 16, 12);
    layout->setSpacing(12);
    layout->addLayout(choice);
    layout->addLayout(note);
    layout->addLayout(buttons);
    setFixedSize(sizeHint().expandedTo(QSize(300, 0)));
}

void GroupCountDialog::confirm()
{
    if (m_chosen >= 1 && m_chosen <= 5
        && WriteSettingInt(m_services.settings, GroupCountFile.toString(), m_chosen, m_services.messages)) {
        // The desk shows one group when the stored count is missing or out of range.
        const int shownGroups = m_storedCount >= 1 && m_storedCount <= 5 ? m_storedCount : 1;
        RoomNumbers::writeNewGroups(m_services.settings, shownGroups, m_chosen, m_services.messages);
    }
    accept();
}
