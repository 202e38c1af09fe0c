#include "users/AccountDialog.h"

#include "app/ListHelpers.h"
#include "app/MessageService.h"
#include "app/RowListModel.h"
#include "app/RowListView.h"
#include "desk/AppServices.h"
#include "desk/OperatorLog.h"
#include "skin/DialogKeyboard.h"
#include "skin/PaintedText.h"
#include "users/AccountStore.h"
#include "users/RoleBox.h"
#include "users/Roles.h"

#include <QComboBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QMouseEvent>
#include <QPushButton>
#include <QVBoxLayout>

const QString AccountDialog::MaskedPassword = QStringLiteral("******");
const QString AccountDialog::NoAccountText = QStringLiteral("请选择要删除的帐户!");
const QString AccountDialog::DeleteQuestion = QStringLiteral("真的要删除这个选项吗？");

namespace {

QPushButton* commandButton(const QString& text, const QString& objectName, QWidget* parent)
{
    auto* button = new QPushButton(text, parent);
    button->setObjectName(objectName);
    button->setMinimumSize(75, 25);
    button->setAutoDefault(false);
    return button;
}

void inform(MessageService& messages, const QString& text, const QString& caption = {})
{
    if (!text.isEmpty())
        messages.inform(
            text, caption, caption.isEmpty() ? MessageService::Icon::Information : MessageService::Icon::Warning);
}

// Makes an account change together with its row of the operator log: a change whose row
// cannot be written is undone, and the database's text is shown instead.
AccountChange changeLogged(AppServices& services, const std::function<AccountChange()>& change,
    const std::function<QString(const Account&)>& describe)
{
    AccountChange result;
    const Outcome<> stored = OperatorLog(services.database, services.session).record([&]() -> Outcome<LogEntry> {
        result = change();
        if (!result.done)
            return Refusal { result.message };
        return LogEntry { .kind = LogKind::Accounts, .description = describe(result.account) };
    });
    if (!stored && result.done)
        return AccountChange { false, stored.text(), {}, {} };
    return result;
}

QString accountText(int role, const Account& account)
{
    return QStringLiteral("%1帐户%2(%3)").arg(RoleName(role), account.login, account.name);
}

} // namespace

AccountDialog::AccountDialog(AppServices& services, QWidget* parent)
    : QDialog(parent)
    , m_services(services)
    , m_role(Cashier)
    , m_roleBox(NewRoleBox(this))
    , m_loginEdit(new QLineEdit(this))
    , m_passwordEdit(new QLineEdit(this))
    , m_nameEdit(new QLineEdit(this))
    , m_list(new RowListView(this))
{
    setObjectName(QStringLiteral("accountDialog"));
    setWindowTitle(QStringLiteral("用户帐户管理"));
    MarkAsForm(this);

    m_list->setObjectName(QStringLiteral("accountList"));
    m_list->setColumns({ QStringLiteral("帐号"), QStringLiteral("密码"), QStringLiteral("姓名"), QStringLiteral("权限"),
        QStringLiteral("id") });
    m_list->setColumnHidden(IdColumn, true);
    m_list->viewport()->installEventFilter(this);
    connect(m_list, &QAbstractItemView::clicked, this, [this](const QModelIndex& index) { showRow(index.row()); });

    connect(m_roleBox, &QComboBox::activated, this, &AccountDialog::chooseRole);

    m_loginEdit->setObjectName(QStringLiteral("loginEdit"));
    m_passwordEdit->setObjectName(QStringLiteral("passwordEdit"));
    m_nameEdit->setObjectName(QStringLiteral("nameEdit"));

    auto* listFrame = new QGroupBox(QStringLiteral("帐户列表"), this);
    auto* listLayout = new QVBoxLayout(listFrame);
    listLayout->addWidget(m_list);
    m_list->setMinimumSize(4 * RowListView::DefaultColumnWidth + 24, 260);

    auto* fields = new QGridLayout;
    fields->setVerticalSpacing(12);
    fields->addWidget(PaintedLabel(QStringLiteral("帐户类型:"), this), 0, 0);
    fields->addWidget(m_roleBox, 0, 1);
    fields->addWidget(PaintedLabel(QStringLiteral("帐\u3000\u3000号:"), this), 1, 0);
    fields->addWidget(m_loginEdit, 1, 1);
    fields->addWidget(PaintedLabel(QStringLiteral("密\u3000\u3000码:"), this), 2, 0);
    fields->addWidget(m_passwordEdit, 2, 1);
    fields->addWidget(PaintedLabel(QStringLiteral("姓\u3000\u3000名:"), this), 3, 0);
    fields->addWidget(m_nameEdit, 3, 1);
    fields->setColumnMinimumWidth(1, 150);

    auto* addButton = commandButton(QStringLiteral("添加"), QStringLiteral("addButton"), this);
    auto* deleteButton = commandButton(QStringLiteral("删除"), QStringLiteral("deleteButton"), this);
    auto* modifyButton = commandButton(QStringLiteral("修改"), QStringLiteral("modifyButton"), this);
    auto* okButton = commandButton(QStringLiteral("确定"), QStringLiteral("okButton"), this);
    okButton->setDefault(true);
    auto* cancelButton = commandButton(QStringLiteral("取消"), QStringLiteral("cancelButton"), this);
    connect(addButton, &QPushButton::clicked, this, &AccountDialog::addAccount);
    connect(deleteButton, &QPushButton::clicked, this, &AccountDialog::deleteAccount);
    connect(modifyButton, &QPushButton::clicked, this, &AccountDialog::modifyAccount);
    connect(okButton, &QPushButton::clicked, this, &QDialog::accept);
    connect(cancelButton, &QPushButton::clicked, this, &QDialog::reject);

    auto* editButtons = new QHBoxLayout;
    editButtons->addWidget(addButton);
    editButtons->addWidget(deleteButton);
    editButtons->addWidget(modifyButton);
    auto* closeButtons = new QHBoxLayout;
    closeButtons->addStretch();
    closeButtons->addWidget(okButton);
    closeButtons->addWidget(cancelButton);

    auto* side = new QVBoxLayout;
    side->addLayout(fields);
    side->addSpacing(12);
    side->addLayout(editButtons);
    side->addStretch();
    side->addLayout(closeButtons);

    auto* layout = new QHBoxLayout(this);
    layout->addWidget(listFrame, 1);
    layout->addLayout(side);

    m_shown = FieldSnapshot({ m_loginEdit, m_passwordEdit, m_nameEdit });
    fillList();
}

void AccountDialog::done(int result)
{
    if (MayDiscardTyping(m_services.messages, m_shown.changed()))
        QDialog::done(result);
}

bool AccountDialog::eventFilter(QObject* watched, QEvent* event)
{
    // A click beside every row empties the fields.
    if (watched == m_list->viewport() && event->type() == QEvent::MouseButtonRelease) {
        const auto* click = static_cast<QMouseEvent*>(event);
        if (!m_list->indexAt(click->position().toPoint()).isValid()) {
            m_list->clearSelection();
            clearFields();
        }
    }
    return QDialog::eventFilter(watched, event);
}

void AccountDialog::chooseRole(int index)
{
    const int role = RoleFromName(m_roleBox->itemText(index));
    if (role < 0)
        return;
    m_role = role;
    fillList();
}

QStringList AccountDialog::rowCells(qint64 id, const QString& login, const QString& name) const
{
    return { login, MaskedPassword, name, RoleName(m_role), QString::number(id) };
}

void AccountDialog::fillList()
{
    m_list->clearRows();
    QString error;
    const QList<Account> accounts = AccountStore(m_services.database).accounts(m_role, &error);
    for (const Account& account : accounts)
        m_list->insertRow(rowCells(account.id, account.login, account.name), 0);
    inform(m_services.messages, error);
}

void AccountDialog::showRow(int row)
{
    const QStringList cells = m_list->rows().row(row);
    m_loginEdit->setText(cells.value(LoginColumn));
    // The stored password is a hash: the field stays empty, and 修改 keeps the password then.
    m_passwordEdit->clear();
    m_nameEdit->setText(cells.value(NameColumn));
    ShowRole(m_roleBox, RoleFromName(cells.value(RoleColumn)));
    m_shown.take();
}

void AccountDialog::clearFields()
{
    m_loginEdit->clear();
    m_passwordEdit->clear();
    m_nameEdit->clear();
    m_shown.take();
}

qint64 AccountDialog::selectedId() const
{
    const int row = m_list->selectedRow();
    return row < 0 ? 0 : m_list->rows().cell(row, IdColumn).toLongLong();
}

void AccountDialog::addAccount()
{
    const AccountChange change = changeLogged(
        m_services,
        [&] {
            return AccountStore(m_services.database)
                .add(m_role, m_loginEdit->text(), m_passwordEdit->text(), m_nameEdit->text());
        },
        [this](const Account& added) -> QString { return QStringLiteral("添加") + accountText(m_role, added); });
    if (!change.done) {
        inform(m_services.messages, change.message, change.caption);
        return;
    }
    m_loginEdit->setText(change.account.login);
    m_list->insertRow(rowCells(change.account.id, change.account.login, change.account.name), 0);
    m_list->selectRow(0);
    m_shown.take();
}

void AccountDialog::modifyAccount()
{
    const int row = m_list->selectedRow();
    if (row < 0) {
        ReplaceSelectedRow(*m_list, {}, m_services.messages); // says that no row is selected
        return;
    }
    const bool passwordTyped = !m_passwordEdit->text().isEmpty();
    const AccountChange change = changeLogged(
        m_services,
        [&] {
            return AccountStore(m_services.database)
                .modify(m_role, selectedId(), m_loginEdit->text(), m_passwordEdit->text(), m_nameEdit->text());
        },
        [this, passwordTyped](const Account& changed) -> QString {
            return QStringLiteral("修改") + accountText(m_role, changed)
                + (passwordTyped ? QStringLiteral(",改了密码") : QString());
        });
    if (!change.done) {
        inform(m_services.messages, change.message, change.caption);
        return;
    }
    m_loginEdit->setText(change.account.login);
    m_list->rows().setRow(row, rowCells(change.account.id, change.account.login, change.account.name));
    m_shown.take();
}

void AccountDialog::deleteAccount()
{
    AccountStore store(m_services.database);
    const qint64 id = selectedId();
    QString error;
    const std::optional<Account> account = id > 0 ? store.find(m_role, id, &error) : std::nullopt;
    if (!error.isEmpty()) {
        inform(m_services.messages, error);
        return;
    }
    if (!account) {
        // Nothing to delete: a row that shows no stored account is dropped from the list.
        m_services.messages.inform(NoAccountText);
        DeleteSelectedRow(*m_list, m_services.messages);
        return;
    }
    const QString refusal = store.deleteRefusal(m_role, id, &error);
    if (!error.isEmpty() || !refusal.isEmpty()) {
        inform(m_services.messages, error.isEmpty() ? refusal : error);
        return;
    }
    if (!m_services.messages.ask(DeleteQuestion, QStringLiteral("警告"), MessageService::Icon::Warning))
        return;
    const AccountChange change = changeLogged(
        m_services, [&] { return store.remove(m_role, id); },
        [this, &account](const Account&) -> QString { return QStringLiteral("删除") + accountText(m_role, *account); });
    if (!change.done) {
        inform(m_services.messages, change.message, change.caption);
        return;
    }
    DeleteSelectedRow(*m_list, m_services.messages);
}
