// Address completion over any typed or pasted text.
#include "core/address/url_completion.h"
#include "fuzz_support.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    const auto done = url::CompleteURL(fuzz::Text(data, size));
    // A request goes out over HTTP or HTTPS only, and completing it again changes nothing.
    FUZZ_CHECK(!done.valid
        || ((done.url.startsWith(u"http://") || done.url.startsWith(u"https:"))
            && url::CompleteURL(done.url).url == done.url));
    return 0;
}
