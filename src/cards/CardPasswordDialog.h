#pragma once

#include <QDialog>

struct AppServices;
class QLabel;
class QLineEdit;

// Asks a card's password before the card pays (the checkout calls it). Three tries: a wrong
// password says how many are left; the third wrong one in a row locks the card's payments
// until a manager sets the password again, and the dialog closes refused. A card without a
// password passes without asking (CardPasswordDialog::check).
class CardPasswordDialog : public QDialog
{
    Q_OBJECT

public:
    CardPasswordDialog(AppServices& services, const QString& card, QWidget* parent = nullptr);

    // True when the card may pay: it has no password, or the right one was typed here.
    static bool check(AppServices& services, const QString& card, QWidget* parent = nullptr);

    QLineEdit* passwordField() const { return m_password; }

private:
    void confirm();

    AppServices& m_services;
    QString m_card;
    QLineEdit* m_password;
    QLabel* m_hint;
};
