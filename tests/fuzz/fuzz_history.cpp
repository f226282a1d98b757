// Recording an address into any history file. The input's first line is the
// address, the rest the file.
#include "core/storage/history.h"
#include "core/storage/text_limits.h"
#include "fuzz_support.h"

using namespace history;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    const QString path = fuzz::Folder() + "rireki.txt";
    const QString url = fuzz::SplitInput(data, size, path);
    const QByteArray before = testdata::ReadFile(path);
    const AddResult result = AddHistory(path, url);
    // The file is kept whole, and an address added is the menu's last entry.
    const QByteArray after = testdata::ReadFile(path);
    FUZZ_CHECK(result == AddResult::Appended
            ? after.startsWith(before) && LoadHistory(path)->last().url == persist::ReplaceLineBreaks(url)
            : after == before);
    return 0;
}
