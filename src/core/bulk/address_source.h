#pragma once

#include <QIODevice>
#include <QString>
#include <QStringList>

#include <optional>

namespace bulk {

// The addresses of a bulk check: those given as arguments, then the lines of
// a list read as they are consumed, so that a long list is never held whole.
// Blank lines and lines starting with "#" (after blanks) are skipped; blanks
// around an address are not part of it; lines are read as UTF-8.
class AddressSource {
public:
    // list may be null; it must stay open while the source is read.
    AddressSource(QStringList arguments, QIODevice *list);

    std::optional<QString> next();
    // How many addresses there are in all, when that can be known without
    // consuming the list (a regular file is counted once, beforehand).
    std::optional<qint64> total() const { return total_; }

private:
    QStringList arguments_;
    qsizetype argument_ = 0;
    QIODevice *list_;
    std::optional<qint64> total_;
};

// An address out of a list line; empty when the line holds none.
QString ListedAddress(const QByteArray &line);

} // namespace bulk
