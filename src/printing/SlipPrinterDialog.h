#pragma once

#include "printing/SlipSettings.h"

#include <QDialog>

struct AppServices;
class QCheckBox;
class QComboBox;
class QLabel;
class QLineEdit;
class QSpinBox;
class ThermalSlip;

// "打印机设置": this desk's thermal printer. The roll's width, how the printer is reached (a
// CUPS queue, a USB device file, a network printer's address and port), whether the cash
// drawer opens for cash and the QR code's text. "测试打印" sends a test slip with the settings
// as typed; "存为PDF" writes the narrow layout to a file, for a desk without a printer yet.
// "确定" keeps the settings in printer.ini of the data folder.
class SlipPrinterDialog : public QDialog
{
    Q_OBJECT

public:
    explicit SlipPrinterDialog(AppServices& services, QWidget* parent = nullptr);

    // The settings as the fields show them.
    SlipSettings settings() const;

    // The slip "测试打印" sends: the house's name, the roll's columns counted out, Chinese and
    // ASCII text and the amounts' sign, so that a wrong width or code page shows at a glance.
    static ThermalSlip testSlip(const SlipSettings& settings, const QString& companyName);

    void accept() override;

private:
    void showKind();
    void testPrint();
    void savePdf();

    AppServices& m_services;
    QComboBox* m_widthBox;
    QComboBox* m_kindBox;
    QLineEdit* m_queueEdit;
    QLineEdit* m_deviceEdit;
    QLineEdit* m_hostEdit;
    QSpinBox* m_portBox;
    QCheckBox* m_drawerCheck;
    QLineEdit* m_qrEdit;
    QLabel* m_hint;
};
