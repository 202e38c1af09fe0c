#pragma once

#include <QDialog>

// "关于 Tavrel": the product, its version and its maker.
class AboutDialog : public QDialog
{
    Q_OBJECT

public:
    explicit AboutDialog(QWidget* parent = nullptr);
};
