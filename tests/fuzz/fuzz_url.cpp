// Address completion, the Referer's directory and the Referer's form of an
// address, over any typed or pasted text.
#include "fuzz_support.h"
#include "core/address/url_completion.h"

namespace {

bool IsBlank(QChar c)
{
    return c == u' ' || c == u'\t' || c == QChar(0x3000);
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    const QString typed = fuzz::Text(data, size);
    const url::Completion done = url::CompleteURL(typed);
    // The box never keeps blanks at either end of what it shows.
    FUZZ_CHECK(done.url.isEmpty() || (!IsBlank(done.url.front()) && !IsBlank(done.url.back())));
    if (done.valid) {
        // A request goes out over HTTP or HTTPS only, and completing it again changes nothing.
        FUZZ_CHECK(done.url.startsWith(u"http://") || done.url.startsWith(u"https:"));
        const url::Completion again = url::CompleteURL(done.url);
        FUZZ_CHECK(again.valid && again.url == done.url && again.warning.isEmpty());
    }
    // The directory is the start of the address, up to a "/" unless it is all of it.
    const QString directory = url::MakeURLPath(typed);
    FUZZ_CHECK(typed.startsWith(directory) && (directory == typed || directory.endsWith(u'/')));
    FUZZ_CHECK(!url::WithoutUserAndFragment(typed).contains(u'#'));
    return 0;
}
