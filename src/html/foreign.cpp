// Foreign content: SVG and MathML in a page, as far as they change what becomes a table element.
// An svg or math element opens it; in it, tags make elements of its own namespace (a td in SVG
// is no cell) until an end tag closes them, a breakout tag ends them, or an integration point
// lets HTML in again.
#include <algorithm>
#include <cstring>

#include "html/tree.h"
#include "text/bytes.h"

namespace zelko::html {

const AttributeWish kTreeAttributes[TreeAttribute::count] = {
    {tagsOf({Tag::font}), "color", ValueKind::text},
    {tagsOf({Tag::font}), "face", ValueKind::text},
    {tagsOf({Tag::font}), "size", ValueKind::text},
    {tagsOf({Tag::annotationXml}), "encoding", ValueKind::text},
    {tagsOf({Tag::input}), "type", ValueKind::text},
};

namespace {

template <std::size_t N>
bool named(const Token& token, const char (&name)[N])
{
    return token.nameLength == N - 1 && token.name() == std::string_view(name, N - 1);
}

template <std::size_t N>
bool named(std::string_view name, const char (&known)[N])
{
    return name == std::string_view(known, N - 1);
}

// Whether `text` is `lower` but for ASCII letter case.
bool equalsIgnoringCase(std::string_view text, std::string_view lower)
{
    if (text.size() != lower.size())
        return false;
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (lowerAscii(static_cast<unsigned char>(text[i])) != static_cast<unsigned char>(lower[i]))
            return false;
    }
    return true;
}

// The start tags that end foreign content (but font, which has a rule of its own).
bool isBreakoutName(std::string_view n)
{
    static const char* const kNames[] = {
        "b",     "big",   "blockquote", "body",   "br",   "center", "code",  "dd", "div",  "dl",   "dt",
        "em",    "embed", "h1",         "h2",     "h3",   "h4",     "h5",    "h6", "head", "hr",   "i",
        "img",   "li",    "listing",    "menu",   "meta", "nobr",   "ol",    "p",  "pre",  "ruby", "s",
        "small", "span",  "strong",     "strike", "sub",  "sup",    "table", "tt", "u",    "ul",   "var",
    };
    for (const char* name : kNames) {
        if (n == name)
            return true;
    }
    return false;
}

// The HTML elements that hold nothing, and those the body takes in without making an element.
bool isVoidName(std::string_view n)
{
    static const char* const kNames[] = {"area",   "base",  "basefont", "bgsound", "br",      "col",
                                         "embed",  "frame", "hr",       "image",   "img",     "input",
                                         "keygen", "link",  "meta",     "param",   "source",  "track",
                                         "wbr",    "html",  "head",     "body",    "frameset"};
    for (const char* name : kNames) {
        if (n == name)
            return true;
    }
    return false;
}

// The start tags that end an open p.
bool closesP(std::string_view n)
{
    static const char* const kNames[] = {
        "address", "article", "aside",     "blockquote", "center", "details", "dialog",  "dir",
        "div",     "dl",      "fieldset",  "figcaption", "figure", "footer",  "header",  "hgroup",
        "main",    "menu",    "nav",       "ol",         "p",      "search",  "section", "summary",
        "ul",      "h1",      "h2",        "h3",         "h4",     "h5",      "h6",      "pre",
        "listing", "form",    "plaintext", "hr",         "xmp",
    };
    for (const char* name : kNames) {
        if (n == name)
            return true;
    }
    return false;
}

// The standard's special category of HTML elements, as far as they can stand in an integration point.
bool isSpecialName(std::string_view n)
{
    static const char* const kNames[] = {
        "address",  "applet",  "article",  "aside",    "blockquote", "button",   "center",     "dd",
        "details",  "dir",     "div",      "dl",       "dt",         "fieldset", "figcaption", "figure",
        "footer",   "form",    "h1",       "h2",       "h3",         "h4",       "h5",         "h6",
        "header",   "hgroup",  "iframe",   "li",       "listing",    "main",     "marquee",    "menu",
        "nav",      "noembed", "noframes", "noscript", "object",     "ol",       "p",          "plaintext",
        "pre",      "script",  "search",   "section",  "select",     "style",    "summary",    "template",
        "textarea", "title",   "ul",       "xmp",
    };
    for (const char* name : kNames) {
        if (n == name)
            return true;
    }
    return false;
}

}  // namespace

// Every tag matters while foreign content is open. A CDATA section opens wherever the adjusted
// current node is not an HTML element, integration points among them (svg title, mathml mi).
void TreeBuilder::flagForeignContent()
{
    const ForeignStack& stack = foreignStack();
    wantsEveryTag = templates_ == 0 && !stack.empty();
    foreignContent = wantsEveryTag && !stack.back().html;
}

// The tree construction dispatcher: a token reads by the HTML rules when the adjusted current
// node is an HTML element, or an integration point that lets this token in.
bool TreeBuilder::readsAsHtml(const ForeignElement& node, const Token& token) const
{
    if (node.html)
        return true;
    if (token.endTag)
        return false;
    switch (node.point) {
    case ForeignElement::Point::html:
        return true;
    case ForeignElement::Point::mathmlText:
        return !named(token, "mglyph") && !named(token, "malignmark");
    case ForeignElement::Point::annotationXml:
        return named(token, "svg");
    case ForeignElement::Point::none:
        return false;
    }
    return false;
}

bool TreeBuilder::breaksOut(const Token& token) const
{
    if (token.tag == Tag::font)
        return token.has(slots_[TreeAttribute::color]) || token.has(slots_[TreeAttribute::face]) ||
               token.has(slots_[TreeAttribute::size]);
    return token.nameLength <= kNameBytes && isBreakoutName(token.name());
}

// The element a start tag makes in the namespace given, with what kind of integration point it is.
TreeBuilder::ForeignElement TreeBuilder::foreignElement(const Token& token, bool mathml) const
{
    ForeignElement e{};
    std::memcpy(e.name, token.name().data(), token.name().size());
    e.length = token.nameLength;
    e.mathml = mathml;
    e.point = ForeignElement::Point::none;
    const std::string_view n = token.name();
    if (!mathml && (named(n, "foreignobject") || named(n, "desc") || named(n, "title"))) {
        e.point = ForeignElement::Point::html;
    } else if (mathml &&
               (named(n, "mi") || named(n, "mo") || named(n, "mn") || named(n, "ms") || named(n, "mtext"))) {
        e.point = ForeignElement::Point::mathmlText;
    } else if (mathml && token.tag == Tag::annotationXml) {
        const std::string& encoding = token.value(slots_[TreeAttribute::encoding]);
        const bool html = token.has(slots_[TreeAttribute::encoding]) &&
                          (equalsIgnoringCase(encoding, "text/html") ||
                           equalsIgnoringCase(encoding, "application/xhtml+xml"));
        e.point = html ? ForeignElement::Point::html : ForeignElement::Point::annotationXml;
    }
    return e;
}

// An HTML start tag read in an integration point of `stack` (or in an HTML element in one): the
// element it makes stays on the stack, and ends an open p, li, dd or dt as it would in a body.
void TreeBuilder::openInIntegrationPoint(ForeignStack& stack, const Token& token)
{
    const std::string_view n = token.name();
    const bool element = token.tag == Tag::other || token.tag == Tag::font || token.tag == Tag::annotationXml;
    if (!element || token.nameLength > kNameBytes || isVoidName(n))
        return;  // the table's own tags, raw text, and elements that hold nothing, are no part of it
    auto closeOpen = [&stack](std::string_view name, auto stops) {
        for (std::size_t i = stack.size(); i-- > 0 && stack[i].html;) {
            if (std::string_view(stack[i].name, stack[i].length) == name) {
                stack.resize(i);
                return;
            }
            if (stops(stack[i]))
                return;
        }
    };
    if (closesP(n))
        closeOpen("p", [](const ForeignElement&) { return false; });
    // A list item ends the open one, unless a special element other than address, div or p stands between.
    auto stopsItems = [](const ForeignElement& e) {
        const std::string_view name(e.name, e.length);
        return e.special && name != "address" && name != "div" && name != "p";
    };
    if (named(n, "li"))
        closeOpen("li", stopsItems);
    if (named(n, "dd") || named(n, "dt")) {
        closeOpen("dd", stopsItems);
        closeOpen("dt", stopsItems);
    }
    ForeignElement e{};
    std::memcpy(e.name, n.data(), n.size());
    e.length = token.nameLength;
    e.html = true;
    e.special = isSpecialName(n);
    stack.push_back(e);
}

// An end tag whose HTML element stands in an integration point: it ends the element of its name
// above the nearest special element, or nothing.
void TreeBuilder::closeInIntegrationPoint(ForeignStack& stack, const Token& token)
{
    for (std::size_t i = stack.size(); i-- > 0;) {
        const ForeignElement& e = stack[i];
        if (e.html && e.length == token.nameLength && std::string_view(e.name, e.length) == token.name()) {
            stack.resize(i);
            return;
        }
        if (e.special || !e.html)
            return;
    }
}

// The rules for parsing tokens in foreign content, with `stack` not empty.
TreeBuilder::Step TreeBuilder::inForeignContent(ForeignStack& stack, const Token& token)
{
    auto popToIntegrationPoint = [&stack] {
        while (!stack.empty() && stack.back().point != ForeignElement::Point::html &&
               stack.back().point != ForeignElement::Point::mathmlText)
            stack.pop_back();
    };
    if (!token.endTag) {
        // A breakout tag ends foreign content up to an integration point, and the HTML rules read it.
        if (breaksOut(token)) {
            popToIntegrationPoint();
            return Step::asHtml;
        }
        // A self-closing element is popped as soon as it is inserted.
        if (!token.selfClosing)
            stack.push_back(foreignElement(token, stack.back().mathml));
        return Step::done;
    }
    if (named(token, "br") || named(token, "p")) {
        popToIntegrationPoint();
        return Step::asHtml;
    }
    for (std::size_t i = stack.size(); i-- > 0;) {
        const ForeignElement& node = stack[i];
        if (node.length == token.nameLength &&
            std::memcmp(node.name, token.name().data(), token.name().size()) == 0) {
            stack.resize(i);
            return Step::done;
        }
    }
    // No open foreign element has the name: the HTML element under them reads the tag.
    return Step::asHtml;
}

}  // namespace zelko::html
