#include "html/tags.h"

namespace zelko::html {

const char* nameOf(Tag tag)
{
    static const char* const kNames[kTagCount] = {
        "",         "table",    "caption",   "colgroup", "col",    "tbody",  "thead",
        "tfoot",    "tr",       "td",        "th",       "select", "input",  "keygen",
        "textarea", "template", "script",    "style",    "xmp",    "iframe", "noembed",
        "noframes", "title",    "plaintext", "svg",      "math",   "font",   "annotation-xml",
    };
    return kNames[static_cast<std::size_t>(tag)];
}

}  // namespace zelko::html
