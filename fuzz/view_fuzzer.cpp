// The --html5 view of any bytes as a page: the same bytes whether the page arrives whole or in
// pieces, and a page that parses back into the view's own markup alone: every tag one the view
// writes, every attribute value quoted, no script and no event-handler attribute, so that
// nothing of the page can run in it.
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <string>

#include "view/view.h"

namespace {

void require(bool ok)
{
    if (!ok)
        std::abort();
}

bool isViewTag(const std::string& name)
{
    static const char* const kNames[] = {
        "!DOCTYPE", "html",  "/html",  "head",   "/head",   "meta",     "title",    "/title",
        "body",     "/body", "table",  "/table", "caption", "/caption", "colgroup", "/colgroup",
        "col",      "tbody", "/tbody", "thead",  "/thead",  "tfoot",    "/tfoot",   "tr",
        "/tr",      "td",    "/td",    "th",     "/th",     "style",    "/style",   "ol",
        "/ol",      "li",    "/li",    "a",      "/a",      "div",      "/div",
    };
    for (const char* known : kNames) {
        if (name == known)
            return true;
    }
    return false;
}

// Reads the tag at `at` (its '<'); returns the position past its '>'.
std::size_t checkTag(const std::string& view, std::size_t at)
{
    std::size_t i = at + 1;
    std::size_t nameEnd = view.find_first_of(" >", i);
    require(nameEnd != std::string::npos && isViewTag(view.substr(i, nameEnd - i)));
    i = nameEnd;
    while (view[i] == ' ') {
        ++i;
        std::size_t nameStart = i;
        while (i < view.size() && view[i] != '=' && view[i] != ' ' && view[i] != '>')
            ++i;
        require(i < view.size() && i > nameStart);
        require(view.compare(nameStart, 2, "on") != 0);
        if (view[i] != '=')
            continue;  // the DOCTYPE's "html"
        require(view[i + 1] == '"');
        std::size_t close = view.find('"', i + 2);
        require(close != std::string::npos);
        require(view.find('<', i + 2) > close);
        i = close + 1;
    }
    require(view[i] == '>');
    return i + 1;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    std::string page(reinterpret_cast<const char*>(data), size);
    bool borders = size > 0 && (data[0] & 1) != 0;
    std::string view = zelko::view::viewText(page, borders, "p.html");
    std::size_t piece = size == 0 ? 1 : 1 + data[size - 1] % 13;
    require(zelko::view::viewText(page, borders, "p.html", piece) == view);
    for (std::size_t at = view.find('<'); at != std::string::npos; at = view.find('<', at)) {
        at = checkTag(view, at);
        if (view.compare(at - 7, 7, "<style>") == 0) {
            std::size_t end = view.find("</style>", at);
            require(end != std::string::npos);
            at = end;
        }
    }
    require(view.rfind("\n</body></html>\n") == view.size() - 16);
    return 0;
}
