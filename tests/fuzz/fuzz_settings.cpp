// The settings file from any bytes: reading every value, and the close's
// write of them.
#include "fuzz_support.h"
#include "core/storage/ini.h"
#include "core/storage/settings.h"

#include <QStringList>

#include <iterator>

namespace {

struct Key {
    const char *section;
    const char *key;
};

// The window's keys and two of a user's own.
constexpr Key kKeys[] = {
    {"Position", "Top"}, {"Position", "Left"}, {"Check", "Ref"}, {"Check", "Clip"},
    {"Check", "Rename"}, {"Check", "TopMost"}, {"Check", "TipHint"}, {"String", "URL"},
    {"Counter", "GetHead"}, {"Counter", "GetChuck"}, {"Counter", "Failure"},
    {"Counter", "Cancel"}, {"Mine", "Note"}, {"Position", "Width"},
};

// A value the writer stores as it is: no CR, LF or NUL, and short enough
// for the reader to return it whole.
bool Storable(const QString &value)
{
    return !value.contains(u'\r') && !value.contains(u'\n') && !value.contains(QChar(u'\0'))
        && value.toUtf8().size() <= ini::kMaxValueBytes;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    const QString path = fuzz::Folder() + QStringLiteral("settei.ini");
    FUZZ_CHECK(testdata::WriteFile(path, fuzz::Bytes(data, size)));
    settings::LoadSettings(path);

    QStringList values;
    {
        ini::SettingsFile file(path);
        for (const Key &key : kKeys)
            values << file.ReadIni(key.section, key.key);
        // Every other key is written back as it was read; the rest are left alone.
        for (size_t i = 0; i < std::size(kKeys); i += 2)
            file.WriteIni(kKeys[i].section, kKeys[i].key, values[qsizetype(i)]);
        FUZZ_CHECK(file.save());
    }
    // Whether written back or kept, each reads again the same.
    const ini::SettingsFile again(path);
    for (size_t i = 0; i < std::size(kKeys); ++i) {
        if (Storable(values[qsizetype(i)]))
            FUZZ_CHECK(again.ReadIni(kKeys[i].section, kKeys[i].key) == values[qsizetype(i)]);
    }
    return 0;
}
