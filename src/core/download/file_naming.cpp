#include "core/download/file_naming.h"

#include "core/download/download_text.h"

#include <QFile>

#include <cerrno>
#include <sys/stat.h>

namespace naming {

namespace {

const QString kIndexName = QStringLiteral("index.html");
const QString kFolderName = QStringLiteral("download");

// An extension longer than this is not worth keeping when a name is shortened:
// it is more likely part of a query string than a file type.
constexpr qsizetype kMaxExtensionBytes = 32;

qsizetype Utf8Length(char16_t unit)
{
    return unit < 0x80 ? 1 : unit < 0x800 ? 2 : 3;
}

// The longest start of text that takes at most maxBytes in UTF-8, never
// ending between the two halves of a surrogate pair. A lone surrogate counts
// as the three bytes of the replacement character it is encoded as.
QStringView HeadWithin(QStringView text, qsizetype maxBytes)
{
    qsizetype bytes = 0;
    qsizetype i = 0;
    while (i < text.size()) {
        const bool pair = text[i].isHighSurrogate() && i + 1 < text.size() && text[i + 1].isLowSurrogate();
        const qsizetype size = pair ? 4 : Utf8Length(text[i].unicode());
        if (bytes + size > maxBytes)
            break;
        bytes += size;
        i += pair ? 2 : 1;
    }
    return text.left(i);
}

// The size of text as the file system gets it. QString::toUtf8() would
// count a lone surrogate as one byte, where the encoding of file names writes
// the three of the replacement character.
qsizetype Utf8Size(QStringView text)
{
    return QFile::encodeName(text.toString()).size();
}

// The part of name worth keeping at its end when it is shortened: from the
// first dot (".tar.gz"), or failing that from the last dot, as long as that is
// short; a dot at the very start marks a hidden file, not an extension.
QStringView ExtensionOf(QStringView name)
{
    for (const qsizetype dot : {name.indexOf(u'.', 1), name.lastIndexOf(u'.')}) {
        if (dot > 0 && Utf8Size(name.mid(dot)) <= kMaxExtensionBytes)
            return name.mid(dot);
    }
    return {};
}

QString Shortened(const QString &name)
{
    if (Utf8Size(name) <= kMaxNameBytes)
        return name;
    const QStringView extension = ExtensionOf(name);
    const QStringView stem = QStringView(name).chopped(extension.size());
    return HeadWithin(stem, kMaxNameBytes - Utf8Size(extension)).toString() + extension.toString();
}

// Makes the folder path and every missing folder above it; when that fails,
// errno tells why the folder that could not be made was refused (a home the
// user may not write to gives EACCES, not the ENOENT of a missing parent).
bool MakeFolder(const QByteArray &path)
{
    if (::mkdir(path.constData(), 0777) == 0)
        return true;
    const qsizetype slash = path.lastIndexOf('/');
    if (errno != ENOENT || slash <= 0)
        return false;
    if (!MakeFolder(path.left(slash)) && errno != EEXIST)
        return false;
    return ::mkdir(path.constData(), 0777) == 0;
}

} // namespace

QString MakeFilename(const QString &url)
{
    QString name = url.mid(url.lastIndexOf(u'/') + 1);
    if (name.isEmpty() || name == u"." || name == u"..")
        return kIndexName;
    // The two characters no Linux file name can hold.
    name.replace(QChar(u'\0'), u'_').replace(u'/', u'_');
    return Shortened(name);
}

std::optional<QString> MakeNewFilename(const QString &saveFolder, const QString &saveName)
{
    const qsizetype dot = saveName.indexOf(u'.');
    const QString head = dot < 0 ? saveName : saveName.left(dot);
    const QString tail = dot < 0 ? QString() : saveName.mid(dot);
    for (int n = 0; n <= kLastCounter; ++n) {
        QString candidate = head + u'[' + QString::number(n) + u']' + tail;
        if (!EntryExists(saveFolder + candidate))
            return candidate;
    }
    return std::nullopt;
}

bool EntryExists(const QString &path)
{
    struct stat status;
    // Any answer but "no such entry" counts as taken, so that an entry that
    // cannot be inspected is never replaced.
    return ::lstat(QFile::encodeName(path).constData(), &status) == 0 || errno != ENOENT;
}

SaveFolder MakeSaveFolder(const QString &executableDir)
{
    const QString base = executableDir.endsWith(u'/') ? executableDir : executableDir + u'/';
    const QString folder = base + kFolderName;
    const QByteArray native = QFile::encodeName(folder);
    SaveFolder result{folder + u'/', QString()};

    struct stat status;
    if (::lstat(native.constData(), &status) != 0) {
        if (!MakeFolder(native))
            result.problem = download::SaveFolderProblemText(folder, download::FileErrorText(errno));
    } else if (::stat(native.constData(), &status) != 0) {
        result.problem = download::SaveFolderProblemText(
            folder, errno == ENOENT ? download::kBrokenLink : download::FileErrorText(errno));
    } else if (!S_ISDIR(status.st_mode)) {
        result.problem = download::SaveFolderProblemText(folder, download::kNotAFolder);
    }
    return result;
}

} // namespace naming
