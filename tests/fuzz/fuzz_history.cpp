// The history file from any bytes: the popup menu's entries, and recording
// an address into it. The input's first line is the address, the rest the file.
#include "fuzz_support.h"
#include "core/storage/history.h"
#include "core/storage/text_limits.h"

#include <algorithm>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    const QByteArray input = fuzz::Bytes(data, size);
    const qsizetype lf = input.indexOf('\n');
    const QString url = QString::fromUtf8(input.first(lf < 0 ? input.size() : lf));
    const QByteArray before = lf < 0 ? QByteArray() : input.sliced(lf + 1);
    const QString path = fuzz::Folder() + QStringLiteral("rireki.txt");
    FUZZ_CHECK(testdata::WriteFile(path, before));

    // At most 20 entries, numbered in order among the file's last 20 lines,
    // none empty and none holding a line break.
    const std::optional<QList<history::HistoryItem>> items = history::LoadHistory(path);
    FUZZ_CHECK(items && items->size() <= history::kShownLines);
    int previous = 0;
    for (const history::HistoryItem &item : *items) {
        FUZZ_CHECK(item.index > previous && item.index <= history::kShownLines);
        FUZZ_CHECK(!item.url.isEmpty() && !item.url.contains(u'\r') && !item.url.contains(u'\n'));
        previous = item.index;
    }

    // Recording keeps the whole file; an address already in the menu is not
    // added again, and an added one is the menu's last entry.
    const QString recorded = persist::ReplaceLineBreaks(url);
    const history::AddResult result = history::AddHistory(path, url);
    const QByteArray after = testdata::ReadFile(path);
    const auto listed = [&](const std::optional<QList<history::HistoryItem>> &menu) {
        return std::any_of(menu->begin(), menu->end(), [&](const auto &item) { return item.url == recorded; });
    };
    switch (result) {
    case history::AddResult::Appended:
        FUZZ_CHECK(after.startsWith(before) && history::LoadHistory(path)->last().url == recorded);
        break;
    case history::AddResult::AlreadyListed:
        FUZZ_CHECK(after == before && listed(items));
        break;
    case history::AddResult::Failed:
        FUZZ_CHECK(url.isEmpty() && after == before);
        break;
    }
    return 0;
}
