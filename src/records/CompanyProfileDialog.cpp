#include "records/CompanyProfileDialog.h"

#include "app/MessageService.h"
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
#include <QPushButton>
#include <QVBoxLayout>

CompanyProfileDialog::CompanyProfileDialog(AppServices& services, QWidget* parent)
    : QDialog(parent)
    , m_services(services)
    , m_area(new QComboBox(this))
    , m_areaText(new ByteLimitedLineEdit(CompanyProfileLimits::Area, m_area))
    , m_name(addLine(QStringLiteral("nameEdit"), CompanyProfileLimits::Name))
    , m_address(addLine(QStringLiteral("addressEdit"), CompanyProfileLimits::Address))
    , m_tel(addLine(QStringLiteral("telEdit"), CompanyProfileLimits::Tel))
    , m_fax(addLine(QStringLiteral("faxEdit"), CompanyProfileLimits::Fax))
    , m_postcode(addLine(QStringLiteral("postcodeEdit"), CompanyProfileLimits::Postcode))
    , m_person(addLine(QStringLiteral("personEdit"), CompanyProfileLimits::Person))
    , m_email(addLine(QStringLiteral("emailEdit"), CompanyProfileLimits::Email))
    , m_homepage(addLine(QStringLiteral("homepageEdit"), CompanyProfileLimits::Homepage))
    , m_about(new ByteLimitedTextEdit(CompanyProfileLimits::About, this))
{
    setObjectName(QStringLiteral("companyProfileDialog"));
    setWindowTitle(QStringLiteral("公司资料修改"));
    MarkAsForm(this);

    m_area->setObjectName(QStringLiteral("areaBox"));
    m_area->setLineEdit(m_areaText);
    m_area->setInsertPolicy(QComboBox::NoInsert);
    m_area->setMaxVisibleItems(15);
    m_area->addItems(RegionChoices());
    m_area->setCurrentIndex(0);
    m_about->setObjectName(QStringLiteral("aboutEdit"));
    m_about->setFixedHeight(90);

    const QList<QPair<QString, QWidget*>> rows = {
        { QStringLiteral("所属地区:"), m_area },
        { QStringLiteral("企业名称:"), m_name },
        { QStringLiteral("地\u3000\u3000址:"), m_address },
        { QStringLiteral("电\u3000\u3000话:"), m_tel },
        { QStringLiteral("传\u3000\u3000真:"), m_fax },
        { QStringLiteral("邮政编码:"), m_postcode },
        { QStringLiteral("联 系 人:"), m_person },
        { QStringLiteral("电子邮件:"), m_email },
        { QStringLiteral("单位主页:"), m_homepage },
        { QStringLiteral("单位介绍:"), m_about },
    };
    auto* fields = new QGridLayout;
    fields->setVerticalSpacing(8);
    fields->setHorizontalSpacing(10);
    fields->setColumnMinimumWidth(1, 300);
    for (int i = 0; i < rows.size(); ++i) {
        fields->addWidget(
            PaintedLabel(rows[i].first, this), i, 0, rows[i].second == m_about ? Qt::AlignTop : Qt::Alignment());
        fields->addWidget(rows[i].second, i, 1);
    }

    auto* okButton = new QPushButton(QStringLiteral("确定"), this);
    okButton->setObjectName(QStringLiteral("okButton"));
    auto* cancelButton = new QPushButton(QStringLiteral("取消"), this);
    cancelButton->setObjectName(QStringLiteral("cancelButton"));
    for (QPushButton* button : { okButton, cancelButton }) {
        button->setMinimumSize(75, 25);
        button->setAutoDefault(false);
    }
    okButton->setDefault(true);
    connect(okButton, &QPushButton::clicked, this, &CompanyProfileDialog::save);
    connect(cancelButton, &QPushButton::clicked, this, &QDialog::reject);
    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(okButton);
    buttons->addWidget(cancelButton);

    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(20, 16, 20, 12);
    layout->setSpacing(14);
    layout->addLayout(fields);
    layout->addLayout(buttons);

    QString error;
    if (const std::optional<CompanyProfile> profile = LoadCompanyProfile(m_services.database, &error))
        showProfile(*profile);
    if (!error.isEmpty())
        m_services.messages.inform(error, {}, MessageService::Icon::Warning);
}

ByteLimitedLineEdit* CompanyProfileDialog::addLine(const QString& objectName, int byteLimit)
{
    auto* edit = new ByteLimitedLineEdit(byteLimit, this);
    edit->setObjectName(objectName);
    return edit;
}

void CompanyProfileDialog::showProfile(const CompanyProfile& profile)
{
    // The stored region is shown as stored, whether or not it is one of the list's entries.
    const int entry = m_area->findText(profile.area, Qt::MatchExactly);
    if (entry >= 0)
        m_area->setCurrentIndex(entry);
    m_areaText->setStoredText(profile.area);
    m_name->setStoredText(profile.name);
    m_address->setStoredText(profile.address);
    m_tel->setStoredText(profile.tel);
    m_fax->setStoredText(profile.fax);
    m_postcode->setStoredText(profile.postcode);
    m_person->setStoredText(profile.person);
    m_email->setStoredText(profile.email);
    m_homepage->setStoredText(profile.homepage);
    m_about->setStoredText(profile.about);
}

CompanyProfile CompanyProfileDialog::shownProfile() const
{
    return { m_area->currentText(), m_name->text(), m_address->text(), m_tel->text(), m_fax->text(), m_postcode->text(),
        m_person->text(), m_email->text(), m_homepage->text(), m_about->toPlainText() };
}

void CompanyProfileDialog::save()
{
    const CompanyProfile profile = shownProfile();
    const QString refusal = CompanyProfileRefusal(profile);
    if (!refusal.isEmpty()) {
        m_services.messages.inform(refusal);
        return;
    }
    // What could not be saved stays on screen, to be saved again (say, once the server's
    // connection is back).
    if (const QString error = SaveCompanyProfile(m_services.database, profile); !error.isEmpty()) {
        m_services.messages.inform(error, {}, MessageService::Icon::Warning);
        return;
    }
    accept();
}
