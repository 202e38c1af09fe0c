#pragma once

#include "cards/CardLedger.h"

#include <QWidget>

#include <optional>

struct AppServices;
class QComboBox;
class QLabel;
class QLineEdit;
class QPushButton;

// The top of the card windows: a card found by its number or the member's telephone (typed
// whole or its beginning; 查找 or Enter), the matches in a box when there are several, and the
// card chosen as it stands: member, state, principal, bonus and balance.
class CardLookup : public QWidget
{
    Q_OBJECT

public:
    CardLookup(AppServices& services, QWidget* parent = nullptr);

    // Finds `typed` as if it was typed and 查找 clicked.
    void findCard(const QString& typed);
    // Reads the chosen card again (after a movement).
    void refresh();
    const std::optional<CardAccount>& account() const { return m_account; }
    QLineEdit* searchField() const { return m_search; }

signals:
    void chosen(); // a card was chosen, or none is (account() empty)

private:
    void find();
    void choose(int index);
    void show(const std::optional<CardAccount>& account);

    AppServices& m_services;
    CardLedger m_ledger;
    QList<CardAccount> m_found;
    std::optional<CardAccount> m_account;
    QLineEdit* m_search;
    QPushButton* m_find;
    QComboBox* m_matches;
    QLabel* m_member;
    QLabel* m_state;
    QLabel* m_principal;
    QLabel* m_bonus;
    QLabel* m_total;
};
