#include "records/MasterRecordDialog.h"

#include "app/LeadingNumber.h"
#include "app/ListHelpers.h"
#include "app/MessageService.h"
#include "app/RowListModel.h"
#include "app/RowListView.h"
#include "app/TextFormat.h"
#include "desk/AppServices.h"
#include "records/ByteLimitedLineEdit.h"
#include "records/ByteLimitedTextEdit.h"
#include "skin/DialogKeyboard.h"
#include "skin/PaintedText.h"

#include <QComboBox>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QMouseEvent>
#include <QPushButton>
#include <QVBoxLayout>

const QString MasterRecordDialog::NoRecordText = QStringLiteral("请选择要删除的商品!!");
const QString MasterRecordDialog::DeleteQuestion = QStringLiteral("真的要删除这个选项吗？");
const QString MasterRecordDialog::MemberAddQuestion = QStringLiteral("你确定所输入的资料吗?添加后卡号不能修改!");

using namespace Qt::StringLiterals;

namespace {

constexpr int CodeColumn = 0;
constexpr int PriceColumn = 4;
constexpr int QuantityColumn = 5;
constexpr int TotalColumn = 6; // the goods total, the member's card amount
constexpr int ProfileColumn = 7;

struct ModeTexts
{
    QString listName; // the widths of each mode's list are remembered apart
    QString caption;
    QStringList listCaptions;
    QStringList fieldLabels;
};

ModeTexts textsOf(RecordMode mode)
{
    switch (mode) {
    case RecordMode::Goods:
        return { QStringLiteral("goodsList"), QStringLiteral("商品库存管理"),
            { u"编号"_s, u"商品名称"_s, u"备注"_s, u"单位"_s, u"单价"_s, u"总量"_s, u"总额"_s, u"商品产地"_s,
                u"商品种类"_s },
            { u"商品编号:"_s, u"商品名称:"_s, u"商品备注:"_s, u"商品单位:"_s, u"商品单价:"_s, u"商品总数:"_s,
                u"商品总额:"_s, u"商品产地:"_s, u"商品种类:"_s } };
    case RecordMode::Staff:
        return { QStringLiteral("staffList"), QStringLiteral("员工资料管理"),
            { u"编号"_s, u"姓名"_s, u"性别"_s, u"年龄"_s, u"联系电话"_s, u"住址"_s, u"合同期限"_s, u"个人简介"_s,
                u"职称"_s },
            { u"员工编号:"_s, u"员工姓名:"_s, u"员工性别:"_s, u"员工年龄:"_s, u"员工电话:"_s, u"员工住址:"_s,
                u"合同期限:"_s, u"个人简介:"_s, u"员工职称:"_s } };
    case RecordMode::Members:
        return { QStringLiteral("memberList"), QStringLiteral("会员资料管理"),
            { u"会员卡号"_s, u"会员姓名"_s, u"性别"_s, u"年龄"_s, u"联系电话"_s, u"住址"_s, u"金额"_s, u"个人简介"_s,
                u"卡类型"_s },
            { u"会员卡号:"_s, u"会员姓名:"_s, u"会员性别:"_s, u"会员年龄:"_s, u"会员电话:"_s, u"会员住址:"_s,
                u"卡    分:"_s, u"个人简介:"_s, u"会卡类型:"_s } };
    }
    return {};
}

// Shows `text` in an editable combo box: the entry with exactly this text, or the text itself.
// A stored category is thus shown unchanged and saved unchanged.
void showInComboBox(QComboBox& box, const QString& text)
{
    const int entry = box.findText(text, Qt::MatchExactly);
    if (entry >= 0)
        box.setCurrentIndex(entry);
    box.setEditText(text);
}

} // namespace

MasterRecordDialog::MasterRecordDialog(RecordMode mode, AppServices& services, QWidget* parent)
    : QDialog(parent)
    , m_services(services)
    , m_store(services.database, mode)
    , m_list(new RowListView(this))
    , m_profile(new ByteLimitedTextEdit(RecordFieldByteLimits[ProfileColumn], this))
    , m_category(new QComboBox(this))
{
    const ModeTexts texts = textsOf(mode);
    setObjectName(QStringLiteral("masterRecordDialog"));
    setWindowTitle(texts.caption);
    MarkAsForm(this);

    m_list->setObjectName(QStringLiteral("recordList"));
    m_list->setLayoutKey(objectName() + u'/' + texts.listName);
    m_list->setColumns(texts.listCaptions + QStringList { QStringLiteral("id") });
    m_list->setColumnHidden(IdColumn, true);
    m_list->setMinimumSize(RecordColumnCount * RowListView::DefaultColumnWidth + 4, 420);
    m_list->viewport()->installEventFilter(this);
    connect(m_list, &QAbstractItemView::clicked, this, [this](const QModelIndex& index) { clickRow(index.row()); });

    m_category->setObjectName(QStringLiteral("str9Box"));
    m_category->setEditable(true);
    m_category->setInsertPolicy(QComboBox::NoInsert);
    m_category->addItems(RecordStore::categories(mode));
    m_category->setCurrentIndex(0);
    connect(m_category, &QComboBox::activated, this, &MasterRecordDialog::chooseCategory);

    auto* fields = new QGridLayout;
    fields->setVerticalSpacing(8);
    fields->setColumnMinimumWidth(1, 190);
    fields->addWidget(PaintedLabel(texts.fieldLabels[8], this), 0, 0);
    fields->addWidget(m_category, 0, 1);
    for (int column = 0; column < 7; ++column) {
        auto* edit = new ByteLimitedLineEdit(RecordFieldByteLimits[column], this);
        edit->setObjectName(QStringLiteral("str%1Edit").arg(column + 1));
        m_lines[column] = edit;
        fields->addWidget(PaintedLabel(texts.fieldLabels[column], this), column + 1, 0);
        fields->addWidget(edit, column + 1, 1);
    }
    if (mode == RecordMode::Goods) {
        fields->addWidget(PaintedLabel(QStringLiteral("元"), this), TotalColumn + 1, 2);
        connect(m_lines[PriceColumn], &QLineEdit::textEdited, this, &MasterRecordDialog::recomputeTotal);
        connect(m_lines[QuantityColumn], &QLineEdit::textEdited, this, &MasterRecordDialog::recomputeTotal);
    }
    m_profile->setObjectName(QStringLiteral("str8Edit"));
    m_profile->setFixedHeight(80);
    fields->addWidget(PaintedLabel(texts.fieldLabels[ProfileColumn], this), 8, 0, Qt::AlignTop);
    fields->addWidget(m_profile, 8, 1);

    auto* clearButton = new QPushButton(QStringLiteral("清空"), this);
    clearButton->setObjectName(QStringLiteral("clearButton"));
    auto* addButton = new QPushButton(QStringLiteral("添加"), this);
    addButton->setObjectName(QStringLiteral("addButton"));
    auto* modifyButton = new QPushButton(QStringLiteral("修改"), this);
    modifyButton->setObjectName(QStringLiteral("modifyButton"));
    auto* deleteButton = new QPushButton(QStringLiteral("删除"), this);
    deleteButton->setObjectName(QStringLiteral("deleteButton"));
    auto* okButton = new QPushButton(QStringLiteral("确定"), this);
    okButton->setObjectName(QStringLiteral("okButton"));
    auto* cancelButton = new QPushButton(QStringLiteral("取消"), this);
    cancelButton->setObjectName(QStringLiteral("cancelButton"));
    for (QPushButton* button : { clearButton, addButton, modifyButton, deleteButton, okButton, cancelButton }) {
        button->setMinimumSize(75, 25);
        button->setAutoDefault(false);
    }
    okButton->setDefault(true);
    connect(clearButton, &QPushButton::clicked, this, &MasterRecordDialog::clearFields);
    connect(addButton, &QPushButton::clicked, this, &MasterRecordDialog::addRecord);
    connect(modifyButton, &QPushButton::clicked, this, &MasterRecordDialog::modifyRecord);
    connect(deleteButton, &QPushButton::clicked, this, &MasterRecordDialog::deleteRecord);
    connect(okButton, &QPushButton::clicked, this, &QDialog::accept);
    connect(cancelButton, &QPushButton::clicked, this, &QDialog::reject);

    auto* editButtons = new QGridLayout;
    editButtons->addWidget(clearButton, 0, 0);
    editButtons->addWidget(addButton, 0, 1);
    editButtons->addWidget(modifyButton, 1, 0);
    editButtons->addWidget(deleteButton, 1, 1);
    auto* closeButtons = new QHBoxLayout;
    closeButtons->addStretch();
    closeButtons->addWidget(okButton);
    closeButtons->addWidget(cancelButton);

    auto* side = new QVBoxLayout;
    side->addLayout(fields);
    side->addSpacing(10);
    side->addLayout(editButtons);
    side->addStretch();
    side->addLayout(closeButtons);

    auto* layout = new QHBoxLayout(this);
    layout->addWidget(m_list, 1);
    layout->addLayout(side);

    fillList({});
}

bool MasterRecordDialog::eventFilter(QObject* watched, QEvent* event)
{
    // A click beside every row copies the texts of no row: the fields are emptied.
    if (watched == m_list->viewport() && event->type() == QEvent::MouseButtonRelease) {
        const auto* click = static_cast<QMouseEvent*>(event);
        if (!m_list->indexAt(click->position().toPoint()).isValid()) {
            m_list->clearSelection();
            showValues({});
        }
    }
    return QDialog::eventFilter(watched, event);
}

void MasterRecordDialog::inform(const QString& text, const QString& caption)
{
    if (!text.isEmpty())
        m_services.messages.inform(
            text, caption, caption.isEmpty() ? MessageService::Icon::Information : MessageService::Icon::Warning);
}

QStringList MasterRecordDialog::rowCells(const MasterRecord& record) const
{
    return record.values + QStringList { QString::number(record.id) };
}

void MasterRecordDialog::fillList(const QString& category)
{
    m_list->clearRows();
    QString error;
    const QList<MasterRecord> records
        = category.isEmpty() ? m_store.records(&error) : m_store.recordsOfCategory(category, &error);
    for (const MasterRecord& record : records)
        m_list->insertRow(rowCells(record), 0);
    inform(error);
}

void MasterRecordDialog::chooseCategory(int index)
{
    const QString category = m_category->itemText(index);
    fillList(category == RecordStore::AllCategories ? QString() : category);
}

void MasterRecordDialog::showValues(const QStringList& values)
{
    for (int column = 0; column < 7; ++column)
        m_lines[column]->setStoredText(values.value(column));
    m_profile->setStoredText(values.value(ProfileColumn));
    showInComboBox(*m_category, values.value(RecordColumnCount - 1));
}

QStringList MasterRecordDialog::readValues() const
{
    QStringList values;
    for (const ByteLimitedLineEdit* edit : m_lines)
        values << edit->text();
    values << m_profile->toPlainText() << m_category->currentText();
    return values;
}

void MasterRecordDialog::clickRow(int row)
{
    showValues(m_list->rows().row(row).mid(0, RecordColumnCount));
    if (mode() == RecordMode::Members) {
        // A card's number and the amount on it are not changed here.
        m_lines[CodeColumn]->setEnabled(false);
        m_lines[TotalColumn]->setEnabled(false);
    }
}

void MasterRecordDialog::clearFields()
{
    for (ByteLimitedLineEdit* edit : m_lines)
        edit->clear();
    m_profile->setStoredText({});
    // The record shown is forgotten too: 删除 and 修改 then have no record to act on.
    m_list->selectRow(-1);
}

void MasterRecordDialog::addRecord()
{
    const QStringList values = readValues();
    const RecordChange check = m_store.checkNew(values);
    if (!check.done) {
        inform(check.message, check.caption);
        return;
    }
    if (mode() == RecordMode::Members && !m_services.messages.ask(MemberAddQuestion))
        return;
    const RecordChange change = m_store.add(values);
    if (!change.done) {
        inform(change.message, change.caption);
        return;
    }
    m_lines[CodeColumn]->setStoredText(change.record.values[CodeColumn]);
    m_lines[1]->setStoredText(change.record.values[1]);
    m_list->insertRow(rowCells(change.record), 0);
    m_list->selectRow(0);
}

void MasterRecordDialog::modifyRecord()
{
    const int row = m_list->selectedRow();
    if (row < 0) {
        ReplaceSelectedRow(*m_list, {}, m_services.messages); // says that no row is selected
        return;
    }
    const RecordChange change = m_store.modify(m_list->rows().cell(row, IdColumn).toLongLong(), readValues());
    if (!change.done) {
        inform(change.message, change.caption);
        return;
    }
    m_list->rows().setRow(row, rowCells(change.record));
    showValues(change.record.values);
}

void MasterRecordDialog::deleteRecord()
{
    const int row = m_list->selectedRow();
    const qint64 id = row < 0 ? 0 : m_list->rows().cell(row, IdColumn).toLongLong();
    QString error;
    const std::optional<MasterRecord> record = id > 0 ? m_store.find(id, &error) : std::nullopt;
    if (!error.isEmpty()) {
        inform(error);
        return;
    }
    if (!record) {
        // Nothing to delete: a row that shows no stored record is dropped from the list.
        m_services.messages.inform(NoRecordText);
        DeleteSelectedRow(*m_list, m_services.messages);
        return;
    }
    if (!m_services.messages.ask(DeleteQuestion, QStringLiteral("警告"), MessageService::Icon::Warning))
        return;
    const RecordChange change = m_store.remove(id);
    if (!change.done) {
        inform(change.message, change.caption);
        return;
    }
    DeleteSelectedRow(*m_list, m_services.messages);
}

void MasterRecordDialog::recomputeTotal()
{
    const double total = LeadingReal(m_lines[PriceColumn]->text()) * LeadingReal(m_lines[QuantityColumn]->text());
    m_lines[TotalColumn]->setStoredText(AmountText(total));
}
