// The close's write of the settings over any file. The input's first line is
// the URL, the rest the file.
#include "core/storage/settings.h"
#include "fuzz_support.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    const QString path = fuzz::Folder() + "settei.ini";
    const QString url = fuzz::SplitInput(data, size, path);
    const QByteArray before = testdata::ReadFile(path);
    const bool saved = settings::SaveSettings(path, {.url = url});
    const QByteArray after = testdata::ReadFile(path);
    // A file not saved is untouched; a saved one still holds every line of the user's in its place, a
    // key line with at most its value changed. (The save itself reads back every value it wrote.)
    FUZZ_CHECK(saved || after == before);
    qsizetype at = 0;
    for (const QByteArray &line : QByteArray(before).replace('\r', '\n').split('\n')) {
        const QByteArray kept = line.split('=')[0];
        at = after.indexOf(kept, at);
        FUZZ_CHECK(at >= 0);
        at += kept.size();
    }
    return 0;
}
