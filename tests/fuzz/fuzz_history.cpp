// The history file from any bytes: the popup menu's entries, and recording
// an address into it. The input's first line is the address, the rest the file.
#include "fuzz_support.h"
#include "persist/history.h"
#include "persist/text_limits.h"

#include <algorithm>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    const QByteArray input = fuzz::Bytes(data, size);
    const qsizetype lf = input.indexOf('\n');
    const QString url = QString::fromUtf8(input.first(lf < 0 ? input.size() : lf));
    const QByteArray before = lf < 0 ? QByteArray() : input.sliced(lf + 1);
    const QString path = fuzz::Folder() + QStringLiteral("rireki.txt");
    FUZZ_CHECK(testdata::WriteFile(path, before));

    // At most 20 entries, each one of the file's last 20 lines in its place,
    // without its line break, and every non-empty one of them listed.
    const std::optional<QList<history::HistoryItem>> items = history::LoadHistory(path);
    FUZZ_CHECK(items && items->size() <= history::kShownLines);
    // A line ends at CR LF, at a lone LF or at a lone CR.
    const QList<QByteArray> lines = QByteArray(before).replace("\r\n", "\n").replace('\r', '\n').split('\n');
    const qsizetype first = std::max<qsizetype>(0, lines.size() - history::kShownLines);
    qsizetype nonEmpty = 0;
    for (qsizetype i = first; i < lines.size(); ++i)
        nonEmpty += !lines[i].isEmpty();
    FUZZ_CHECK(items->size() == nonEmpty);
    int previous = 0;
    for (const history::HistoryItem &item : *items) {
        FUZZ_CHECK(item.index > previous && first + item.index <= lines.size());
        FUZZ_CHECK(item.url == QString::fromUtf8(lines[first + item.index - 1]));
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
