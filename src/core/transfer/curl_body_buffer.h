#pragma once

#include <QByteArray>

#include <deque>

// The response body bytes that arrived but were not yet taken, kept as a
// queue of 64 KiB blocks. Blocks are filled to their full size, so taking
// 65536 bytes at a time (the download loop's chunk size) hands out whole
// blocks without copying them again.
class CurlBodyBuffer {
public:
    static constexpr qsizetype kBlockSize = 64 * 1024;

    void append(const char *data, qsizetype length);
    // Removes and returns the first min(maximum, size()) bytes.
    QByteArray take(qsizetype maximum);
    qsizetype size() const { return size_; }
    bool isEmpty() const { return size_ == 0; }
    void clear();

private:
    std::deque<QByteArray> blocks_;
    qsizetype frontOffset_ = 0; // bytes of blocks_.front() already taken
    qsizetype size_ = 0;
};
