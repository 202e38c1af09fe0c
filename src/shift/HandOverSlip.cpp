#include "shift/HandOverSlip.h"

#include "app/Money.h"
#include "app/TextFormat.h"
#include "printing/ThermalSlip.h"

namespace {

constexpr int Left = 20;
constexpr int ValueX = 120;
constexpr int Right = 380;
constexpr int LineHeight = 20;
// A reason longer than this many characters goes on as many lines as it needs.
constexpr int ReasonLineLength = 22;

QString shownAmount(const QString& amount)
{
    return amount.isEmpty() ? QStringLiteral("-") : amount + QStringLiteral(" 元");
}

// The rows of the member cards and the change waived that a shift had, caption and amount: the
// cash topped up per method (cash in the drawer; a card payment is none), the bonus given, what
// 退卡 paid back and the change waived.
QList<std::pair<QString, QString>> cardRows(const HandOver& handOver)
{
    QList<std::pair<QString, QString>> rows;
    for (int i = 0; i < CardMethodCount; ++i)
        rows.append(
            { QStringLiteral("充值") + PaymentMethodName(PaymentMethod(i)) + u':', handOver.topUps[size_t(i)] });
    rows.append({ QStringLiteral("充值赠送:"), handOver.topUpBonus });
    rows.append({ QStringLiteral("退卡退现金:"), handOver.cashOutsInCash });
    rows.append({ QStringLiteral("退卡其他:"), handOver.cashOutsOther });
    rows.append({ QStringLiteral("抹    零:"), handOver.waivedTotal });
    rows.removeIf([](const std::pair<QString, QString>& row) { return Money::fromText(row.second).isZero(); });
    return rows;
}

} // namespace

QString HandOverSlip::differenceWord(const QString& difference)
{
    const Money value = Money::fromText(difference);
    if (value.isNegative())
        return QStringLiteral("短款");
    if (value > Money())
        return QStringLiteral("长款");
    return QStringLiteral("相符");
}

HandOverSlip::HandOverSlip(const HandOverSlipHeading& heading, const HandOver& handOver)
{
    const QFont title = PageDrawing::font(15, 133);
    const QFont body = PageDrawing::font(12);
    if (heading.reprint)
        m_drawing.addText(Left, 8, QStringLiteral("重打"), title);
    m_drawing.addText(116, 8, heading.companyName, title);
    m_drawing.addText(150, 34, QStringLiteral("交 班 对 账 单"), PageDrawing::font(14));
    m_drawing.addLine(Left, 56, Right, 56);

    int y = 62;
    const auto row = [&](const QString& label, const QString& value) {
        m_drawing.addText(Left, y, label, body);
        m_drawing.addText(ValueX, y, value, body);
        y += LineHeight;
    };
    const auto rule = [&] {
        m_drawing.addLine(Left, y + 2, Right, y + 2);
        y += 8;
    };
    row(QStringLiteral("本班开始:"),
        handOver.shiftStart.isValid() ? DateTimeText(handOver.shiftStart) : QStringLiteral("(第一次交班)"));
    row(QStringLiteral("交班时间:"), DateTimeText(handOver.closedAt));
    row(QStringLiteral("收 银 员:"), handOver.cashier.isEmpty() ? QStringLiteral("-") : handOver.cashier);
    row(QStringLiteral("单据张数:"),
        QStringLiteral("%1 张 (最后单据 NO:%2)").arg(handOver.receiptCount).arg(handOver.lastReceipt));
    row(QStringLiteral("总 金 额:"), shownAmount(handOver.total));
    rule();

    for (PaymentMethod method : PaymentMethods)
        row(PaymentMethodName(method) + u':', shownAmount(handOver.methodTotals[size_t(method)]));
    if (!Money::fromText(handOver.unrecordedTotal).isZero())
        row(UnrecordedMethodName() + u':', shownAmount(handOver.unrecordedTotal));
    rule();

    // The member cards and the change waived, in a shift that had them.
    if (const QList<std::pair<QString, QString>> rows = cardRows(handOver); !rows.isEmpty()) {
        for (const auto& [caption, amount] : rows)
            row(caption, shownAmount(amount));
        rule();
    }

    row(QStringLiteral("应有现金:"), shownAmount(handOver.expectedCash));
    row(QStringLiteral("实点现金:"), shownAmount(handOver.countedCash));
    row(QStringLiteral("差    额:"),
        handOver.cashDifference.isEmpty()
            ? QStringLiteral("-")
            : shownAmount(handOver.cashDifference) + QStringLiteral("  ") + differenceWord(handOver.cashDifference));
    if (!handOver.differenceReason.isEmpty()) {
        m_drawing.addText(Left, y, QStringLiteral("差额原因:"), body);
        for (qsizetype from = 0; from < handOver.differenceReason.size(); from += ReasonLineLength) {
            m_drawing.addText(ValueX, y, handOver.differenceReason.mid(from, ReasonLineLength), body);
            y += LineHeight;
        }
    }
    rule();

    y += 10;
    m_drawing.addText(Left, y, QStringLiteral("交班人: ____________   接班人: ____________"), body);
    y += LineHeight + 10;
    m_drawing.addText(Left, y,
        (heading.reprint ? QStringLiteral("重打时间: ") : QStringLiteral("打印时间: ")) + heading.printedAt, body);
    m_height = y + LineHeight;
}

ThermalSlip HandOverThermalSlip(const HandOverSlipHeading& heading, const HandOver& handOver, int columns)
{
    ThermalSlip out(columns);
    if (heading.reprint)
        out.centred(QStringLiteral("** 重打 **"));
    if (!heading.companyName.isEmpty())
        out.heading(heading.companyName);
    out.centred(QStringLiteral("交 班 对 账 单"));
    out.rule(u'=');
    out.pair(QStringLiteral("本班开始:"),
        handOver.shiftStart.isValid() ? DateTimeText(handOver.shiftStart) : QStringLiteral("(第一次交班)"));
    out.pair(QStringLiteral("交班时间:"), DateTimeText(handOver.closedAt));
    out.pair(QStringLiteral("收银员:"), handOver.cashier.isEmpty() ? QStringLiteral("-") : handOver.cashier);
    out.pair(QStringLiteral("单据张数:"), QStringLiteral("%1 张").arg(handOver.receiptCount));
    out.pair(QStringLiteral("最后单据:"), QStringLiteral("NO:%1").arg(handOver.lastReceipt));
    out.pair(QStringLiteral("总金额:"), shownAmount(handOver.total));
    out.rule();
    for (PaymentMethod method : PaymentMethods)
        out.pair(PaymentMethodName(method) + u':', shownAmount(handOver.methodTotals[size_t(method)]));
    if (!Money::fromText(handOver.unrecordedTotal).isZero())
        out.pair(UnrecordedMethodName() + u':', shownAmount(handOver.unrecordedTotal));
    out.rule();
    if (const QList<std::pair<QString, QString>> rows = cardRows(handOver); !rows.isEmpty()) {
        for (const auto& [caption, amount] : rows)
            out.pair(caption, shownAmount(amount));
        out.rule();
    }
    out.pair(QStringLiteral("应有现金:"), shownAmount(handOver.expectedCash));
    out.pair(QStringLiteral("实点现金:"), shownAmount(handOver.countedCash));
    out.pair(QStringLiteral("差额:"),
        handOver.cashDifference.isEmpty() ? QStringLiteral("-")
                                          : shownAmount(handOver.cashDifference) + QStringLiteral(" ")
                + HandOverSlip::differenceWord(handOver.cashDifference));
    if (!handOver.differenceReason.isEmpty()) {
        out.line(QStringLiteral("差额原因:"));
        for (const QString& part : out.layout().wrapped(handOver.differenceReason, columns - 2))
            out.line(QStringLiteral("  ") + part);
    }
    out.rule();
    out.blank();
    out.line(QStringLiteral("交班人:"));
    out.blank();
    out.line(QStringLiteral("接班人:"));
    out.blank();
    out.line((heading.reprint ? QStringLiteral("重打时间:") : QStringLiteral("打印时间:")) + heading.printedAt);
    return out;
}
