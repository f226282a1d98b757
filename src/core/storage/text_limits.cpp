#include "core/storage/text_limits.h"

#include <QStringDecoder>

namespace persist {

QString ReplaceLineBreaks(QString text)
{
    for (QChar &c : text) {
        if (c == u'\r' || c == u'\n' || c == u'\0')
            c = u' ';
    }
    return text;
}

QString DecodeUtf8Prefix(QByteArrayView bytes, qsizetype maxBytes)
{
    if (bytes.size() <= maxBytes)
        return QString::fromUtf8(bytes);
    // A stateful decoder keeps the bytes of an unfinished character back,
    // waiting for the rest; as no more is given, they are dropped.
    QStringDecoder decoder(QStringDecoder::Utf8);
    return decoder.decode(bytes.first(maxBytes));
}

} // namespace persist
