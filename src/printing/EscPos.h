#pragma once

#include <QByteArray>
#include <QString>

// The few ESC/POS commands the desk's slips use, written out byte by byte. Text goes out in
// GB18030 with the printer in its Chinese mode (FS &): ASCII stays one byte, a Chinese
// character takes two. The yuan sign is always the full-width "￥" (U+FFE5), which every
// Chinese printer has; the half-width "¥" is not in its two-byte set.
class EscPos
{
public:
    enum class Align { Left = 0, Centre = 1, Right = 2 };

    // ESC @ (reset) and FS & (Chinese mode on): the start of every slip.
    EscPos& initialise();
    EscPos& align(Align align); // ESC a n
    // GS ! n and FS ! n: double height (and width) for a heading, or back to normal.
    EscPos& size(bool doubleHeight, bool doubleWidth = false);
    EscPos& bold(bool on); // ESC E n
    // The text and a line feed.
    EscPos& line(const QString& text);
    EscPos& feed(int lines); // ESC d n
    // A QR code (GS ( k: model 2, module size 6, error level M) of the UTF-8 text; the text is
    // cut to MaxQrBytes.
    EscPos& qr(const QString& text);
    EscPos& cut(); // GS V 1: a partial cut
    EscPos& kickDrawer(); // ESC p 0 25 250: the drawer on pin 2, 50 ms on, 500 ms off
    // DLE EOT 4: the printer answers one byte of its paper sensor.
    EscPos& askPaperStatus();

    const QByteArray& bytes() const { return m_bytes; }

    // The text as the printer gets it: GB18030, "¥" as "￥", any character outside the
    // printer's two-byte set as "?".
    static QByteArray encode(const QString& text);
    // What a paper status byte says: the paper has run out (bits 5 and 6).
    static bool paperOut(char status) { return (quint8(status) & 0x60) != 0; }

    static constexpr int MaxQrBytes = 300;
    static constexpr char PaperStatusQuery[] = { 0x10, 0x04, 0x04 };

private:
    QByteArray m_bytes;
};
