#pragma once

#include <QList>
#include <QString>
#include <QStringList>

struct GoodsLine;
struct TechnicianLine;
struct OpenBill;
struct ServiceSettings;

// The amounts a bill refuses, so that no bill comes out negative or broken. Each function
// returns the message the desk shows, or an empty text when the value is accepted. The
// dialogs call them before they store a value, and settlement calls them again.

// Clocks and pedicures are counted from 0 up.
QString ServiceCountsRefusal(int massageClocks, int footWashClocks, int pedicureCount);
// An article is sold one or more at a time.
QString GoodsQuantityRefusal(int quantity);
// The quantity, then the unit price: an article whose name is not in stock has no price.
QString GoodsLineRefusal(const GoodsLine& line);
// The clocks entered for each technician at checkout, which pay his commission: 0 or more.
QString TechnicianClocksRefusal(const QList<TechnicianLine>& lines);
// The numbers of the technicians of a bill for whom no clock was entered at checkout although
// the room has clocks: settled so, they would earn no commission. Empty when the room has none.
QStringList TechniciansWithoutClocks(const OpenBill& bill, const QList<TechnicianLine>& lines);
// The first refusal among the counts and the goods lines of an open bill.
QString OpenBillRefusal(const OpenBill& bill);
// A bill is settled only at prices read whole from the price file: a missing or short file
// would price it at 0.
QString SettlementRefusal(const ServiceSettings& prices);
