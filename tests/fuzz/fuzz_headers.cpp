// The header box's text from any received header block: labels, dates,
// sizes, the spacing of colons and the control characters.
#include "core/headers/header_annotation.h"
#include "core/headers/value_format.h"
#include "core/transfer/curl_header_block.h"
#include "fuzz_support.h"

#include <QStringList>

using namespace Qt::StringLiterals;

namespace {

// Whether any label of the annotation could apply to the line.
bool MayBeLabelled(const QString &line)
{
    for (const mod::Annotation &row : mod::Annotations()) {
        if (line.contains(row.english, Qt::CaseInsensitive))
            return true;
    }
    return line.contains(u':');
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    const QString block = DecodeHeaderBlock(fuzz::Bytes(data, size));
    const QString shown
        = headers::HeaderBoxText(block, [&block](const QString &name) { return HeaderValue(block, name); });
    // Every line stays in its place: none is added, dropped, joined or
    // emptied; one that no label or date concerns is shown as received but
    // for its control characters, and no line holds one but TAB.
    const QStringList received = QString(block).replace(u"\r\n"_s, u"\n"_s).split(u'\n');
    const QStringList lines = shown.split(u'\n');
    FUZZ_CHECK(lines.size() == received.size());
    for (qsizetype i = 0; i < lines.size(); ++i) {
        FUZZ_CHECK(lines[i].isEmpty() == received[i].isEmpty());
        FUZZ_CHECK(MayBeLabelled(received[i]) || lines[i] == headers::VisibleControls(received[i]));
        FUZZ_CHECK(lines[i] == headers::VisibleControls(lines[i]));
    }
    return 0;
}
