#include "records/MasterRecordDialog.h"

#include "app/Database.h"
#include "app/DeskListView.h"
#include "app/ListHelpers.h"
#include "app/MessageService.h"
#include "app/Money.h"
#include "app/PagedTableModel.h"
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
#include <QScrollBar>
#include <QStyle>
#include <QTimer>
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
    QString searchHint; // what the search box looks in
};

ModeTexts textsOf(RecordMode mode)
{
    switch (mode) {
    case RecordMode::Goods:
        return { QStringLiteral("goodsList"), QStringLiteral("商品库存管理"),
            { u"编号"_s, u"商品名称"_s, u"备注"_s, u"单位"_s, u"单价"_s, u"总量"_s, u"总额"_s, u"商品产地"_s,
                u"商品种类"_s },
            { u"商品编号:"_s, u"商品名称:"_s, u"商品备注:"_s, u"商品单位:"_s, u"商品单价:"_s, u"商品总数:"_s,
                u"商品总额:"_s, u"商品产地:"_s, u"商品种类:"_s },
            u"编号或名称"_s };
    case RecordMode::Staff:
        return { QStringLiteral("staffList"), QStringLiteral("员工资料管理"),
            { u"编号"_s, u"姓名"_s, u"性别"_s, u"年龄"_s, u"联系电话"_s, u"住址"_s, u"合同期限"_s, u"个人简介"_s,
                u"职称"_s },
            { u"员工编号:"_s, u"员工姓名:"_s, u"员工性别:"_s, u"员工年龄:"_s, u"员工电话:"_s, u"员工住址:"_s,
                u"合同期限:"_s, u"个人简介:"_s, u"员工职称:"_s },
            u"编号或姓名"_s };
    case RecordMode::Members:
        return { QStringLiteral("memberList"), QStringLiteral("会员资料管理"),
            { u"会员卡号"_s, u"会员姓名"_s, u"性别"_s, u"年龄"_s, u"联系电话"_s, u"住址"_s, u"金额"_s, u"个人简介"_s,
                u"卡类型"_s },
            { u"会员卡号:"_s, u"会员姓名:"_s, u"会员性别:"_s, u"会员年龄:"_s, u"会员电话:"_s, u"会员住址:"_s,
                u"卡    分:"_s, u"个人简介:"_s, u"会卡类型:"_s },
            u"卡号、姓名或电话"_s };
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
    , m_filter(mode, services.database.dialect())
    , m_rows(new PagedTableModel(services.database, RecordStore::tableName(mode), RecordStore::columnNames(), {}, this))
    , m_list(new DeskListView(this))
    , m_search(new QLineEdit(this))
    , m_countTimer(new QTimer(this))
    , m_profile(new ByteLimitedTextEdit(RecordFieldByteLimits[ProfileColumn], this))
    , m_category(new QComboBox(this))
{
    const ModeTexts texts = textsOf(mode);
    setObjectName(QStringLiteral("masterRecordDialog"));
    setWindowTitle(texts.caption);
    MarkAsForm(this);

    // Newest first: ordered by the order the records were added in alone.
    m_rows->setHeaders(texts.listCaptions);
    m_list->setObjectName(QStringLiteral("recordList"));
    m_list->setLayoutKey(objectName() + u'/' + texts.listName);
    m_list->setModel(m_rows);
    m_list->setColumnWidths(QList<int>(RecordColumnCount, DeskListView::DefaultColumnWidth));
    // The nine columns whole beside the scroll bar that a long list has.
    m_list->setMinimumSize(RecordColumnCount * DeskListView::DefaultColumnWidth + 4
            + m_list->style()->pixelMetric(QStyle::PM_ScrollBarExtent, nullptr, m_list),
        420);
    m_list->viewport()->installEventFilter(this);
    connect(m_list, &QAbstractItemView::clicked, this, [this](const QModelIndex& index) { clickRow(index.row()); });
    connect(
        m_rows, &PagedTableModel::readFailed, this, [this](const QString& error) { inform(error); },
        Qt::QueuedConnection);
    m_countTimer->setSingleShot(true);
    m_countTimer->setInterval(0);
    connect(m_countTimer, &QTimer::timeout, this, &MasterRecordDialog::countRows);

    m_search->setObjectName(QStringLiteral("searchEdit"));
    m_search->setPlaceholderText(texts.searchHint);
    m_search->setClearButtonEnabled(true);
    auto* searchButton = new QPushButton(QStringLiteral("查找"), this);
    searchButton->setObjectName(QStringLiteral("searchButton"));
    searchButton->setMinimumSize(75, 25);
    searchButton->setAutoDefault(false);
    SetEnterButton(m_search, searchButton);
    connect(searchButton, &QPushButton::clicked, this, &MasterRecordDialog::search);
    // Emptying the box (its clear button, or the last character deleted) lists everything again.
    connect(m_search, &QLineEdit::textEdited, this, [this](const QString& text) {
        if (text.isEmpty() && !m_filter.searchText().isEmpty())
            search();
    });

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
    m_editButtons = editButtons;
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

    auto* searchRow = new QHBoxLayout;
    searchRow->addWidget(PaintedLabel(QStringLiteral("查找:"), this));
    searchRow->addWidget(m_search, 1);
    searchRow->addWidget(searchButton);
    auto* listSide = new QVBoxLayout;
    listSide->addLayout(searchRow);
    listSide->addWidget(m_list, 1);

    auto* layout = new QHBoxLayout(this);
    layout->addLayout(listSide, 1);
    layout->addLayout(side);

    QList<QWidget*> typed(m_lines.cbegin(), m_lines.cend());
    typed << m_profile;
    m_shown = FieldSnapshot(typed);
    fillList();
}

void MasterRecordDialog::offerTopUp(std::function<void(const QString& card)> open)
{
    if (mode() != RecordMode::Members || findChild<QPushButton*>(QStringLiteral("topUpButton")))
        return;
    auto* topUpButton = new QPushButton(QStringLiteral("充值"), this);
    topUpButton->setObjectName(QStringLiteral("topUpButton"));
    topUpButton->setMinimumSize(75, 25);
    topUpButton->setAutoDefault(false);
    m_editButtons->addWidget(topUpButton, 2, 0);
    connect(topUpButton, &QPushButton::clicked, this, [this, open = std::move(open)] {
        const int row = m_list->selectedRow();
        const QString card = row >= 0 ? m_rows->text(row, 0) : QString();
        if (card.trimmed().isEmpty()) {
            inform(QStringLiteral("请先选择要充值的会员!"));
            return;
        }
        open(card.trimmed());
    });
}

void MasterRecordDialog::done(int result)
{
    if (MayDiscardTyping(m_services.messages, m_shown.changed()))
        QDialog::done(result);
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

void MasterRecordDialog::fillList()
{
    m_countTimer->stop();
    const QString error = m_rows->setCondition(m_filter.condition(), m_filter.values());
    m_list->scrollToTop();
    inform(error);
    if (!m_rows->isCounted())
        m_countTimer->start();
}

void MasterRecordDialog::countRows()
{
    inform(m_rows->countRows());
}

void MasterRecordDialog::relist(int selectedRow)
{
    m_countTimer->stop();
    const int topRow = m_list->verticalScrollBar()->value();
    QString error = m_rows->setCondition(m_filter.condition(), m_filter.values());
    if (error.isEmpty())
        error = m_rows->countRows();
    if (!error.isEmpty()) {
        inform(error);
        return;
    }
    // The scroll bar takes the new length before it is moved back.
    m_list->doItemsLayout();
    m_list->verticalScrollBar()->setValue(selectedRow == 0 ? 0 : topRow);
    m_list->selectRow(selectedRow);
}

void MasterRecordDialog::search()
{
    m_filter.setSearchText(m_search->text());
    fillList();
}

void MasterRecordDialog::chooseCategory(int index)
{
    const QString category = m_category->itemText(index);
    m_filter.setCategory(category == RecordStore::AllCategories ? QString() : category);
    fillList();
}

void MasterRecordDialog::showValues(const QStringList& values)
{
    for (int column = 0; column < 7; ++column)
        m_lines[column]->setStoredText(values.value(column));
    m_profile->setStoredText(values.value(ProfileColumn));
    showInComboBox(*m_category, values.value(RecordColumnCount - 1));
    m_shown.take();
}

QStringList MasterRecordDialog::readValues() const
{
    QStringList values;
    for (const ByteLimitedLineEdit* edit : m_lines)
        values << edit->text();
    values << m_profile->toPlainText() << m_category->currentText();
    return values;
}

qint64 MasterRecordDialog::selectedRecordId() const
{
    const int row = m_list->selectedRow();
    return row < 0 ? 0 : m_rows->rowKey(row).toLongLong();
}

void MasterRecordDialog::clickRow(int row)
{
    QStringList values;
    for (int column = 0; column < RecordColumnCount; ++column)
        values << m_rows->text(row, column);
    showValues(values);
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
    m_shown.take();
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
    // The fields show what was stored: the code and name trimmed, a price in plain digits.
    for (const int column : { CodeColumn, 1, PriceColumn, QuantityColumn })
        m_lines[column]->setStoredText(change.record.values[column]);
    m_shown.take();
    // The newest record heads the list, whatever the category or search.
    m_filter.keep(change.record.id);
    relist(0);
}

void MasterRecordDialog::modifyRecord()
{
    const int row = m_list->selectedRow();
    if (row < 0) {
        m_services.messages.inform(NoRowSelectedText);
        return;
    }
    const RecordChange change = m_store.modify(selectedRecordId(), readValues());
    if (!change.done) {
        inform(change.message, change.caption);
        return;
    }
    // The changed record keeps its place, even when it no longer matches the list's filter.
    m_filter.keep(change.record.id);
    relist(row);
    showValues(change.record.values);
}

void MasterRecordDialog::deleteRecord()
{
    const int row = m_list->selectedRow();
    const qint64 id = selectedRecordId();
    QString error;
    const std::optional<MasterRecord> record = id > 0 ? m_store.find(id, &error) : std::nullopt;
    if (!error.isEmpty()) {
        inform(error);
        return;
    }
    if (!record) {
        // Nothing to delete: a row that shows no stored record leaves the list.
        m_services.messages.inform(NoRecordText);
        if (row < 0)
            m_services.messages.inform(NoRowSelectedText);
        else
            relist(-1);
        return;
    }
    if (!m_services.messages.ask(DeleteQuestion, QStringLiteral("警告"), MessageService::Icon::Warning))
        return;
    const RecordChange change = m_store.remove(id);
    if (!change.done) {
        inform(change.message, change.caption);
        return;
    }
    relist(-1);
}

void MasterRecordDialog::recomputeTotal()
{
    // Price times quantity, each as exactly as it is written, rounded once. While either is no
    // sane number the total stays empty; 添加 and 修改 say why.
    const std::optional<Money> total = GoodsTotal(m_lines[PriceColumn]->text(), m_lines[QuantityColumn]->text());
    m_lines[TotalColumn]->setStoredText(total ? total->text() : QString());
}
