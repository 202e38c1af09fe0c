#pragma once

#include <QByteArray>
#include <QList>
#include <QString>
#include <QStringDecoder>
#include <QStringList>

// Reads a slip's bytes back as the printer would show them: the ESC/POS commands the desk
// writes are taken out and counted, the text is decoded from GB18030. A command the desk
// never writes is an error, so that a stray byte cannot pass for text.
struct DecodedSlip
{
    QStringList lines;
    QList<bool> doubleHeight; // per line: printed double height
    QList<int> alignment; // per line: 0 left, 1 centre, 2 right
    int resets = 0; // ESC @
    int chineseMode = 0; // FS &
    int cuts = 0; // GS V 1
    int drawerKicks = 0; // ESC p 0 25 250
    int statusQueries = 0; // DLE EOT 4
    QStringList qrCodes;
    QString error; // empty when every byte was understood
    bool endsWithCut = false; // the cut is the last command but a drawer kick

    bool ok() const { return error.isEmpty(); }
};

inline DecodedSlip DecodeSlip(const QByteArray& bytes)
{
    DecodedSlip slip;
    QByteArray text;
    bool doubleHeight = false;
    int align = 0;
    int lastCut = -1;
    int lastOther = -1;
    const auto at = [&](qsizetype index) { return index < bytes.size() ? quint8(bytes.at(index)) : 0x100; };
    qsizetype i = 0;
    while (i < bytes.size() && slip.ok()) {
        const int byte = at(i);
        const int start = int(i);
        // Everything but the cut, the drawer's kick and the status question.
        if (!(byte == 0x1d && at(i + 1) == 'V') && !(byte == 0x1b && at(i + 1) == 'p') && byte != 0x10)
            lastOther = start;
        if (byte == 0x0a) {
            slip.lines.append(QStringDecoder("GB18030").decode(text));
            slip.doubleHeight.append(doubleHeight);
            slip.alignment.append(align);
            text.clear();
            ++i;
        } else if (byte == 0x1b) {
            const int command = at(i + 1);
            if (command == '@') {
                ++slip.resets;
                i += 2;
            } else if (command == 'a') {
                align = at(i + 2);
                i += 3;
            } else if (command == 'E' || command == 'd' || command == '!') {
                if (command == '!')
                    doubleHeight = (at(i + 2) & 0x10) != 0;
                i += 3;
            } else if (command == 'p') {
                if (at(i + 2) != 0 || at(i + 3) != 25 || at(i + 4) != 250)
                    slip.error = QStringLiteral("drawer kick with other timings");
                ++slip.drawerKicks;
                i += 5;
                continue;
            } else {
                slip.error = QStringLiteral("unknown ESC %1 at %2").arg(command).arg(i);
            }
        } else if (byte == 0x1c) {
            const int command = at(i + 1);
            if (command == '&') {
                ++slip.chineseMode;
                i += 2;
            } else if (command == '.') {
                i += 2;
            } else if (command == '!') {
                i += 3;
            } else {
                slip.error = QStringLiteral("unknown FS %1 at %2").arg(command).arg(i);
            }
        } else if (byte == 0x1d) {
            const int command = at(i + 1);
            if (command == '!') {
                doubleHeight = (at(i + 2) & 0x0f) != 0;
                i += 3;
            } else if (command == 'V') {
                if (at(i + 2) != 1)
                    slip.error = QStringLiteral("a cut other than GS V 1");
                ++slip.cuts;
                lastCut = start;
                i += 3;
                continue;
            } else if (command == '(' && at(i + 2) == 'k') {
                const int length = at(i + 3) + 256 * at(i + 4);
                const QByteArray body = bytes.mid(i + 5, length);
                if (body.size() != length)
                    slip.error = QStringLiteral("a QR command cut short");
                else if (body.startsWith(QByteArray("\x31\x50\x30")))
                    slip.qrCodes.append(QString::fromUtf8(body.mid(3)));
                i += 5 + length;
            } else {
                slip.error = QStringLiteral("unknown GS %1 at %2").arg(command).arg(i);
            }
        } else if (byte == 0x10) {
            if (at(i + 1) != 0x04 || at(i + 2) != 0x04)
                slip.error = QStringLiteral("unknown DLE at %1").arg(i);
            ++slip.statusQueries;
            i += 3;
        } else if (byte < 0x20) {
            slip.error = QStringLiteral("control byte %1 at %2").arg(byte).arg(i);
        } else if (byte >= 0x80) {
            text.append(bytes.mid(i, 2));
            i += 2;
        } else {
            text.append(char(byte));
            ++i;
        }
    }
    if (!text.isEmpty() && slip.ok())
        slip.error = QStringLiteral("text after the last line feed");
    slip.endsWithCut = lastCut > lastOther;
    return slip;
}
