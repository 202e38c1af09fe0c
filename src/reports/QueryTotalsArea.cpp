#include "reports/QueryTotalsArea.h"

#include "app/TextFormat.h"
#include "skin/PaintedText.h"

#include <QPainter>

namespace {

// The area's own coordinates: its top is the line of the record count.
constexpr int CountLine = 0;
constexpr int SumsLine = 25;
constexpr int FirstRuleY = 20;
constexpr int SecondRuleY = 45;

} // namespace

QueryTotalsArea::QueryTotalsArea(RecordKind kind, QWidget* parent)
    : QWidget(parent)
    , m_kind(kind)
{
    setObjectName(QStringLiteral("queryTotals"));
    setFont(PaintedFont(13));
    setFixedSize(sizeHint());
}

QSize QueryTotalsArea::sizeHint() const
{
    return { 500, 56 };
}

void QueryTotalsArea::setTotals(const std::optional<QueryTotals>& totals)
{
    m_totals = totals;
    update();
}

QList<QueryTotalsArea::Text> QueryTotalsArea::texts() const
{
    if (!m_totals)
        return { { { 20, CountLine }, QStringLiteral("计算中…") } };
    const QueryTotals& totals = *m_totals;
    QList<Text> texts {
        { { 20, CountLine }, QStringLiteral("记录总数: %1").arg(totals.count) },
        { { 200, CountLine }, QStringLiteral("总金额: %1元").arg(totals.amount.text()) },
    };
    if (m_kind == RecordKind::GoodsSales) {
        texts.append({ { 20, SumsLine }, QStringLiteral("数    量: %1").arg(totals.sums[0]) });
        return texts;
    }
    texts.append({ { 20, SumsLine }, QStringLiteral("按    摩: %1钟").arg(totals.sums[0]) });
    texts.append({ { 200, SumsLine }, QStringLiteral("洗  脚: %1钟").arg(totals.sums[1]) });
    if (m_kind == RecordKind::Receipts)
        texts.append({ { 380, SumsLine }, QStringLiteral("修脚: %1次").arg(totals.sums[2]) });
    return texts;
}

void QueryTotalsArea::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    painter.setFont(font());
    painter.setPen(palette().color(QPalette::WindowText));
    const int ascent = painter.fontMetrics().ascent();
    for (const Text& text : texts())
        painter.drawText(text.topLeft + QPoint(0, ascent), text.text);
    painter.drawLine(20, FirstRuleY, 390, FirstRuleY);
    painter.drawLine(20, SecondRuleY, 480, SecondRuleY);
}
