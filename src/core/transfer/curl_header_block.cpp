#include "core/transfer/curl_header_block.h"

#include <QStringDecoder>
#include <QStringTokenizer>

namespace {

// The length of the well-formed UTF-8 sequence that bytes start with (RFC
// 3629: no overlong form, no surrogate, nothing above U+10FFFF); 0 when they
// start with none.
qsizetype Utf8Length(QByteArrayView bytes)
{
    const auto lead = uchar(bytes.front());
    if (lead < 0x80)
        return 1;
    const qsizetype length = lead >= 0xF0 ? 4 : lead >= 0xE0 ? 3 : 2;
    if (lead < 0xC2 || lead > 0xF4 || bytes.size() < length)
        return 0;
    // The lead byte narrows the range of the byte after it.
    const uchar low = lead == 0xE0 ? 0xA0 : lead == 0xF0 ? 0x90 : 0x80;
    const uchar high = lead == 0xED ? 0x9F : lead == 0xF4 ? 0x8F : 0xBF;
    for (qsizetype i = 1; i < length; ++i) {
        const auto byte = uchar(bytes[i]);
        if (byte < (i == 1 ? low : 0x80) || byte > (i == 1 ? high : 0xBF))
            return 0;
    }
    return length;
}

} // namespace

QString DecodeHeaderBlock(const QByteArray &block)
{
    // Each run is decoded on its own; a U+FEFF at its start is text, not a byte order mark.
    QStringDecoder utf8(QStringConverter::Utf8,
        QStringConverter::Flag::Stateless | QStringConverter::Flag::ConvertInitialBom);
    const QByteArrayView bytes(block);
    QString text;
    qsizetype run = 0; // where the valid UTF-8 not yet decoded starts
    for (qsizetype at = 0; at < bytes.size();) {
        if (const qsizetype length = Utf8Length(bytes.sliced(at))) {
            at += length;
            continue;
        }
        text += utf8.decode(bytes.sliced(run, at - run));
        text += QChar(uchar(bytes[at])); // the byte as Latin-1
        run = ++at;
    }
    return text + utf8.decode(bytes.sliced(run));
}

QString HeaderValue(const QString &block, const QString &name)
{
    const QString wanted = name.trimmed();
    if (wanted.isEmpty())
        return {};
    bool statusLine = true;
    for (const QStringView line : QStringTokenizer(block, u"\r\n")) {
        if (statusLine) {
            statusLine = false;
            continue;
        }
        const qsizetype colon = line.indexOf(u':');
        if (colon > 0 && line.first(colon).trimmed().compare(wanted, Qt::CaseInsensitive) == 0)
            return line.sliced(colon + 1).trimmed().toString();
    }
    return {};
}
