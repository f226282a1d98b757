// The name a download is saved under, from any address, and its counted form.
#include "core/download/file_naming.h"
#include "fuzz_support.h"

#include <QFile>

#include <climits>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    const QString name = naming::MakeFilename(fuzz::Text(data, size));
    // One plain entry of the download folder, with room left for a counter.
    const QByteArray bytes = QFile::encodeName(name);
    FUZZ_CHECK(!bytes.isEmpty() && bytes != "." && bytes != "..");
    FUZZ_CHECK(!bytes.contains('/') && !bytes.contains('\0'));
    FUZZ_CHECK(bytes.size() <= naming::kMaxNameBytes);
    // In an empty folder the first counter is free, and the name still fits.
    const std::optional<QString> counted = naming::MakeNewFilename(fuzz::Folder(), name);
    FUZZ_CHECK(counted && counted->contains(u"[0]") && !counted->contains(u'/'));
    FUZZ_CHECK(QFile::encodeName(*counted).size() <= NAME_MAX);
    return 0;
}
