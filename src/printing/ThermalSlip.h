#pragma once

#include "printing/SlipLayout.h"

#include <QByteArray>
#include <QList>
#include <QString>
#include <QStringList>

// One slip for the thermal printer as a list of lines laid out for its roll: a heading printed
// double height, lines centred or as laid out, and an optional QR code at the end. It gives
// the printer's bytes (the slip, a feed, the cut and, when asked, the drawer's kick) and the
// same lines as text, for a PDF of the narrow layout and for the tests.
class ThermalSlip
{
public:
    explicit ThermalSlip(int columns);

    const SlipLayout& layout() const { return m_layout; }
    int columns() const { return m_layout.columns(); }

    void heading(const QString& text); // centred, double height, bold
    void centred(const QString& text);
    void line(const QString& text); // cut to the roll
    void pair(const QString& label, const QString& value) { line(m_layout.pair(label, value)); }
    void rule(QChar mark = u'-') { line(m_layout.rule(mark)); }
    void blank() { line({}); }
    void qr(const QString& text) { m_qrText = text; }

    enum class Style { Plain, Centred, Heading };
    struct Line
    {
        QString text;
        Style style = Style::Plain;
    };
    const QList<Line>& lines() const { return m_lines; }
    const QString& qrText() const { return m_qrText; }

    // The lines as the printer shows them: a centred line padded on the left.
    QStringList text() const;
    // The printer's bytes: reset and Chinese mode, the lines, the QR code, a feed past the
    // cutter, the cut, and the kick of the drawer when `kickDrawer`.
    QByteArray bytes(bool kickDrawer = false) const;

private:
    SlipLayout m_layout;
    QList<Line> m_lines;
    QString m_qrText;
};
