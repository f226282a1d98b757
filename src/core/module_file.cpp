#include "core/module_file.h"

#include "core/version.h"

#include <QFile>
#include <QFileInfo>

#include <elf.h>

#include <cstring>

namespace modulefile {

QByteArray VersionMarker()
{
    return QByteArrayLiteral("Tobrell window module ") + tobrell::kVersion;
}

namespace {

// True when [offset, offset + size) lies within a file of length bytes.
bool Within(quint64 offset, quint64 size, quint64 length)
{
    return offset <= length && size <= length - offset;
}

QString ElfProblem(const QByteArray &file)
{
    const auto length = quint64(file.size());
    Elf64_Ehdr header;
    if (length < sizeof header || std::memcmp(file.constData(), ELFMAG, SELFMAG) != 0)
        return QStringLiteral("共有ライブラリではありません");
    std::memcpy(&header, file.constData(), sizeof header);
    if (header.e_ident[EI_CLASS] != ELFCLASS64 || header.e_type != ET_DYN || header.e_machine != EM_X86_64)
        return QStringLiteral("このコンピュータ用の共有ライブラリではありません");
    if (header.e_phentsize != sizeof(Elf64_Phdr)
        || !Within(header.e_phoff, quint64(header.e_phnum) * sizeof(Elf64_Phdr), length)
        || !Within(header.e_shoff, quint64(header.e_shnum) * header.e_shentsize, length))
        return QStringLiteral("ファイルが途中で切れています");
    for (int i = 0; i < header.e_phnum; ++i) {
        Elf64_Phdr segment;
        std::memcpy(&segment, file.constData() + header.e_phoff + i * sizeof segment, sizeof segment);
        if (segment.p_type == PT_LOAD && !Within(segment.p_offset, segment.p_filesz, length))
            return QStringLiteral("ファイルが途中で切れています");
    }
    return {};
}

} // namespace

QString Problem(const QString &path)
{
    QFile file(path);
    // A pipe or a device would block the open or the read.
    if (file.exists() && !QFileInfo(path).isFile())
        return QStringLiteral("通常のファイルではありません");
    if (!file.open(QIODevice::ReadOnly))
        return file.errorString();
    // Mapped rather than read: the module is a few MiB and only its
    // headers and the marker are looked at.
    const qint64 size = file.size();
    uchar *data = size > 0 ? file.map(0, size) : nullptr;
    if (!data)
        return QStringLiteral("共有ライブラリではありません");
    const QByteArray bytes = QByteArray::fromRawData(reinterpret_cast<const char *>(data), size);
    QString problem = ElfProblem(bytes);
    // The marker ends with NUL, so that version 1.0 does not pass for 1.00.
    if (problem.isEmpty() && !bytes.contains(VersionMarker() + '\0'))
        problem = QStringLiteral("このバージョン (%1) のウィンドウモジュールではありません")
                      .arg(QLatin1String(tobrell::kVersion));
    file.unmap(data);
    return problem;
}

} // namespace modulefile
