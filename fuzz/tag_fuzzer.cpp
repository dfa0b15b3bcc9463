// The tag record built from '<', any bytes, '>': of any length, far beyond the fixed buffers.
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <string>

#include "tag/TagInfo.h"

namespace {
void check(bool ok)
{
    if (!ok)
        std::abort();
}
// Every character of a field must come from the tag text.
void fromText(const char* field, const std::string& text)
{
    check(std::strlen(field) <= 19);
    for (const char* c = field; *c != '\0'; ++c)
        check(text.find(*c) != std::string::npos);
}
}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    std::string text = "<" + std::string(reinterpret_cast<const char*>(data), size) + ">";
    zelko::TagInfo a(text.data(), text.size());
    zelko::TagInfo b(text.data(), text.size());
    zelko::TagInfo head(text.data(), text.size(), zelko::TagInfo::Parse::nameOnly);
    check(std::strcmp(a.name, b.name) == 0 && std::strcmp(a.className, b.className) == 0);
    check(a.colspan == b.colspan && a.rowspan == b.rowspan && a.closing == b.closing);
    check(std::strcmp(a.name, head.name) == 0 && a.closing == head.closing);
    fromText(a.name, text);
    fromText(a.className, text);
    if (a.closing)
        check(a.className[0] == '\0' && a.colspan == 1 && a.rowspan == 1);
    return 0;
}
