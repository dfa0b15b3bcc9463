#include "html/content.h"

#include "html/references.h"
#include "text/bytes.h"

namespace zelko::html {

bool isWhiteSpace(std::uint32_t c)
{
    return (c >= 0x09 && c <= 0x0D) || c == 0x20 || c == 0x85 || c == 0xA0 || c == 0x1680 ||
           (c >= 0x2000 && c <= 0x200A) || c == 0x2028 || c == 0x2029 || c == 0x202F || c == 0x205F ||
           c == 0x3000;
}

namespace {

// The code point of the UTF-8 sequence at text[i], and its length; a byte that starts none is
// one character that is no white space.
std::uint32_t codePointAt(const std::string& text, std::size_t i, std::size_t& length)
{
    const unsigned char c = static_cast<unsigned char>(text[i]);
    length = 1;
    if (c < 0x80)
        return c;
    const std::size_t n = c >= 0xF0 ? 4 : c >= 0xE0 ? 3 : c >= 0xC0 ? 2 : 1;
    if (n == 1 || i + n > text.size())
        return 0xFFFD;
    std::uint32_t value = c & (0x3F >> (n - 1));
    for (std::size_t k = 1; k < n; ++k) {
        const unsigned char d = static_cast<unsigned char>(text[i + k]);
        if ((d & 0xC0) != 0x80)
            return 0xFFFD;
        value = value << 6 | (d & 0x3F);
    }
    length = n;
    return value;
}

}  // namespace

void CellCollector::clear(bool named)
{
    raw_.clear();
    cut_ = plainText_ = inReference_ = special_ = element_ = node_ = false;
    named_ = named;
}

void CellCollector::addText(const char* bytes, std::size_t n)
{
    if (n == 0)
        return;
    node_ = true;
    // A plain byte: ASCII, no white space, and neither a reference's nor its '&'.
    for (std::size_t i = 0; i < n && !plainText_; ++i) {
        const unsigned char c = static_cast<unsigned char>(bytes[i]);
        if (inReference_ && (isAsciiLetter(c) || isDigit(c) || c == '#' || c == ';')) {
            inReference_ = c != ';';
            continue;
        }
        inReference_ = c == '&';
        plainText_ = c < 0x80 && c != '&' && !isWhiteSpace(c) && c != 0;
    }
    if (plainText_ && !named_)
        return;  // not empty, and nobody reads the text
    const std::size_t room = kKept - raw_.size();
    const std::size_t kept = n < room ? n : room;
    // Whether a byte kept needs more than reading as it stands: one from 0x80 up, or a '&'.
    bool special = false;
    for (std::size_t i = 0; i < kept; ++i) {
        const unsigned char c = static_cast<unsigned char>(bytes[i]);
        special |= (c >= 0x80) | (c == '&');
    }
    special_ = special_ || special;
    raw_.append(bytes, kept);
    cut_ = cut_ || n > room;
}

// The same for text of ASCII bytes and no reference, byte by byte.
void CellCollector::finishPlain(CellContent& content) const
{
    content.text = plainText_ || cut_;
    for (std::size_t i = 0; i < raw_.size() && !content.text; ++i) {
        const unsigned char b = static_cast<unsigned char>(raw_[i]);
        content.text = !isWhiteSpace(b) && b != 0;
    }
    if (!named_)
        return;
    std::string& name = content.name;
    name.reserve(raw_.size() < kCellTextBytes ? raw_.size() : kCellTextBytes);
    bool space = false;
    for (const char c : raw_) {
        const unsigned char b = static_cast<unsigned char>(c);
        if (isHtmlWhite(b)) {
            space = !name.empty();
            continue;
        }
        if (name.size() + (space ? 1 : 0) + 1 > kCellTextBytes)
            break;
        if (space)
            name += ' ';
        space = false;
        name += c;
    }
}

CellContent CellCollector::finish(const Decode& decode) const
{
    CellContent content;
    content.element = element_;
    content.node = node_;
    if (!named_ && (plainText_ || cut_)) {
        content.text = true;  // no need to read the text to know
        return content;
    }
    // Plain ASCII text without references, the common case, is read as it stands.
    const bool plain = !special_;
    std::string text, resolved;
    if (!plain) {
        text = raw_;
        if (decode)
            decode(text);
        appendResolved(resolved, text);
    }
    if (plain) {
        finishPlain(content);
        return content;
    }
    const std::string& readable = resolved;
    // Text but white space: a plain byte said so already; else a character of the kept text
    // does, or, past what was kept, it is taken to be there.
    content.text = plainText_ || cut_;
    for (std::size_t i = 0, length = 0; i < readable.size() && !content.text; i += length)
        content.text = !isWhiteSpace(codePointAt(readable, i, length));
    if (!named_)
        return content;
    // The name: ASCII white space collapsed to one space and trimmed, cut at a character's start.
    std::string& name = content.name;
    bool space = false;
    for (std::size_t i = 0, length = 0; i < readable.size(); i += length) {
        codePointAt(readable, i, length);
        if (length == 1 && isHtmlWhite(static_cast<unsigned char>(readable[i]))) {
            space = !name.empty();
            continue;
        }
        if (name.size() + (space ? 1 : 0) + length > kCellTextBytes)
            break;
        if (space)
            name += ' ';
        space = false;
        name.append(readable, i, length);
    }
    return content;
}

}  // namespace zelko::html
