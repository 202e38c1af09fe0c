#include "service/Settlement.h"

#include "app/Database.h"
#include "app/HouseSettings.h"
#include "app/Money.h"
#include "app/ReceiptStore.h"
#include "app/RecordChain.h"
#include "app/SqlTransaction.h"
#include "app/TextFormat.h"
#include "desk/DeskSession.h"
#include "service/BillReduction.h"
#include "service/BillRefusals.h"
#include "service/GoodsStock.h"
#include "service/Payment.h"

Settlement::Settlement(Database& database, DeskSession& session)
    : m_database(database)
    , m_session(session)
{ }

Outcome<int> Settlement::nextReceiptNumber() const
{
    const Outcome<std::optional<qint64>> largest = ReceiptStore(m_database).largestNumber();
    if (!largest)
        return largest.setback<int>();
    return largest.value() ? static_cast<int>(*largest.value()) + 1 : 1;
}

Outcome<SettledBill> Settlement::settle(const SettlementRequest& request)
{
    const std::optional<OpenBill> open = m_session.bill(request.room);
    QString refusal = SettlementRefusal(request.prices);
    if (refusal.isEmpty() && open)
        refusal = OpenBillRefusal(*open);
    if (refusal.isEmpty())
        refusal = TechnicianClocksRefusal(request.technicians);
    if (!refusal.isEmpty())
        return Refusal { refusal };

    SettledBill settled;
    settled.bill = Bill::price(open ? &*open : nullptr, request.prices, request.discountFactor, request.itemTerms);
    if (!settled.bill.unknownItems.isEmpty())
        return Refusal { ServiceCatalog::MissingText };
    if (const QString waiver = WaiverRefusal(request.waived, settled.bill.totalAmount); !waiver.isEmpty())
        return Refusal { waiver };
    if (!request.waived.isZero() && !request.waiverAuthoriser.isPresent()) {
        QString error;
        const Money limit = Money::fromFen(HouseSettings::figureOr(
            m_database, HouseSettings::WaiverLimit, HouseSettings::DefaultWaiverLimitFen, &error));
        if (!error.isEmpty())
            return Failure { error };
        if (WaiverNeedsApproval(request.waived, limit))
            return Refusal { WaiverApprovalText.arg(limit.text()) };
    }
    settled.bill.waive(request.waived);
    if (!request.parts.isEmpty()) {
        if (const QString parts = PaymentPartsRefusal(request.parts, settled.bill.payable()); !parts.isEmpty())
            return Refusal { parts };
    } else if (request.method == PaymentMethod::MemberCard && request.payType == SettlementRequest().payType) {
        return Refusal { MemberCardFirstText };
    }
    settled.parts = PaymentPartsOrWhole(request.parts, request.method, request.payType, settled.bill.payable());

    SqlTransaction transaction(m_database);
    if (!transaction.isActive())
        return Failure { transaction.error() };
    // The live state, which the stay's end changes, is held in the round trip of the number.
    m_session.holdSoon(transaction);
    // Taken under the write lock of this transaction: no other bill can take it meanwhile.
    const Outcome<int> number = nextReceiptNumber();
    if (!number)
        return number.setback<SettledBill>();
    settled.receiptNumber = number.value();

    // The card pays first: a card that cannot pay refuses the bill before anything is written.
    const Outcome<std::optional<CardBalance>> paid
        = writePayment(settled.receiptNumber, request, settled.bill, settled.parts);
    if (!paid)
        return paid.setback<SettledBill>();
    settled.cardBalance = paid.value();

    QString error = writeReceipt(settled, request, open ? open->startTime : QDateTime());
    if (error.isEmpty())
        error = writeSalaries(settled.receiptNumber, request);
    if (error.isEmpty())
        error = writeItems(settled.receiptNumber, request, settled.bill);
    GoodsStock::PendingSale sale;
    if (error.isEmpty())
        error = writeGoods(settled.receiptNumber, request, settled.bill, sale);
    if (error.isEmpty()) // and the bill's link, read with the log row's
        error = writeLog(settled, request, open ? &*open : nullptr);
    if (!error.isEmpty())
        return Failure { error };
    // What is left of the goods came back with the links.
    const Outcome<QHash<QString, StockSale>> sold = sale.remainders();
    if (!sold)
        return sold.setback<SettledBill>();
    for (const PricedGoodsLine& line : settled.bill.goods) {
        if (const auto left = sold.value().constFind(line.goods.name);
            left != sold.value().cend() && left->lowStock && !settled.lowStockGoods.contains(line.goods.name))
            settled.lowStockGoods.append(line.goods.name);
    }

    // The stay ends with the bill: the technicians go back to the queue in checkout's order.
    const Outcome<> closed
        = open ? m_session.closeRoom(request.room, request.technicians) : m_session.closeRoom(request.room);
    if (!closed)
        return closed.setback<SettledBill>();
    if (!transaction.commit())
        return Failure { transaction.error() };
    return settled;
}

QString Settlement::writeReceipt(
    const SettledBill& settled, const SettlementRequest& request, const QDateTime& startTime)
{
    const int number = settled.receiptNumber;
    const Bill& bill = settled.bill;
    const auto price = [](const std::optional<ServiceLine>& line) { return line ? line->unitPrice : QString(); };
    const auto amount = [](const std::optional<ServiceLine>& line) { return line ? line->amount : QString(); };
    return ReceiptStore(m_database)
        .insertReceipt({ .number = number,
            .room = request.room,
            .period = ServicePeriodText(startTime, request.billTime),
            .massageCount = Bill::countText(bill.massage),
            .footWashCount = Bill::countText(bill.footWash),
            .pedicureCount = Bill::countText(bill.pedicure),
            .goodsAmount = bill.goodsSubtotal,
            .discount = bill.discount,
            .discountApprover = request.discountApprover,
            .total = bill.total,
            .payType = request.payType,
            .cashier = request.cashier,
            .time = DateTimeText(request.billTime),
            .paymentMethod = ReceiptMethodName(settled.parts),
            .massagePrice = price(bill.massage),
            .massageAmount = amount(bill.massage),
            .footWashPrice = price(bill.footWash),
            .footWashAmount = amount(bill.footWash),
            .pedicurePrice = price(bill.pedicure),
            .pedicureAmount = amount(bill.pedicure) });
}

Outcome<std::optional<CardBalance>> Settlement::writePayment(
    int number, const SettlementRequest& request, const Bill& bill, const QList<PaymentPart>& parts)
{
    std::optional<CardBalance> cardBalance;
    const QString billTime = DateTimeText(request.billTime);
    const QString receiptMethod = ReceiptMethodName(parts);
    QList<PaymentRow> rows;
    rows.reserve(parts.size());
    for (const PaymentPart& part : parts) {
        if (part.method == PaymentMethod::MemberCard && part.amount > Money()) {
            const Outcome<CardBalance> left
                = CardLedger(m_database).pay(part.card, part.amount, number, request.billTime, request.cashier);
            if (!left)
                return left.setback<std::optional<CardBalance>>();
            cardBalance = left.value();
        }
        rows.append({ .number = number,
            .line = int(rows.size()),
            .method = PaymentMethodName(part.method),
            .amountFen = part.amount.fen(),
            .card = part.card,
            .receiptMethod = receiptMethod,
            .time = billTime });
    }
    ReceiptStore store(m_database);
    QString error = store.insertPayments(rows);
    if (error.isEmpty() && !bill.waived.isZero())
        error = store.insertWaiver({ .number = number,
            .totalFen = bill.totalAmount.fen(),
            .waivedFen = bill.waived.fen(),
            .approver = request.waiverAuthoriser.login,
            .time = billTime,
            .cashier = request.cashier });
    if (!error.isEmpty())
        return Failure { error };
    return cardBalance;
}

QString Settlement::writeSalaries(int number, const SettlementRequest& request)
{
    const QString billTime = DateTimeText(request.billTime);
    QList<CommissionRow> rows;
    rows.reserve(request.technicians.size());
    for (const TechnicianLine& line : request.technicians) {
        rows.append({ .number = number,
            .technician = line.number,
            .name = line.name,
            .massageCount = QString::number(line.massageClocks),
            .footWashCount = QString::number(line.footWashClocks),
            .commission = request.formula.commissionText(line.massageClocks, line.footWashClocks),
            .time = billTime,
            .cashier = request.cashier });
    }
    QList<CallRow> calls;
    calls.reserve(request.technicians.size());
    for (const TechnicianLine& line : request.technicians) {
        const int clocks = line.massageClocks + line.footWashClocks;
        calls.append({ .number = number,
            .line = int(calls.size()),
            .technician = line.number,
            .requested = line.requested,
            .clocks = clocks,
            .supplementFen = line.requested ? (request.requestedSupplement * clocks).fen() : 0,
            .time = billTime });
    }
    ReceiptStore store(m_database);
    const QString error = store.insertSalaries(rows);
    return error.isEmpty() ? store.insertCalls(calls) : error;
}

QString Settlement::writeItems(int number, const SettlementRequest& request, const Bill& bill)
{
    const QString billTime = DateTimeText(request.billTime);
    QList<ItemRow> rows;
    rows.reserve(bill.items.size());
    for (const PricedItemLine& line : bill.items) {
        rows.append({ .number = number,
            .line = int(rows.size()),
            .item = line.item.id,
            .name = line.line.name,
            .technician = line.line.technician,
            .requested = line.line.requested,
            .count = line.line.count,
            .unitPriceFen = line.item.price.fen(),
            .amountFen = line.amount.fen(),
            .commissionFen = commissionFor(line.item, line.line.count, line.amount, line.line.requested).fen(),
            .time = billTime,
            .cashier = request.cashier });
    }
    return ReceiptStore(m_database).insertItems(rows);
}

QString Settlement::writeGoods(
    int number, const SettlementRequest& request, const Bill& bill, GoodsStock::PendingSale& sale)
{
    QList<GoodsStock::Sale> sales;
    sales.reserve(bill.goods.size());
    for (const PricedGoodsLine& line : bill.goods)
        sales.append({ line.goods.name, line.goods.quantity });
    sale = GoodsStock(m_database).sellLater(sales);
    const QString billTime = DateTimeText(request.billTime);
    QList<GoodsRow> rows;
    rows.reserve(bill.goods.size());
    for (const PricedGoodsLine& line : bill.goods) {
        rows.append({ .number = number,
            .name = line.goods.name,
            .unit = line.goods.unit,
            .unitPrice = line.goods.unitPrice,
            .quantity = QString::number(line.goods.quantity),
            .amount = line.amount,
            .time = billTime,
            .cashier = request.cashier });
    }
    // All lines in one statement, in the bill's order: the receipt chain reads them so.
    return ReceiptStore(m_database).insertGoods(rows);
}

QString Settlement::writeLog(const SettledBill& settled, const SettlementRequest& request, const OpenBill* open)
{
    const int number = settled.receiptNumber;
    const Bill& bill = settled.bill;
    const QList<PaymentPart>& parts = settled.parts;
    OperatorLog log(m_database, m_session);
    QString methodName = PaymentMethodName(parts.first().method);
    if (parts.size() > 1) {
        QStringList named;
        for (const PaymentPart& part : parts)
            named << PaymentMethodName(part.method) + part.amount.text();
        methodName = SplitPaymentName() + u'(' + named.join(u' ') + u')';
    }
    QList<LogEntry> entries { { .kind = LogKind::Settlement,
        .description = QStringLiteral("%1号房结帐,%2收款").arg(request.room, methodName),
        .amount = bill.total,
        .room = request.room,
        .receipt = number } };

    // A bill emptied before it was settled: the row says what it once came to.
    if (open && bill.total == Money().text()) {
        QString error;
        const QString highest = HighestReducedTotal(m_database, request.room, open->startTime, &error);
        if (!error.isEmpty())
            return error;
        if (!highest.isEmpty() && highest != Money().text()) {
            entries.append({ .kind = LogKind::Reduction,
                .description = QStringLiteral("%1号房以0.00元结帐,此单最高曾达%2元").arg(request.room, highest),
                .amount = highest,
                .room = request.room,
                .receipt = number });
        }
    }

    if (!bill.waived.isZero()) {
        entries.append({ .kind = LogKind::Waiver,
            .description = QStringLiteral("%1号房抹零,应收%2元,实收%3元")
                               .arg(request.room, bill.totalAmount.text(), bill.payable().text()),
            .amount = bill.waived.text(),
            .room = request.room,
            .receipt = number,
            .authoriser = request.waiverAuthoriser });
    }

    // A discount lowers the massage line and the items that take it; what it took off is logged
    // with who approved it.
    const bool memberCard = request.payType != SettlementRequest().payType;
    if (memberCard || request.discountAuthoriser.isPresent() || request.discountFactor != Decimal::whole(1)) {
        // What the discount took off is the lines as they would have printed less the lines printed.
        const Money undiscounted
            = open ? Bill::amounts(*open, request.prices, Decimal::whole(1), request.itemTerms).total : Money();
        const Money discounted = open ? bill.totalAmount : Money();
        const QString description = memberCard ? QStringLiteral("会员卡%1打折%2").arg(request.payType, bill.discount)
                                               : QStringLiteral("贵宾打折%1").arg(bill.discount);
        entries.append({ .kind = LogKind::Discount,
            .description = description,
            .amount = (undiscounted - discounted).text(),
            .room = request.room,
            .receipt = number,
            .authoriser = request.discountAuthoriser });
    }

    // The rows and the bill's link in one round trip.
    const RecordChain::Position receipt { RecordChain::Chain::Receipts, number };
    return log.write(entries, std::span(&receipt, 1));
}
