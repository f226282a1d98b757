// The name a download is saved under, from any address.
#include "core/download/file_naming.h"
#include "fuzz_support.h"

#include <QFile>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    // One plain entry of the download folder as the file system gets it,
    // short enough for a counter or the temporary file's prefix.
    const QByteArray name = QFile::encodeName(naming::MakeFilename(fuzz::Text(data, size)));
    FUZZ_CHECK(!name.isEmpty() && name.size() <= naming::kMaxNameBytes && name != "." && name != ".."
        && !name.contains('/') && !name.contains('\0'));
    return 0;
}
