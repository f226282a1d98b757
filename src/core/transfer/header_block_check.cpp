#include "core/transfer/header_block_check.h"

#include <QList>

#include <algorithm>

namespace {

// More header lines than any real answer holds.
constexpr int kMostHeaderLines = 1000;

} // namespace

std::optional<HeaderFault> HeaderBlockCheck::field(const QByteArray &line)
{
    if (line.contains('\r'))
        return HeaderFault::BareCR;
    if (++lines_ > kMostHeaderLines)
        return HeaderFault::TooManyLines;
    const qsizetype colon = line.indexOf(':');
    const QByteArray name = line.first(std::max<qsizetype>(colon, 0)).trimmed().toLower();
    const QByteArray value = line.sliced(colon + 1).trimmed();
    if (name == "location") {
        if (location_ && *location_ != value)
            return HeaderFault::Location;
        location_ = value;
    } else if (name == "content-length") {
        const bool number = !value.isEmpty()
            && std::all_of(value.begin(), value.end(), [](char c) { return c >= '0' && c <= '9'; });
        if (!number || (!contentLength_.isEmpty() && contentLength_ != value))
            return HeaderFault::ContentLength;
        contentLength_ = value;
    } else if (name == "transfer-encoding") {
        for (const QByteArray &coding : value.split(',')) {
            const QByteArray trimmed = coding.trimmed();
            if (trimmed.isEmpty())
                continue;
            if (chunked_)
                return HeaderFault::Coding;
            chunked_ = trimmed.compare("chunked", Qt::CaseInsensitive) == 0;
        }
    }
    return std::nullopt;
}

std::optional<HeaderFault> RefusedByLibcurl(
    CURLcode result, bool requestSent, bool responding, bool finalHeader)
{
    if (result == CURLE_OUT_OF_MEMORY && requestSent && !finalHeader)
        return HeaderFault::TooLarge;
    if (result == CURLE_BAD_FUNCTION_ARGUMENT && responding && !finalHeader)
        return HeaderFault::Folded;
    return std::nullopt;
}
