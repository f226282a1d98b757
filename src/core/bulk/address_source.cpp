#include "core/bulk/address_source.h"

#include <QFile>

namespace bulk {

QString ListedAddress(const QByteArray &line)
{
    const QString text = QString::fromUtf8(line).trimmed();
    return text.startsWith(u'#') ? QString() : text;
}

AddressSource::AddressSource(QStringList arguments, QIODevice *list)
    : arguments_(std::move(arguments)), list_(list)
{
    // A pipe can be read once only; a file can be counted and read again.
    const auto *file = qobject_cast<QFile *>(list);
    if (list && (!file || list->isSequential()))
        return;
    qint64 count = arguments_.size();
    if (list) {
        // An empty read is the end: even a blank line has its line feed.
        for (QByteArray line; !(line = list->readLine()).isEmpty();)
            count += ListedAddress(line).isEmpty() ? 0 : 1;
        list->seek(0);
    }
    total_ = count;
}

std::optional<QString> AddressSource::next()
{
    if (argument_ < arguments_.size())
        return arguments_[argument_++];
    for (QByteArray line; list_ && !(line = list_->readLine()).isEmpty();) {
        if (const QString address = ListedAddress(line); !address.isEmpty())
            return address;
    }
    return std::nullopt;
}

} // namespace bulk
