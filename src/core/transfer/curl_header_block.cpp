#include "core/transfer/curl_header_block.h"

#include <QStringDecoder>
#include <QStringTokenizer>

QString DecodeHeaderBlock(const QByteArray &block)
{
    QStringDecoder utf8(QStringConverter::Utf8, QStringConverter::Flag::Stateless);
    QString text = utf8.decode(block);
    if (utf8.hasError())
        return QString::fromLatin1(block);
    return text;
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
