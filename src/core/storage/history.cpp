#include "core/storage/history.h"

#include "core/download/download_text.h"
#include "core/storage/text_limits.h"

#include <QFile>
#include <QFileInfo>

#include <algorithm>

#include <cerrno>

#include <sys/file.h>

namespace history {

namespace {

constexpr qint64 kBlockBytes = 64 * 1024;

// A line ends at CR LF, at a lone LF or at a lone CR.
bool IsLineBreak(char c)
{
    return c == '\n' || c == '\r';
}

// Whether needle counts as already recorded in the file read from its start:
// the first line equal to it comes before any empty line, and the last equal
// line is among the last kShownLines lines. Only the bytes that can still
// decide a comparison are kept of each line. Nothing when reading fails.
std::optional<bool> IsListed(QFile &file, QByteArrayView needle)
{
    QByteArray head; // the first bytes of the current line
    qint64 length = 0; // the current line's length so far
    qint64 line = 1;
    qint64 lastEqual = 0;
    // False when the comparison ends here: an empty line came first.
    const auto endOfLine = [&] {
        if (length == needle.size() && head == needle)
            lastEqual = line;
        else if (length == 0 && lastEqual == 0)
            return false;
        head.clear();
        length = 0;
        return true;
    };

    QByteArray block(kBlockBytes, Qt::Uninitialized);
    bool afterCR = false; // an LF right after a CR ends no second line
    for (;;) {
        const qint64 got = file.read(block.data(), block.size());
        if (got < 0)
            return std::nullopt;
        if (got == 0)
            break;
        const char *p = block.constData();
        const char *const end = p + got;
        if (afterCR && *p == '\n')
            ++p;
        afterCR = false;
        while (p < end) {
            const char *const stop = std::find_if(p, end, IsLineBreak);
            head.append(
                p, std::min<qsizetype>(stop - p, std::max<qsizetype>(needle.size() - head.size(), 0)));
            length += stop - p;
            if (stop == end)
                break;
            if (!endOfLine())
                return false;
            ++line;
            p = stop + 1;
            if (*stop == '\r') {
                if (p == end)
                    afterCR = true;
                else if (*p == '\n')
                    ++p;
            }
        }
    }
    if (!endOfLine())
        return false;
    return lastEqual != 0 && line - lastEqual < kShownLines;
}

// The offsets at which the last kShownLines lines of the file start (all of
// them when it has fewer), in file order. The file is read from its end.
std::optional<QList<qint64>> LastLineStarts(QFile &file)
{
    QList<qint64> starts;
    QByteArray block(kBlockBytes, Qt::Uninitialized);
    qint64 blockEnd = file.size();
    bool beforeLF = false; // a CR right before an LF starts no line of its own
    while (blockEnd > 0 && starts.size() < kShownLines) {
        const qint64 blockStart = std::max<qint64>(0, blockEnd - kBlockBytes);
        const qint64 size = blockEnd - blockStart;
        if (!file.seek(blockStart) || file.read(block.data(), size) != size)
            return std::nullopt;
        for (qint64 i = size - 1; i >= 0 && starts.size() < kShownLines; --i) {
            const char c = block.at(i);
            const bool pairedCR = c == '\r' && beforeLF;
            beforeLF = c == '\n';
            if (IsLineBreak(c) && !pairedCR)
                starts.append(blockStart + i + 1);
        }
        blockEnd = blockStart;
    }
    if (starts.size() < kShownLines)
        starts.append(0);
    std::reverse(starts.begin(), starts.end());
    return starts;
}

} // namespace

AddResult AddHistory(const QString &path, const QString &url, QString *failure)
{
    const auto failed = [failure](int error) {
        if (failure)
            *failure = download::FileErrorText(error);
        return AddResult::Failed;
    };
    const QByteArray needle = persist::ReplaceLineBreaks(url).toUtf8();
    if (needle.isEmpty())
        return AddResult::Failed;
    // Anything but a plain file (a folder, a pipe that would block) is left alone.
    const QFileInfo info(path);
    if (info.exists() && !info.isFile())
        return failed(info.isDir() ? EISDIR : EINVAL);

    // Every write goes to the end of the file. A file that cannot be written
    // is still read: an address it lists needs no writing.
    QFile file(path);
    const bool writable = file.open(QIODevice::ReadWrite | QIODevice::Append | QIODevice::Unbuffered);
    const int openError = errno;
    if (!writable && !file.open(QIODevice::ReadOnly))
        return failed(openError);
    // Two windows recording at the same moment would each read the file's
    // end before the other's address is there and decide alike whether a
    // line break goes first: into an empty file both would write their
    // address without one, on the same line. Reading and appending under
    // one lock makes them one step; the second window waits for the first
    // and then reads its line.
    if (writable && ::flock(file.handle(), LOCK_EX) != 0)
        return failed(errno);
    if (!file.seek(0))
        return failed(errno);
    const std::optional<bool> listed = IsListed(file, needle);
    if (!listed)
        return failed(errno);
    if (*listed)
        return AddResult::AlreadyListed;
    if (!writable)
        return failed(openError);
    char last = '\n';
    const bool endsWithLineBreak
        = file.size() == 0 || (file.seek(file.size() - 1) && file.getChar(&last) && IsLineBreak(last));
    const QByteArray text = endsWithLineBreak ? needle : "\r\n" + needle;
    if (file.write(text) != text.size())
        return failed(errno);
    return AddResult::Appended;
}

std::optional<QList<HistoryItem>> LoadHistory(const QString &path)
{
    if (!QFileInfo(path).isFile())
        return std::nullopt;
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return std::nullopt;
    const std::optional<QList<qint64>> starts = LastLineStarts(file);
    if (!starts)
        return std::nullopt;

    QList<HistoryItem> items;
    for (qsizetype i = 0; i < starts->size(); ++i) {
        // A line ends at the break before the next line (a CR of a CR LF is
        // taken off below), the last one at the end of the file.
        const qint64 start = starts->at(i);
        const qint64 length = (i + 1 < starts->size() ? starts->at(i + 1) - 1 : file.size()) - start;
        if (length == 0 || !file.seek(start))
            continue;
        // One byte more than is kept tells a line that must be cut.
        QByteArray bytes = file.read(std::min(length, kMaxLineBytes + 1));
        if (bytes.size() == length && bytes.endsWith('\r'))
            bytes.chop(1);
        if (bytes.isEmpty())
            continue;
        items.append({int(i + 1), persist::DecodeUtf8Prefix(bytes, kMaxLineBytes)});
    }
    return items;
}

QString HistoryCaption(const HistoryItem &item)
{
    QString shown = item.url;
    if (shown.size() > kCaptionUrlLength) {
        const bool splitsPair = shown.at(kCaptionUrlLength - 1).isHighSurrogate();
        shown = shown.first(kCaptionUrlLength - (splitsPair ? 1 : 0)) + u'…';
    }
    for (QChar &c : shown) {
        // A tab would also move the rest to the menu's shortcut column.
        if (c.category() == QChar::Other_Control)
            c = u' ';
    }
    shown.replace(u'&', QStringLiteral("&&"));
    return QString::number(item.index) + u'.' + shown;
}

} // namespace history
