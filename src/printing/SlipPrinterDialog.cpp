#include "printing/SlipPrinterDialog.h"

#include "app/Clock.h"
#include "app/FileChooser.h"
#include "app/MessageService.h"
#include "app/TextFormat.h"
#include "desk/AppServices.h"
#include "desk/DeskSession.h"
#include "printing/EscPos.h"
#include "printing/SlipPdf.h"
#include "printing/SlipSending.h"
#include "printing/ThermalSlip.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDir>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSpinBox>
#include <QVBoxLayout>

namespace {

QPushButton* newButton(const QString& text, const char* objectName, QWidget* parent)
{
    auto* button = new QPushButton(text, parent);
    button->setObjectName(QString::fromLatin1(objectName));
    button->setAutoDefault(false);
    return button;
}

// What each way of reaching the printer needs, under the fields.
QString kindHint(SlipDestination::Kind kind)
{
    switch (kind) {
    case SlipDestination::Kind::None:
        return QStringLiteral("不使用小票打印机:结算后用普通打印机打印小票。");
    case SlipDestination::Kind::Queue:
        return QStringLiteral("CUPS 中为小票打印机建一个 raw 队列(不用驱动),填写队列名称。");
    case SlipDestination::Kind::Device:
        return QStringLiteral("USB 小票打印机的设备文件,一般是 /dev/usb/lp0;操作员须有写入它的权限(lp 组)。");
    case SlipDestination::Kind::Network:
        return QStringLiteral("网口小票打印机的 IP 地址,端口一般是 9100。");
    }
    return {};
}

} // namespace

SlipPrinterDialog::SlipPrinterDialog(AppServices& services, QWidget* parent)
    : QDialog(parent)
    , m_services(services)
    , m_widthBox(new QComboBox(this))
    , m_kindBox(new QComboBox(this))
    , m_queueEdit(new QLineEdit(this))
    , m_deviceEdit(new QLineEdit(this))
    , m_hostEdit(new QLineEdit(this))
    , m_portBox(new QSpinBox(this))
    , m_drawerCheck(new QCheckBox(QStringLiteral("现金付款时打开钱箱"), this))
    , m_qrEdit(new QLineEdit(this))
    , m_hint(new QLabel(this))
{
    setObjectName(QStringLiteral("slipPrinterDialog"));
    setWindowTitle(QStringLiteral("打印机设置"));

    m_widthBox->setObjectName(QStringLiteral("widthBox"));
    m_widthBox->addItem(QStringLiteral("58 mm(每行 32 个字符)"), 58);
    m_widthBox->addItem(QStringLiteral("80 mm(每行 48 个字符)"), 80);
    m_kindBox->setObjectName(QStringLiteral("kindBox"));
    m_kindBox->addItems({ QStringLiteral("不使用小票打印机"), QStringLiteral("CUPS 打印队列"),
        QStringLiteral("USB 设备"), QStringLiteral("网络打印机") });
    m_queueEdit->setObjectName(QStringLiteral("queueEdit"));
    m_deviceEdit->setObjectName(QStringLiteral("deviceEdit"));
    m_hostEdit->setObjectName(QStringLiteral("hostEdit"));
    m_hostEdit->setPlaceholderText(QStringLiteral("例如 192.168.1.100"));
    m_portBox->setObjectName(QStringLiteral("portBox"));
    m_portBox->setRange(1, 65535);
    m_drawerCheck->setObjectName(QStringLiteral("drawerCheck"));
    m_qrEdit->setObjectName(QStringLiteral("qrEdit"));
    m_qrEdit->setPlaceholderText(QStringLiteral("空着不打印二维码"));
    m_qrEdit->setMaxLength(EscPos::MaxQrBytes);
    m_hint->setObjectName(QStringLiteral("hintLabel"));
    m_hint->setWordWrap(true);

    auto* form = new QFormLayout;
    form->addRow(QStringLiteral("纸宽:"), m_widthBox);
    form->addRow(QStringLiteral("连接方式:"), m_kindBox);
    form->addRow(QStringLiteral("打印队列:"), m_queueEdit);
    form->addRow(QStringLiteral("设备文件:"), m_deviceEdit);
    auto* address = new QHBoxLayout;
    address->addWidget(m_hostEdit, 1);
    address->addWidget(new QLabel(QStringLiteral("端口:"), this));
    address->addWidget(m_portBox);
    form->addRow(QStringLiteral("网络地址:"), address);
    form->addRow(QString(), m_hint);
    form->addRow(QString(), m_drawerCheck);
    form->addRow(QStringLiteral("二维码内容:"), m_qrEdit);

    auto* buttons = new QHBoxLayout;
    QPushButton* test = newButton(QStringLiteral("测试打印"), "testButton", this);
    QPushButton* pdf = newButton(QStringLiteral("存为PDF…"), "pdfButton", this);
    QPushButton* ok = newButton(QStringLiteral("确定"), "okButton", this);
    QPushButton* cancel = newButton(QStringLiteral("取消"), "cancelButton", this);
    ok->setDefault(true);
    buttons->addWidget(test);
    buttons->addWidget(pdf);
    buttons->addStretch(1);
    buttons->addWidget(ok);
    buttons->addWidget(cancel);

    auto* layout = new QVBoxLayout(this);
    layout->addLayout(form);
    layout->addSpacing(8);
    layout->addLayout(buttons);
    setMinimumWidth(460);

    const SlipSettings stored = SlipSettings::load();
    m_widthBox->setCurrentIndex(stored.rollWidth == 58 ? 0 : 1);
    m_kindBox->setCurrentIndex(int(stored.where.kind));
    m_queueEdit->setText(stored.where.queue);
    m_deviceEdit->setText(stored.where.device);
    m_hostEdit->setText(stored.where.host);
    m_portBox->setValue(stored.where.port);
    m_drawerCheck->setChecked(stored.drawerOnCash);
    m_qrEdit->setText(stored.qrText);
    showKind();

    connect(m_kindBox, &QComboBox::currentIndexChanged, this, &SlipPrinterDialog::showKind);
    connect(test, &QPushButton::clicked, this, &SlipPrinterDialog::testPrint);
    connect(pdf, &QPushButton::clicked, this, &SlipPrinterDialog::savePdf);
    connect(ok, &QPushButton::clicked, this, &SlipPrinterDialog::accept);
    connect(cancel, &QPushButton::clicked, this, &SlipPrinterDialog::reject);
}

SlipSettings SlipPrinterDialog::settings() const
{
    SlipSettings settings;
    settings.rollWidth = m_widthBox->currentData().toInt();
    settings.where.kind = SlipDestination::Kind(std::max(0, m_kindBox->currentIndex()));
    settings.where.queue = m_queueEdit->text().trimmed();
    settings.where.device = m_deviceEdit->text().trimmed();
    settings.where.host = m_hostEdit->text().trimmed();
    settings.where.port = m_portBox->value();
    settings.drawerOnCash = m_drawerCheck->isChecked();
    settings.qrText = m_qrEdit->text().trimmed();
    return settings;
}

void SlipPrinterDialog::showKind()
{
    const auto kind = SlipDestination::Kind(std::max(0, m_kindBox->currentIndex()));
    m_queueEdit->setEnabled(kind == SlipDestination::Kind::Queue);
    m_deviceEdit->setEnabled(kind == SlipDestination::Kind::Device);
    m_hostEdit->setEnabled(kind == SlipDestination::Kind::Network);
    m_portBox->setEnabled(kind == SlipDestination::Kind::Network);
    m_drawerCheck->setEnabled(kind != SlipDestination::Kind::None);
    m_hint->setText(kindHint(kind));
}

ThermalSlip SlipPrinterDialog::testSlip(const SlipSettings& settings, const QString& companyName)
{
    ThermalSlip slip(settings.columns());
    slip.heading(companyName.isEmpty() ? QStringLiteral("测试打印") : companyName);
    slip.centred(QStringLiteral("小票打印机测试"));
    slip.rule(u'=');
    QString ruler;
    for (int column = 1; column <= settings.columns(); ++column)
        ruler += QChar(u'0' + column % 10);
    slip.line(ruler);
    slip.line(QString(settings.columns() / 2, u'中'));
    slip.pair(QStringLiteral("纸宽:"), QStringLiteral("%1 mm / %2 列").arg(settings.rollWidth).arg(settings.columns()));
    slip.pair(QStringLiteral("金额:"), QStringLiteral("￥1234.50"));
    slip.pair(QStringLiteral("ASCII:"), QStringLiteral("ABC abc 0123"));
    slip.rule();
    slip.centred(QStringLiteral("上面两行应一样宽,整行不换行"));
    slip.qr(settings.qrText);
    return slip;
}

void SlipPrinterDialog::testPrint()
{
    const SlipSettings typed = settings();
    if (!typed.isSet()) {
        m_services.messages.inform(
            QStringLiteral("请先选择小票打印机的连接方式;没有打印机时可以按“存为PDF”看小票的样子。"));
        return;
    }
    const Outcome<> sent
        = SendSlipAside(m_services.slips, typed.where, testSlip(typed, m_services.session.companyName()).bytes());
    if (sent)
        m_services.messages.inform(QStringLiteral("测试小票已送到打印机。"));
    else
        m_services.messages.inform(QStringLiteral("测试打印失败:") + sent.text(), {}, MessageService::Icon::Warning);
}

void SlipPrinterDialog::savePdf()
{
    const SlipSettings typed = settings();
    const std::optional<QString> path = m_services.files.chooseSaveFile(this, QStringLiteral("存为PDF"),
        QDir::current().absoluteFilePath(QStringLiteral("小票样张-%1mm.pdf").arg(typed.rollWidth)),
        QStringLiteral("PDF 文件 (*.pdf)"));
    if (!path)
        return;
    if (!SlipPdf::write(testSlip(typed, m_services.session.companyName()), typed.rollWidth, *path))
        m_services.messages.inform(QStringLiteral("无法写入文件:\n%1").arg(QDir::toNativeSeparators(*path)), {},
            MessageService::Icon::Warning);
}

void SlipPrinterDialog::accept()
{
    const SlipSettings typed = settings();
    QString missing;
    if (typed.where.kind == SlipDestination::Kind::Queue && typed.where.queue.isEmpty())
        missing = QStringLiteral("请填写打印队列的名称!");
    else if (typed.where.kind == SlipDestination::Kind::Device && typed.where.device.isEmpty())
        missing = QStringLiteral("请填写设备文件,例如 /dev/usb/lp0!");
    else if (typed.where.kind == SlipDestination::Kind::Network && typed.where.host.isEmpty())
        missing = QStringLiteral("请填写网络打印机的地址!");
    if (!missing.isEmpty()) {
        m_services.messages.inform(missing);
        return;
    }
    if (!typed.save()) {
        m_services.messages.inform(
            QStringLiteral("无法保存打印机设置(%1)。").arg(SlipSettings::FileName), {}, MessageService::Icon::Warning);
        return;
    }
    QDialog::accept();
}
