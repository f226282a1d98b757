#include "core/storage/ini.h"

#include "core/storage/text_limits.h"

#include <QCoreApplication>
#include <QFile>
#include <QSaveFile>

#include <string>

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

enum class Reading { Absent, Read, Refused };

// Reads path only when it is a plain file of a sane size: a FIFO would block
// the start, a link to a device would never end. Opened without blocking and
// checked on the open file itself, so a swap after the check cannot matter.
Reading ReadSettingsBytes(const QString &path, QByteArray *data)
{
    const int fd = ::open(QFile::encodeName(path).constData(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0)
        return errno == ENOENT ? Reading::Absent : Reading::Refused;
    struct stat status {};
    QFile file;
    if (::fstat(fd, &status) != 0 || !S_ISREG(status.st_mode) || status.st_size > kMostFileBytes
        || !file.open(fd, QIODevice::ReadOnly, QFileDevice::AutoCloseHandle)) {
        ::close(fd);
        return Reading::Refused;
    }
    // As much as the file holds, and one byte more to tell a file that grew
    // meanwhile, which is refused like one too large.
    *data = file.read(status.st_size + 1);
    return data->size() > status.st_size ? Reading::Refused : Reading::Read;
}

// The parser drops a line that is neither a section, a comment nor a key
// (it has no "="), and the close would lose it: such a line of the user's
// is read as a key without a value instead, and written back with its "=".
QByteArray WithBareLinesAsKeys(const QByteArray &data)
{
    QList<QByteArray> lines = data.split('\n');
    for (QByteArray &line : lines) {
        const QByteArray text = line.trimmed();
        if (!text.isEmpty() && !QByteArrayView(";#[").contains(text.front()) && !text.contains('='))
            line.insert(line.endsWith('\r') ? line.size() - 1 : line.size(), '=');
    }
    return lines.join('\n');
}

} // namespace

struct SettingsFile::Store {
    CSimpleIniA ini;
};

QString GetAppPath()
{
    const QString folder = QCoreApplication::applicationDirPath();
    return folder.endsWith(u'/') ? folder : folder + u'/';
}

SettingsFile::SettingsFile(const QString &path)
    : path_(path)
    , store_(std::make_unique<Store>())
{
    CSimpleIniA &ini = store_->ini;
    ini.SetUnicode(true);
    // Duplicate keys are all kept, so that the first one can count and
    // writing the key can fold them into one line.
    ini.SetMultiKey(true);
    // Quotes keep blanks at a value's ends, which the reader would trim.
    ini.SetQuotes(true);
    ini.SetSpaces(false);
    QByteArray data;
    const Reading reading = ReadSettingsBytes(path_, &data);
    refused_ = reading == Reading::Refused;
    // The parser stops at a NUL byte, which would lose every line after it:
    // a damaged byte becomes a blank, and the rest of the file reads as usual.
    data.replace('\0', ' ');
    data = WithBareLinesAsKeys(data);
    ini.LoadData(data.constData(), size_t(data.size()));
}

SettingsFile::~SettingsFile() = default;

QString SettingsFile::ReadIni(const QString &section, const QString &key) const
{
    const QByteArrayView value(store_->ini.GetValue(section.toUtf8().constData(), key.toUtf8().constData(), ""));
    QString text = persist::DecodeUtf8Prefix(value, kMaxValueBytes);
    // The decoder drops a U+FEFF at the start as a byte order mark; at the
    // start of a value it is a character that was written there, and stays.
    if (value.startsWith("\xEF\xBB\xBF"))
        text.prepend(QChar(0xFEFF));
    return text;
}

void SettingsFile::WriteIni(const QString &section, const QString &key, const QString &value)
{
    QString text = persist::ReplaceLineBreaks(value);
    // The reader takes one pair of quotes off a value that starts and ends
    // with one; an extra pair keeps such a value as it is.
    if (text.size() >= 2 && text.startsWith(u'"') && text.endsWith(u'"'))
        text = u'"' + text + u'"';
    store_->ini.SetValue(section.toUtf8().constData(), key.toUtf8().constData(), text.toUtf8().constData(),
                         nullptr, true);
}

bool SettingsFile::save() const
{
    if (refused_)
        return false; // whatever stands there is not written over
    std::string contents;
    if (store_->ini.Save(contents) != SI_OK)
        return false;
    // The reader takes a byte order mark at the very start for the file's
    // signature and drops it. A first line that starts with one itself (a key
    // that stood after a line the parser skipped) keeps it behind a signature,
    // or it would read as another line, a section header perhaps.
    if (contents.starts_with("\xEF\xBB\xBF"))
        contents.insert(0, "\xEF\xBB\xBF");
    QSaveFile file(path_);
    // commit() does not notice a failure to flush its write buffer (Qt 6.4),
    // so the buffer is flushed first: a failed write then keeps the old file.
    return file.open(QIODevice::WriteOnly)
        && file.write(contents.data(), qint64(contents.size())) == qint64(contents.size())
        && file.flush() && file.commit();
}

} // namespace ini
