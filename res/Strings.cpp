#include "res/Strings.h"

#include "res/Resource.h"

namespace res {

namespace {

struct StringEntry {
    int id;
    const char* text;
};

constexpr StringEntry kStrings[] = {
    {IDS_ABOUTBOX, "&About Kestrel..."},
};

} // namespace

QString loadString(int id)
{
    for (const StringEntry& s : kStrings) {
        if (s.id == id)
            return QString::fromUtf8(s.text);
    }
    return QString();
}

} // namespace res
