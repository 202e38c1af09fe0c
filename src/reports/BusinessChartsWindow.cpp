#include "reports/BusinessChartsWindow.h"

#include "app/Clock.h"
#include "app/FileChooser.h"
#include "app/MessageService.h"
#include "app/PrinterChooser.h"
#include "app/SetbackMessage.h"
#include "app/TextFormat.h"
#include "desk/AppServices.h"
#include "desk/DeskSession.h"
#include "printing/ExportRunner.h"
#include "printing/PageDrawing.h"
#include "skin/PaintedText.h"

#include <QChart>
#include <QChartView>
#include <QComboBox>
#include <QDateEdit>
#include <QDir>
#include <QHBoxLayout>
#include <QListWidget>
#include <QPainter>
#include <QPrinter>
#include <QPushButton>
#include <QVBoxLayout>

namespace {

QPushButton* newButton(const QString& text, const char* objectName, QWidget* parent)
{
    auto* button = new QPushButton(text, parent);
    button->setObjectName(QString::fromLatin1(objectName));
    button->setMinimumSize(75, 25);
    button->setAutoDefault(false);
    return button;
}

QDateEdit* newDateEdit(const char* objectName, QWidget* parent)
{
    auto* edit = new QDateEdit(parent);
    edit->setObjectName(QString::fromLatin1(objectName));
    edit->setDisplayFormat(QStringLiteral("yyyy-MM-dd"));
    edit->setCalendarPopup(true);
    return edit;
}

// Fills `kept` from `read` unless it holds the figures of `period` already; false when the read
// failed, which has been reported.
template <typename Kept, typename Read>
bool keepFigures(std::optional<Kept>& kept, const BusinessFigures::Period& period, MessageService& messages, Read read)
{
    if (kept && kept->period == period)
        return true;
    const auto found = read();
    if (!found) {
        ShowSetback(messages, found);
        return false;
    }
    kept = Kept { period, found.value() };
    return true;
}

} // namespace

BusinessChartsWindow::BusinessChartsWindow(AppServices& services, QWidget* parent)
    : QDialog(parent)
    , m_services(services)
    , m_presets(new QComboBox(this))
    , m_first(newDateEdit("firstDateEdit", this))
    , m_last(newDateEdit("lastDateEdit", this))
    , m_charts(new QListWidget(this))
    , m_view(new QChartView(this))
{
    setObjectName(QStringLiteral("businessChartsWindow"));
    setWindowTitle(QStringLiteral("营业图表"));

    m_presets->setObjectName(QStringLiteral("presetBox"));
    m_presets->addItems({ QStringLiteral("最近30天"), QStringLiteral("本月"), QStringLiteral("上月"),
        QStringLiteral("本年"), QStringLiteral("最近一年"), QStringLiteral("自定义") });
    connect(m_presets, &QComboBox::activated, this, [this](int index) {
        if (index < CustomPreset)
            choosePreset(Preset(index));
    });
    // Dates typed by hand are a period of their own: the box no longer names a usual one.
    for (QDateEdit* edit : { m_first, m_last })
        connect(edit, &QDateEdit::dateChanged, this, [this] { m_presets->setCurrentIndex(CustomPreset); });
    QPushButton* showButton = newButton(QStringLiteral("显示"), "showButton", this);
    connect(showButton, &QPushButton::clicked, this, [this] {
        m_technicians.reset();
        m_goods.reset();
        m_items.reset();
        draw();
    });

    auto* periodRow = new QHBoxLayout;
    periodRow->setSpacing(8);
    periodRow->addWidget(PaintedLabel(QStringLiteral("时间段:"), this));
    periodRow->addWidget(m_presets);
    periodRow->addSpacing(12);
    periodRow->addWidget(PaintedLabel(QStringLiteral("开始日期:"), this));
    periodRow->addWidget(m_first);
    periodRow->addWidget(PaintedLabel(QStringLiteral("结束日期:"), this));
    periodRow->addWidget(m_last);
    periodRow->addWidget(showButton);
    periodRow->addStretch(1);

    m_charts->setObjectName(QStringLiteral("chartList"));
    const Outcome<bool> inUse = ServiceFigures::InUse(services.database);
    if (!inUse)
        ShowSetback(services.messages, inUse);
    m_chartCount = inUse && inUse.value() ? BusinessCharts::KindCount : BusinessCharts::FirstKindCount;
    m_charts->addItems(BusinessCharts::titles().mid(0, m_chartCount));
    m_charts->setFixedWidth(m_charts->fontMetrics().horizontalAdvance(QStringLiteral("商品销售额排行")) + 40);
    m_charts->setCurrentRow(0);
    connect(m_charts, &QListWidget::currentRowChanged, this, [this](int row) {
        if (row >= 0)
            showChart(Kind(row));
    });

    m_view->setObjectName(QStringLiteral("chartView"));
    m_view->setRenderHint(QPainter::Antialiasing);
    m_view->setMinimumSize(600, 380);

    auto* middle = new QHBoxLayout;
    middle->addWidget(m_charts);
    middle->addWidget(m_view, 1);

    QPushButton* printButton = newButton(QStringLiteral("打印"), "printButton", this);
    QPushButton* saveButton = newButton(QStringLiteral("保存图片"), "saveButton", this);
    QPushButton* closeButton = newButton(QStringLiteral("关闭"), "closeButton", this);
    connect(printButton, &QPushButton::clicked, this, &BusinessChartsWindow::print);
    connect(saveButton, &QPushButton::clicked, this, &BusinessChartsWindow::savePicture);
    connect(closeButton, &QPushButton::clicked, this, &QDialog::accept);
    auto* buttons = new QHBoxLayout;
    buttons->addStretch(1);
    buttons->addWidget(printButton);
    buttons->addWidget(saveButton);
    buttons->addWidget(closeButton);

    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(12, 12, 12, 12);
    layout->addLayout(periodRow);
    layout->addLayout(middle, 1);
    layout->addLayout(buttons);
    resize(1000, 640);

    // The chart only shows: Tab goes from the period to the list of charts and the buttons.
    m_view->setFocusPolicy(Qt::NoFocus);
    const QList<QWidget*> tabOrder { m_presets, m_first, m_last, showButton, m_charts, printButton, saveButton,
        closeButton };
    for (qsizetype i = 1; i < tabOrder.size(); ++i)
        QWidget::setTabOrder(tabOrder[i - 1], tabOrder[i]);

    choosePreset(Preset::Last30Days);
}

BusinessChartsWindow::~BusinessChartsWindow() = default;

BusinessFigures::Period BusinessChartsWindow::period() const
{
    return { m_first->date(), m_last->date() };
}

QChart* BusinessChartsWindow::chart() const
{
    return m_view->chart();
}

void BusinessChartsWindow::setPeriod(const BusinessFigures::Period& period)
{
    m_first->setDate(period.first);
    m_last->setDate(period.last);
    m_presets->setCurrentIndex(CustomPreset);
    draw();
}

void BusinessChartsWindow::choosePreset(Preset preset)
{
    const QDate today = m_services.clock.now().date();
    const QDate monthStart(today.year(), today.month(), 1);
    BusinessFigures::Period period { today.addDays(-29), today };
    switch (preset) {
    case Preset::Last30Days:
        break;
    case Preset::ThisMonth:
        period = { monthStart, today };
        break;
    case Preset::LastMonth:
        period = { monthStart.addMonths(-1), monthStart.addDays(-1) };
        break;
    case Preset::ThisYear:
        period = { QDate(today.year(), 1, 1), today };
        break;
    case Preset::Last365Days:
        period = { today.addDays(-364), today };
        break;
    }
    setPeriod(period);
    m_presets->setCurrentIndex(int(preset));
}

void BusinessChartsWindow::showChart(Kind kind)
{
    m_kind = kind;
    if (m_charts->currentRow() != int(kind))
        m_charts->setCurrentRow(int(kind));
    draw();
}

QChart* BusinessChartsWindow::newChart(const BusinessFigures::Period& period)
{
    using namespace BusinessFigures;
    // Draws the figures read, or reports why they could not be.
    const auto drawn = [this](const auto& figures, const auto& draw) -> QChart* {
        if (!figures) {
            ShowSetback(m_services.messages, figures);
            return nullptr;
        }
        return draw(figures.value());
    };
    Database& database = m_services.database;
    switch (m_kind) {
    case Kind::DailyTakings:
        return drawn(dailyTakings(database, period),
            [&](const DailyTakings& figures) { return BusinessCharts::dailyTakings(figures, period); });
    case Kind::PaymentMethods:
        return drawn(paymentMethods(database, period),
            [&](const QList<Group>& methods) { return BusinessCharts::paymentMethods(methods, period); });
    case Kind::HoursOfDay:
        return drawn(hoursOfDay(database, period),
            [&](const QList<Group>& hours) { return BusinessCharts::hoursOfDay(hours, period); });
    case Kind::TechniciansByClocks:
    case Kind::TechniciansByCommission:
    case Kind::TechniciansByRequested:
        if (!keepFigures(m_technicians, period, m_services.messages, [&] { return technicians(database, period); }))
            return nullptr;
        return BusinessCharts::technicians(m_kind, m_technicians->rows, period);
    case Kind::GoodsByQuantity:
    case Kind::GoodsByAmount:
        if (!keepFigures(m_goods, period, m_services.messages, [&] { return goods(database, period); }))
            return nullptr;
        return BusinessCharts::goods(m_kind, m_goods->rows, period);
    case Kind::ItemsByAmount:
        if (!keepFigures(m_items, period, m_services.messages, [&] { return items(database, period); }))
            return nullptr;
        return BusinessCharts::items(m_items->rows, period);
    }
    return nullptr;
}

bool BusinessChartsWindow::draw()
{
    const BusinessFigures::Period shown = period();
    if (shown.first > shown.last) {
        m_services.messages.inform(QStringLiteral("开始日期不能晚于结束日期!"));
        return false;
    }
    QChart* drawn = newChart(shown);
    if (!drawn)
        return false;
    // The view does not delete the chart it gives up.
    QChart* previous = m_view->chart();
    m_view->setChart(drawn);
    delete previous;
    return true;
}

QImage BusinessChartsWindow::picture(const QSize& size) const
{
    QImage image(size, QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::white);
    QPainter painter(&image);
    painter.setRenderHint(QPainter::Antialiasing);
    // The chart laid out at the picture's size, so that its texts keep their size.
    const QSize shown = m_view->size();
    m_view->resize(size);
    m_view->render(&painter, QRectF(QPointF(0, 0), size), m_view->viewport()->rect());
    m_view->resize(shown);
    return image;
}

void BusinessChartsWindow::print()
{
    const std::unique_ptr<QPrinter> printer = m_services.printers.choosePrinter(this);
    if (!printer)
        return;
    printer->setPageOrientation(QPageLayout::Landscape);
    printer->setDocName(windowTitle());
    const QRectF paper = printer->pageLayout().paintRect(QPageLayout::Inch);
    const QSize page(
        qRound(paper.width() * PageDrawing::UnitsPerInch), qRound(paper.height() * PageDrawing::UnitsPerInch));

    PageDrawing heading;
    heading.addText(0, 0, m_services.session.companyName(), PageDrawing::font(20));
    heading.addText(0, 30,
        QStringLiteral("营业图表  %1  %2    打印时间: %3")
            .arg(BusinessCharts::title(m_kind), BusinessCharts::periodText(period()),
                DateTimeText(m_services.clock.now())),
        PageDrawing::font(13));
    heading.addLine(0, 52, page.width(), 52);

    QPainter painter;
    if (!painter.begin(printer.get())) {
        m_services.messages.inform(QStringLiteral("打印机不能打印!"), {}, MessageService::Icon::Warning);
        return;
    }
    PageDrawing::useLogicalInches(painter, page);
    heading.paint(painter);
    // The chart at the page's size in logical units, drawn as lines and text, not as pixels.
    const QRectF area(0, 60, page.width(), page.height() - 60);
    const QSize shown = m_view->size();
    m_view->resize(area.size().toSize());
    m_view->render(&painter, area, m_view->viewport()->rect());
    m_view->resize(shown);
    painter.end();
}

void BusinessChartsWindow::savePicture()
{
    const QString baseName = QStringLiteral("营业图表-%1").arg(BusinessCharts::title(m_kind));
    const std::optional<QString> path = m_services.files.chooseSaveFile(this, QStringLiteral("保存图片"),
        SuggestedExportPath(baseName, m_services.clock.now(), QStringLiteral("png")),
        QStringLiteral("PNG 图片 (*.png)"));
    if (!path)
        return;
    if (!picture().save(*path, "PNG")) {
        m_services.messages.inform(QStringLiteral("图片保存失败!\n%1").arg(QDir::toNativeSeparators(*path)), {},
            MessageService::Icon::Warning);
        return;
    }
    m_services.messages.inform(QStringLiteral("图表已保存到:\n%1").arg(QDir::toNativeSeparators(*path)));
}
