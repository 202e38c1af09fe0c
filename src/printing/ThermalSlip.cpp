#include "printing/ThermalSlip.h"

#include "printing/EscPos.h"

namespace {

// The lines fed after the last one so that the cut falls below it, not through it.
constexpr int FeedBeforeCut = 4;

} // namespace

ThermalSlip::ThermalSlip(int columns)
    : m_layout(columns)
{ }

void ThermalSlip::heading(const QString& text)
{
    m_lines.append({ SlipLayout::cut(text, columns()), Style::Heading });
}

void ThermalSlip::centred(const QString& text)
{
    m_lines.append({ SlipLayout::cut(text, columns()), Style::Centred });
}

void ThermalSlip::line(const QString& text)
{
    m_lines.append({ SlipLayout::cut(text, columns()), Style::Plain });
}

QStringList ThermalSlip::text() const
{
    QStringList shown;
    for (const Line& line : m_lines)
        shown.append(line.style == Style::Plain ? line.text : m_layout.centred(line.text));
    return shown;
}

QByteArray ThermalSlip::bytes(bool kickDrawer) const
{
    EscPos out;
    out.initialise();
    for (const Line& line : m_lines) {
        switch (line.style) {
        case Style::Plain:
            out.line(line.text);
            break;
        case Style::Centred:
            out.align(EscPos::Align::Centre).line(line.text).align(EscPos::Align::Left);
            break;
        case Style::Heading:
            out.align(EscPos::Align::Centre).size(true).bold(true).line(line.text);
            out.bold(false).size(false).align(EscPos::Align::Left);
            break;
        }
    }
    if (!m_qrText.isEmpty())
        out.align(EscPos::Align::Centre).qr(m_qrText).align(EscPos::Align::Left);
    out.feed(FeedBeforeCut).cut();
    if (kickDrawer)
        out.kickDrawer();
    return out.bytes();
}
