#include "rooms/QuickNumberingDialog.h"

#include "app/LeadingNumber.h"
#include "app/MessageService.h"
#include "skin/DialogKeyboard.h"
#include "skin/OkCancelRow.h"
#include "skin/PaintedText.h"

#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QRegularExpressionValidator>
#include <QVBoxLayout>

namespace {

QLineEdit* numberBox(const QString& objectName, const QString& text, QWidget* parent)
{
    auto* box = new QLineEdit(text, parent);
    box->setObjectName(objectName);
    box->setValidator(new QRegularExpressionValidator(QRegularExpression(QStringLiteral("[0-9]{0,3}")), box));
    box->setMaxLength(3);
    box->setFixedWidth(70);
    return box;
}

} // namespace

QuickNumberingDialog::QuickNumberingDialog(MessageService& messages, QWidget* parent)
    : QDialog(parent)
    , m_messages(messages)
    , m_startEdit(numberBox(QStringLiteral("startEdit"), QStringLiteral("0"), this))
    , m_endEdit(numberBox(QStringLiteral("endEdit"), QStringLiteral("0"), this))
    , m_unwantedEdit(numberBox(QStringLiteral("unwantedEdit"), QString(), this))
    , m_unwantedList(new QListWidget(this))
{
    setObjectName(QStringLiteral("quickNumberingDialog"));
    setWindowTitle(QStringLiteral("房间编号设置"));

    m_unwantedList->setObjectName(QStringLiteral("unwantedList"));
    m_unwantedList->setSortingEnabled(true);
    m_unwantedList->setFixedHeight(120);

    auto* add = new QPushButton(QStringLiteral("增加"), this);
    add->setObjectName(QStringLiteral("addButton"));
    auto* remove = new QPushButton(QStringLiteral("删除"), this);
    remove->setObjectName(QStringLiteral("removeButton"));
    QPushButton* ok = nullptr;
    QHBoxLayout* buttons = OkCancelRow(this, &ok);
    connect(add, &QPushButton::clicked, this, &QuickNumberingDialog::addUnwanted);
    connect(remove, &QPushButton::clicked, this, &QuickNumberingDialog::removeUnwanted);
    connect(ok, &QPushButton::clicked, this, &QuickNumberingDialog::confirm);
    SetEnterButton(m_unwantedEdit, add);

    auto* range = new QHBoxLayout;
    range->addWidget(PaintedLabel(QStringLiteral("开始编号:"), this));
    range->addWidget(m_startEdit);
    range->addWidget(PaintedLabel(QStringLiteral("-"), this));
    range->addWidget(m_endEdit);
    range->addStretch(1);

    auto* unwantedButtons = new QVBoxLayout;
    unwantedButtons->addWidget(m_unwantedEdit);
    unwantedButtons->addWidget(add);
    unwantedButtons->addWidget(remove);
    unwantedButtons->addStretch(1);
    auto* unwanted = new QHBoxLayout;
    unwanted->addLayout(unwantedButtons);
    unwanted->addWidget(m_unwantedList, 1);

    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(16, 16, 16, 12);
    layout->setSpacing(10);
    layout->addLayout(range);
    layout->addSpacing(6);
    layout->addWidget(PaintedLabel(QStringLiteral("删除不需要的编号:"), this));
    layout->addLayout(unwanted);
    layout->addSpacing(6);
    layout->addLayout(buttons);
    setFixedSize(sizeHint().expandedTo(QSize(300, 0)));
}

bool QuickNumberingDialog::addUnwanted()
{
    const QString text = m_unwantedEdit->text();
    m_unwantedEdit->clear();
    if (text.isEmpty())
        return true;
    const int value = LeadingInt(text);
    const int start = LeadingInt(m_startEdit->text());
    const int end = LeadingInt(m_endEdit->text());
    if (value < start || value > end) {
        m_messages.inform(OutOfRangeText);
        return false;
    }
    const QString entry = QString::number(value);
    if (!m_unwantedList->findItems(entry, Qt::MatchExactly).isEmpty())
        return true;
    if (m_unwantedList->count() >= MaxUnwanted) {
        m_messages.inform(TooManyText);
        return false;
    }
    m_unwantedList->addItem(entry);
    return true;
}

void QuickNumberingDialog::removeUnwanted()
{
    const int row = m_unwantedList->currentRow();
    if (row < 0 || !m_unwantedList->currentItem()->isSelected())
        return;
    delete m_unwantedList->takeItem(row);
}

std::optional<int> QuickNumberingDialog::boxNumber(QLineEdit* box)
{
    bool isNumber = false;
    const int value = box->text().toInt(&isNumber);
    if (!isNumber || value < 0 || value > MaxNumber) {
        m_messages.inform(RangeText);
        box->setFocus();
        box->selectAll();
        return std::nullopt;
    }
    return value;
}

void QuickNumberingDialog::confirm()
{
    const std::optional<int> start = boxNumber(m_startEdit);
    if (!start)
        return;
    const std::optional<int> end = boxNumber(m_endEdit);
    if (!end)
        return;
    if (*start >= *end) {
        m_messages.inform(WrongOrderText);
        m_start = m_end = 0;
        m_startEdit->setText(QStringLiteral("0"));
        m_endEdit->setText(QStringLiteral("0"));
        return;
    }
    // A number still in the box of unwanted numbers is meant to be skipped: take it as "增加"
    // would, and stay open when it cannot be taken.
    if (!addUnwanted())
        return;
    m_start = *start;
    m_end = *end;
    m_unwanted.clear();
    for (int row = 0; row < m_unwantedList->count(); ++row)
        m_unwanted.append(LeadingInt(m_unwantedList->item(row)->text()));
    accept();
}
