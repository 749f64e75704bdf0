#include "Win1252.h"

#include <QStringDecoder>
#include <QStringEncoder>

namespace {
const char *const CodePage = "windows-1252";
}

namespace Win1252 {

QByteArray encode(const QString &text, bool *lossy)
{
    if (lossy)
        *lossy = false;
    QStringEncoder encoder(CodePage);
    QByteArray bytes = encoder(text);
    if (!encoder.hasError())
        return bytes;

    // The converter marks what it cannot hold with 0x1A, which is also a
    // character of its own: redo it one character at a time to tell them apart.
    if (lossy)
        *lossy = true;
    bytes.clear();
    bytes.reserve(text.size());
    QStringEncoder single(CodePage);
    for (qsizetype i = 0; i < text.size();) {
        const qsizetype length = text[i].isHighSurrogate() && i + 1 < text.size() ? 2 : 1;
        const QStringView character = QStringView(text).mid(i, length);
        const QByteArray one = single(character);
        const bool mapped = one.size() == 1 && (one[0] != '\x1a' || character == u"\x1a");
        bytes += mapped ? one : QByteArray("?");
        i += length;
    }
    return bytes;
}

QString decode(const QByteArray &bytes)
{
    QStringDecoder decoder(CodePage);
    return decoder(bytes);
}

bool canEncode(const QString &text)
{
    QStringEncoder encoder(CodePage);
    const QByteArray bytes = encoder(text); // the encoder works only when its result is taken
    return !encoder.hasError();
}

QStringList decodeLines(const QByteArray &bytes)
{
    const QString text = decode(bytes);
    QStringList lines;
    qsizetype start = 0;
    for (qsizetype i = 0; i < text.size(); ++i) {
        const QChar c = text.at(i);
        if (c != QLatin1Char('\r') && c != QLatin1Char('\n'))
            continue;
        lines << text.mid(start, i - start);
        if (c == QLatin1Char('\r') && i + 1 < text.size() && text.at(i + 1) == QLatin1Char('\n'))
            ++i;
        start = i + 1;
    }
    if (start < text.size())
        lines << text.mid(start);
    return lines;
}

} // namespace Win1252
