#include "printing/EscPos.h"

#include <QList>
#include <QStringEncoder>

#include <algorithm>

namespace {

constexpr char Esc = 0x1b;
constexpr char Fs = 0x1c;
constexpr char Gs = 0x1d;

} // namespace

EscPos& EscPos::initialise()
{
    m_bytes.append(Esc).append('@');
    m_bytes.append(Fs).append('&');
    return *this;
}

EscPos& EscPos::align(Align align)
{
    m_bytes.append(Esc).append('a').append(char(align));
    return *this;
}

EscPos& EscPos::size(bool doubleHeight, bool doubleWidth)
{
    const char general = char((doubleWidth ? 0x10 : 0) | (doubleHeight ? 0x01 : 0));
    const char chinese = char((doubleWidth ? 0x04 : 0) | (doubleHeight ? 0x08 : 0));
    m_bytes.append(Gs).append('!').append(general);
    m_bytes.append(Fs).append('!').append(chinese);
    return *this;
}

EscPos& EscPos::bold(bool on)
{
    m_bytes.append(Esc).append('E').append(char(on ? 1 : 0));
    return *this;
}

EscPos& EscPos::line(const QString& text)
{
    m_bytes.append(encode(text)).append('\n');
    return *this;
}

EscPos& EscPos::feed(int lines)
{
    m_bytes.append(Esc).append('d').append(char(std::clamp(lines, 0, 255)));
    return *this;
}

EscPos& EscPos::qr(const QString& text)
{
    const QByteArray data = text.toUtf8().left(MaxQrBytes);
    const auto function = [this](std::initializer_list<char> body, const QByteArray& extra = {}) {
        const qsizetype length = qsizetype(body.size()) + extra.size();
        m_bytes.append(Gs).append('(').append('k').append(char(length & 0xff)).append(char(length >> 8));
        for (char byte : body)
            m_bytes.append(byte);
        m_bytes.append(extra);
    };
    function({ 49, 65, 50, 0 }); // model 2
    function({ 49, 67, 6 }); // module size
    function({ 49, 69, 49 }); // error correction M
    function({ 49, 80, 48 }, data); // store the data
    function({ 49, 81, 48 }); // print it
    m_bytes.append('\n');
    return *this;
}

EscPos& EscPos::cut()
{
    m_bytes.append(Gs).append('V').append(char(1));
    return *this;
}

EscPos& EscPos::kickDrawer()
{
    m_bytes.append(Esc).append('p').append(char(0)).append(char(25)).append(char(250));
    return *this;
}

EscPos& EscPos::askPaperStatus()
{
    m_bytes.append(PaperStatusQuery, sizeof PaperStatusQuery);
    return *this;
}

QByteArray EscPos::encode(const QString& text)
{
    QByteArray bytes;
    bytes.reserve(text.size() * 2);
    QStringEncoder encoder("GB18030");
    for (const char32_t code : text.toUcs4()) {
        if (code < 0x80) {
            // Control characters would be read as commands.
            bytes.append(code < 0x20 || code == 0x7f ? ' ' : char(code));
            continue;
        }
        const char32_t shown = code == U'¥' ? U'￥' : code;
        const QByteArray encoded = encoder.encode(QString::fromUcs4(&shown, 1));
        // Two bytes are the GBK set the printer holds; four-byte GB18030 it does not print.
        bytes.append(encoded.size() == 2 ? encoded : QByteArray("?"));
    }
    return bytes;
}
