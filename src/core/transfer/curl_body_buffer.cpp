#include "core/transfer/curl_body_buffer.h"

#include <algorithm>
#include <cstring>

void CurlBodyBuffer::append(const char *data, qsizetype length)
{
    while (length > 0) {
        if (blocks_.empty() || blocks_.back().size() == kBlockSize) {
            blocks_.emplace_back();
            blocks_.back().reserve(kBlockSize);
        }
        QByteArray &tail = blocks_.back();
        const qsizetype part = std::min(length, kBlockSize - tail.size());
        tail.append(data, part);
        data += part;
        length -= part;
        size_ += part;
    }
}

QByteArray CurlBodyBuffer::take(qsizetype maximum)
{
    const qsizetype length = std::min(maximum, size_);
    if (length <= 0)
        return {};
    size_ -= length;
    if (frontOffset_ == 0 && blocks_.front().size() == length) {
        QByteArray whole = std::move(blocks_.front());
        blocks_.pop_front();
        return whole;
    }
    QByteArray result(length, Qt::Uninitialized);
    char *out = result.data();
    qsizetype copied = 0;
    while (copied < length) {
        const QByteArray &front = blocks_.front();
        const qsizetype part = std::min(length - copied, front.size() - frontOffset_);
        std::memcpy(out + copied, front.constData() + frontOffset_, size_t(part));
        copied += part;
        frontOffset_ += part;
        if (frontOffset_ == front.size()) {
            blocks_.pop_front();
            frontOffset_ = 0;
        }
    }
    return result;
}

void CurlBodyBuffer::clear()
{
    blocks_.clear();
    frontOffset_ = 0;
    size_ = 0;
}
