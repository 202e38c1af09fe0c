#pragma once

#include <QString>
#include <QStringList>

class QSqlDatabase;

// The proof of the member cards' balances: the balance each card row of member_card caches
// (principal_fen, bonus_fen) is the sum of the card's rows in card_ledger, never below zero,
// and no card has ledger rows that add up to money without a card row. One line in Chinese per
// card that differs (the first few, then how many), empty when every card agrees or the house
// has no cards yet. `connection` may be a read-only connection on another thread; `error` gets
// the database error text of a failed read.
QStringList CardBalanceDifferences(const QSqlDatabase& connection, QString* error);
