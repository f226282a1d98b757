#include "core/storage/ini.h"

#include "core/download/download_text.h"
#include "core/storage/text_limits.h"

#include <QCoreApplication>
#include <QFile>
#include <QSaveFile>

#include <algorithm>

#include <cerrno>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

// The Debian package of SimpleIni compiles the class's code only where
// SI_IMPLEMENTATION is defined, and its default UTF-8 converter needs a
// header it does not ship. CSimpleIniA needs neither converter: it keeps the
// file's bytes as they are, which is UTF-8 here.
#define SI_IMPLEMENTATION
#define SI_NO_CONVERSION
#include <SimpleIni.h>

namespace ini {

namespace {

// A settings file of ours is a few hundred bytes; anything far larger is not one.
constexpr qint64 kMostFileBytes = 1024 * 1024;

constexpr QByteArrayView kByteOrderMark = "\xEF\xBB\xBF";

const QString kRefused = QStringLiteral("設定ファイルではないため、書き換えませんでした。");

// Reads path only when it is a plain file of a sane size: a FIFO would block
// the start, a link to a device would never end. Opened without blocking and
// checked on the open file itself, so a swap after the check cannot matter.
// Returns why the file must not be written; empty when it was read or is
// absent (also when its folder is: saving then tells why).
QString ReadSettingsBytes(const QString &path, QByteArray *data)
{
    const int fd = ::open(QFile::encodeName(path).constData(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0) {
        const int error = errno;
        return error == ENOENT || error == ENOTDIR ? QString() : download::FileErrorText(error);
    }
    struct stat status { };
    QFile file;
    if (::fstat(fd, &status) != 0 || !S_ISREG(status.st_mode) || status.st_size > kMostFileBytes
        || !file.open(fd, QIODevice::ReadOnly, QFileDevice::AutoCloseHandle)) {
        ::close(fd);
        return kRefused;
    }
    // As much as the file holds, and one byte more to tell a file that grew
    // meanwhile, which is refused like one too large.
    *data = file.read(status.st_size + 1);
    if (data->size() <= status.st_size)
        return QString();
    data->clear();
    return kRefused;
}

// The text as the parser gets it. The parser stops at a NUL byte, which
// would lose every line after it: a damaged byte reads as a blank instead.
QByteArray AsRead(QByteArray data)
{
    return data.replace('\0', ' ');
}

void Parse(CSimpleIniA &ini, const QByteArray &data)
{
    ini.SetUnicode(true);
    // Duplicate keys are all kept, so that the first one counts.
    ini.SetMultiKey(true);
    // Quotes keep blanks at a value's ends, which the reader would trim.
    ini.SetQuotes(true);
    const QByteArray text = AsRead(data);
    ini.LoadData(text.constData(), size_t(text.size()));
}

bool IsBlank(char c)
{
    return c == ' ' || c == '\t';
}

bool IsLineBreak(char c)
{
    return c == '\r' || c == '\n';
}

QByteArrayView Trimmed(QByteArrayView text)
{
    while (!text.isEmpty() && IsBlank(text.front()))
        text = text.sliced(1);
    while (!text.isEmpty() && IsBlank(text.back()))
        text.chop(1);
    return text;
}

bool SameName(QByteArrayView name, QByteArrayView wanted)
{
    return name.compare(wanted, Qt::CaseInsensitive) == 0;
}

// Where a key's value stands in the file, or where a line for the key goes.
struct Place {
    bool sectionFound = false;
    bool keyFound = false;
    qsizetype from = 0; // the value's bytes [from, to), or where a new key line goes
    qsizetype to = 0;
};

// Finds a key line by the parser's rules for one line: a line breaks at CR
// LF, LF or CR; blanks before it do not count; it is a comment when it starts
// with ";" or "#", a section header when it starts with "[" and holds a "]",
// a key when it holds a "=" after a name; any other line is passed over.
// The first key of that name counts, in all the headers of its section.
Place Find(QByteArrayView text, QByteArrayView section, QByteArrayView key)
{
    Place place;
    bool inside = false; // after a header of the section
    bool adding = false; // ... after its first header, where a new key goes
    qsizetype start = text.startsWith(kByteOrderMark) ? kByteOrderMark.size() : 0;
    while (start < text.size()) {
        qsizetype end = start;
        while (end < text.size() && !IsLineBreak(text[end]))
            ++end;
        const QByteArrayView line = Trimmed(text.sliced(start, end - start));
        const qsizetype lineStart = line.data() - text.data();
        start = end + (text.sliced(end).startsWith("\r\n") ? 2 : 1);
        if (line.startsWith('[')) {
            const qsizetype close = line.indexOf(']');
            inside = close > 0 && SameName(Trimmed(line.sliced(1, close - 1)), section);
            adding = inside && !place.sectionFound;
            place.sectionFound = place.sectionFound || inside;
            if (adding)
                place.from = end;
            continue;
        }
        const qsizetype equals = line.indexOf('=');
        if (!inside || equals <= 0 || line.startsWith(';') || line.startsWith('#'))
            continue;
        if (SameName(Trimmed(line.first(equals)), key)) {
            place.keyFound = true;
            place.from = lineStart + equals + 1;
            place.to = lineStart + line.size();
            while (place.from < place.to && IsBlank(text[place.from]))
                ++place.from;
            return place;
        }
        if (adding)
            place.from = end;
    }
    return place;
}

} // namespace

struct SettingsFile::Store {
    CSimpleIniA ini;
    QByteArray original; // the file as it was read
    QByteArray bytes; // the file as save() writes it
    struct Written {
        QByteArray section;
        QByteArray key;
        QByteArray value; // as the reader must return it
    };
    QList<Written> written;
};

SettingsFile::SettingsFile(const QString &path) : path_(path), store_(std::make_unique<Store>())
{
    refusal_ = ReadSettingsBytes(path_, &store_->original);
    store_->bytes = store_->original;
    Parse(store_->ini, store_->original);
}

SettingsFile::~SettingsFile() = default;

QString SettingsFile::ReadIni(const QString &section, const QString &key) const
{
    const QByteArrayView value(
        store_->ini.GetValue(section.toUtf8().constData(), key.toUtf8().constData(), ""));
    QString text = persist::DecodeUtf8Prefix(value, kMaxValueBytes);
    // The decoder drops a U+FEFF at the start as a byte order mark; at the
    // start of a value it is a character that was written there, and stays.
    if (value.startsWith(kByteOrderMark))
        text.prepend(QChar(0xFEFF));
    return text;
}

void SettingsFile::WriteIni(const QString &section, const QString &key, const QString &value)
{
    Store &store = *store_;
    const Store::Written written{section.toUtf8(), key.toUtf8(), persist::ReplaceLineBreaks(value).toUtf8()};
    store.written.removeIf([&written](const Store::Written &earlier) {
        return SameName(earlier.section, written.section) && SameName(earlier.key, written.key);
    });
    store.written.append(written);
    // The reader trims blanks at a value's ends and takes one pair of quotes
    // off a value that starts and ends with one; quotes keep such a value.
    QByteArray text = written.value;
    const bool quoted = text.size() >= 2 && text.startsWith('"') && text.endsWith('"');
    if (!text.isEmpty() && (IsBlank(text.front()) || IsBlank(text.back()) || quoted))
        text = '"' + text + '"';

    const Place place = Find(AsRead(store.bytes), written.section, written.key);
    if (place.keyFound) {
        store.bytes.replace(place.from, place.to - place.from, text);
        return;
    }
    const QByteArray lineBreak = store.original.contains("\r\n") ? "\r\n" : "\n";
    const QByteArray line = written.key + '=' + text;
    if (place.sectionFound) {
        store.bytes.insert(place.from, lineBreak + line);
        return;
    }
    if (!store.bytes.isEmpty() && !IsLineBreak(store.bytes.back()))
        store.bytes += lineBreak;
    if (!store.bytes.isEmpty())
        store.bytes += lineBreak;
    store.bytes += '[' + written.section + ']' + lineBreak + line + lineBreak;
}

QString SettingsFile::save() const
{
    if (!refusal_.isEmpty())
        return refusal_; // whatever stands there is not written over
    const Store &store = *store_;
    // Text without any of the sections written is someone else's file (notes
    // that settei.ini links to, say): adding ours would change it.
    QByteArrayView text = store.original;
    if (text.startsWith(kByteOrderMark))
        text = text.sliced(kByteOrderMark.size());
    bool ours = std::all_of(text.begin(), text.end(), [](char c) { return IsBlank(c) || IsLineBreak(c); });
    const QByteArray original = AsRead(store.original);
    for (const Store::Written &written : store.written)
        ours = ours || Find(original, written.section, written.key).sectionFound;
    if (!ours)
        return kRefused;
    // The parser also reads across lines where a line-by-line view does not
    // ("[" alone on a line), so every value written is read back before the
    // file is replaced.
    CSimpleIniA check;
    Parse(check, store.bytes);
    for (const Store::Written &written : store.written) {
        if (check.GetValue(written.section.constData(), written.key.constData(), "") != written.value)
            return kRefused;
    }
    QSaveFile file(path_);
    // commit() does not notice a failure to flush its write buffer (Qt 6.4),
    // so the buffer is flushed first: a failed write then keeps the old file.
    if (file.open(QIODevice::WriteOnly) && file.write(store.bytes) == store.bytes.size() && file.flush()
        && file.commit())
        return QString();
    return download::FileErrorText(errno);
}

} // namespace ini
