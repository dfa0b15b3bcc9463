#include "html/encoding.h"

#include <algorithm>
#include <cstring>
#include <vector>

#include "html/encoding_labels.h"
#include "text/bytes.h"

namespace zelko::html {

namespace {

bool isAsciiWhite(unsigned char c) { return c == '\t' || c == '\n' || c == '\f' || c == '\r' || c == ' '; }

// Where the prescan stands in the page's first bytes; every read past their end fails.
class Prescan {
public:
    explicit Prescan(std::string_view bytes) : bytes_(bytes.substr(0, std::min(bytes.size(), kPrescanBytes)))
    {}

    std::string_view run();

private:
    bool at(std::string_view text, bool ignoreCase = false) const;
    bool more() const { return at_ < bytes_.size(); }
    unsigned char byte() const { return static_cast<unsigned char>(bytes_[at_]); }
    bool attribute(std::string& name, std::string& value);
    bool attributeValue(std::string& value);
    std::string_view meta();
    void skipTo(unsigned char c) { at_ = std::min(bytes_.size(), bytes_.find(static_cast<char>(c), at_)); }

    std::string_view bytes_;
    std::size_t at_ = 0;
};

bool Prescan::at(std::string_view text, bool ignoreCase) const
{
    if (bytes_.size() - at_ < text.size())
        return false;
    for (std::size_t i = 0; i < text.size(); ++i) {
        unsigned char c = static_cast<unsigned char>(bytes_[at_ + i]);
        if ((ignoreCase ? lowerAscii(c) : c) != static_cast<unsigned char>(text[i]))
            return false;
    }
    return true;
}

// The "get an attribute" algorithm; false when there is none.
bool Prescan::attribute(std::string& name, std::string& value)
{
    name.clear();
    value.clear();
    while (more() && (isAsciiWhite(byte()) || byte() == '/'))
        ++at_;
    if (!more() || byte() == '>')
        return false;
    for (;; ++at_) {
        if (!more())
            return false;
        const unsigned char c = byte();
        if (c == '=' && !name.empty()) {
            ++at_;
            return attributeValue(value);
        }
        if (isAsciiWhite(c))
            break;
        if (c == '/' || c == '>')
            return true;
        name += static_cast<char>(lowerAscii(c));
    }
    while (more() && isAsciiWhite(byte()))
        ++at_;
    if (!more())
        return false;
    if (byte() != '=')
        return true;
    ++at_;
    return attributeValue(value);
}

// The value steps of "get an attribute", after its '='.
bool Prescan::attributeValue(std::string& value)
{
    while (more() && isAsciiWhite(byte()))
        ++at_;
    if (!more())
        return false;
    const unsigned char quote = byte();
    if (quote == '"' || quote == '\'') {
        for (++at_; more(); ++at_) {
            if (byte() == quote) {
                ++at_;
                return true;
            }
            value += static_cast<char>(lowerAscii(byte()));
        }
        return false;
    }
    if (quote == '>')
        return true;
    for (; more(); ++at_) {
        if (isAsciiWhite(byte()) || byte() == '>')
            return true;
        value += static_cast<char>(lowerAscii(byte()));
    }
    return false;
}

// A meta element, from after its name: the encoding it declares, or empty.
std::string_view Prescan::meta()
{
    std::string name, value;
    std::vector<std::string> seen;  // the attributes' names so far: of two, the first counts
    bool gotPragma = false;
    int needPragma = -1;  // unknown, no, yes
    std::string_view charset;
    while (attribute(name, value)) {
        if (std::find(seen.begin(), seen.end(), name) != seen.end())
            continue;
        seen.push_back(name);
        if (name == "http-equiv") {
            gotPragma = gotPragma || value == "content-type";
        } else if (name == "content") {
            std::string_view found = encodingOfContent(value);
            if (!found.empty() && charset.empty()) {
                charset = found;
                needPragma = 1;
            }
        } else if (name == "charset") {
            charset = encodingOfLabel(value);
            needPragma = 0;
        }
    }
    if (needPragma < 0 || (needPragma == 1 && !gotPragma) || charset.empty())
        return {};
    if (charset == "utf-16be" || charset == "utf-16le")
        return "utf-8";
    if (charset == "x-user-defined")
        return "windows-1252";
    return charset;
}

std::string_view Prescan::run()
{
    while (more()) {
        if (at("<!--")) {
            // To the first '>' after two '-', which may be those of "<!--".
            std::size_t end = bytes_.find("-->", at_ + 2);
            at_ = end == std::string_view::npos ? bytes_.size() : end + 3;
        } else if (at("<meta", true) && at_ + 5 < bytes_.size() &&
                   (isAsciiWhite(static_cast<unsigned char>(bytes_[at_ + 5])) || bytes_[at_ + 5] == '/')) {
            at_ += 5;
            std::string_view found = meta();
            if (!found.empty())
                return found;
        } else if (at("<") && at_ + 1 < bytes_.size() &&
                   (isAsciiLetter(static_cast<unsigned char>(bytes_[at_ + 1])) ||
                    (bytes_[at_ + 1] == '/' && at_ + 2 < bytes_.size() &&
                     isAsciiLetter(static_cast<unsigned char>(bytes_[at_ + 2]))))) {
            // A tag: to the end of its name, then past its attributes.
            while (more() && !isAsciiWhite(byte()) && byte() != '>')
                ++at_;
            std::string name, value;
            while (attribute(name, value)) {}
            ++at_;
        } else if (at("<!") || at("</") || at("<?")) {
            skipTo('>');
            ++at_;
        } else {
            ++at_;
        }
    }
    return {};
}

}  // namespace

std::string_view encodingOfLabel(std::string_view label)
{
    std::size_t begin = 0, end = label.size();
    while (begin < end && isAsciiWhite(static_cast<unsigned char>(label[begin])))
        ++begin;
    while (end > begin && isAsciiWhite(static_cast<unsigned char>(label[end - 1])))
        --end;
    std::string lower(label.substr(begin, end - begin));
    for (char& c : lower)
        c = static_cast<char>(lowerAscii(static_cast<unsigned char>(c)));
    const EncodingLabel* first = std::begin(kEncodingLabels);
    const EncodingLabel* last = std::end(kEncodingLabels);
    const EncodingLabel* found = std::lower_bound(
        first, last, lower, [](const EncodingLabel& row, const std::string& key) { return row.label < key; });
    if (found == last || found->label != lower)
        return {};
    return found->name;
}

std::string_view encodingOfContent(std::string_view s)
{
    std::size_t at = 0;
    for (;;) {
        std::size_t found = std::string_view::npos;
        for (std::size_t i = at; i + 7 <= s.size() && found == std::string_view::npos; ++i) {
            bool match = true;
            for (std::size_t k = 0; k < 7 && match; ++k)
                match = lowerAscii(static_cast<unsigned char>(s[i + k])) == "charset"[k];
            if (match)
                found = i;
        }
        if (found == std::string_view::npos)
            return {};
        at = found + 7;
        while (at < s.size() && isAsciiWhite(static_cast<unsigned char>(s[at])))
            ++at;
        if (at < s.size() && s[at] == '=')
            break;
    }
    ++at;
    while (at < s.size() && isAsciiWhite(static_cast<unsigned char>(s[at])))
        ++at;
    if (at == s.size())
        return {};
    const char c = s[at];
    if (c == '"' || c == '\'') {
        const std::size_t close = s.find(c, at + 1);
        if (close == std::string_view::npos)
            return {};
        return encodingOfLabel(s.substr(at + 1, close - at - 1));
    }
    std::size_t end = at;
    while (end < s.size() && !isAsciiWhite(static_cast<unsigned char>(s[end])) && s[end] != ';')
        ++end;
    return encodingOfLabel(s.substr(at, end - at));
}

std::string_view prescanEncoding(std::string_view bytes) { return Prescan(bytes).run(); }

bool decodesText(std::string_view encoding)
{
    return !encoding.empty() && encoding != "utf-8" && encoding != "utf-16be" && encoding != "utf-16le";
}

}  // namespace zelko::html
