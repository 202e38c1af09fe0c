#pragma once

#include "app/SlipPrinter.h"

#include <QString>

// This desk's thermal printer: the width of its roll, where it is reached, whether the cash
// drawer on it opens for a payment in cash, and the text of the QR code under each receipt
// (the house's WeChat page, say; none when empty). The printer stands at one desk, so the
// settings are kept in "printer.ini" in the data folder (the current directory) even when the
// house's data are on a server, as lists.ini keeps the desk's column widths.
struct SlipSettings
{
    static inline const QString FileName = QStringLiteral("printer.ini");

    int rollWidth = 80; // millimetres: 58 or 80
    SlipDestination where;
    bool drawerOnCash = true;
    QString qrText;

    int columns() const { return rollWidth == 58 ? 32 : 48; }
    bool isSet() const { return where.isSet(); }

    // The settings in the current directory; the defaults (no printer) without a file.
    static SlipSettings load();
    // False when the file could not be written.
    bool save() const;

    friend bool operator==(const SlipSettings&, const SlipSettings&) = default;
};
