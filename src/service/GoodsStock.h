#pragma once

#include "app/Outcome.h"
#include "desk/OpenBill.h"
#include "service/StockSale.h"

#include <QHash>
#include <QStringList>

#include <memory>
#include <optional>

class Database;
struct SqlResult;

// The goods in stock (kucheninfo) as room service offers them and checkout counts them out.
// An article is found by its name (str2); where two records carry one name, the first counts.
class GoodsStock
{
public:
    explicit GoodsStock(Database& database);

    // Every article's name, in the order the table holds them.
    Outcome<QStringList> names() const;
    // `quantity` of the article called `name` at its unit price (str5) and unit (str4);
    // nothing when no article has that name.
    Outcome<std::optional<GoodsLine>> line(const QString& name, int quantity) const;
    // Counts `quantity` out of the article's stock (str6); nothing when no article has that
    // name (it is sold all the same). Joins the caller's transaction.
    Outcome<std::optional<StockSale>> sell(const QString& name, int quantity);
    struct Sale
    {
        QString name;
        int quantity = 0;
    };
    // The same for every line of a bill, in one statement: each article's lines are counted
    // out together. What is left of each article sold, by its name.
    Outcome<QHash<QString, StockSale>> sell(const QList<Sale>& sales);

    // A sale sent on with the statements after it: what is left of each article is known once
    // a statement after it has been waited for (or the transaction committed), which saves a
    // settlement on a server a round trip.
    class PendingSale
    {
    public:
        // What is left of each article sold, by its name; the sale's error when it failed.
        Outcome<QHash<QString, StockSale>> remainders() const;

    private:
        friend class GoodsStock;
        std::shared_ptr<const SqlResult> m_answer;
    };
    PendingSale sellLater(const QList<Sale>& sales);

private:
    Database& m_database;
};
