#include "model.h"

#include <cerrno>
#include <climits>
#include <cstdlib>

namespace zelko::model {
namespace {

const char kTableStyle[] = "style=\"border: 1px solid #FF0000; border-width: 1px 1px 1px 1px;\">";
const char kCellStyle[] = "style=\"border: 1px dotted #A0A0A0; border-width: 1px 1px 1px 1px;\">";
const char kCaption[] = "<thead style=\"color: #FF0000; font: normal 9px Courier New;\">";

bool blank(char c) { return c == ' ' || c == '\t'; }

// A class value as the result writes it: every '<' as "&lt;".
std::string asText(const std::string& value)
{
    std::string text;
    for (char c : value)
        text += c == '<' ? std::string("&lt;") : std::string(1, c);
    return text;
}

void trimBlanks(std::string& s)
{
    if (s.empty())
        return;
    std::size_t removed = 0;
    while (!s.empty() && blank(s[0])) {
        s.erase(0, 1);
        ++removed;
        if (!(removed < s.size()))
            break;
    }
    while (!s.empty() && blank(s.back()))
        s.pop_back();
}

std::string lower(std::string s)
{
    for (char& c : s)
        if (c >= 'A' && c <= 'Z')
            c = static_cast<char>(c - 'A' + 'a');
    return s;
}

bool extract(const std::string& tag, const std::string& attribute, std::string& v)
{
    std::size_t at = tag.find(attribute);
    if (at == std::string::npos)
        return false;
    v = tag.substr(at);
    std::size_t equals = v.find('=');
    v = equals == std::string::npos ? "" : v.substr(equals);
    trimBlanks(v);
    if (!v.empty() && v[0] == '=') {
        v.erase(0, 1);
        trimBlanks(v);
    }
    if (!v.empty() && v[0] == '"') {
        v.erase(0, 1);
        trimBlanks(v);
        std::size_t quote = v.find('"');
        if (quote != std::string::npos)
            v.resize(quote);
        trimBlanks(v);
    } else {
        std::size_t cut = v.find_first_of("= \t\n\">");
        if (cut != std::string::npos)
            v.resize(cut);
    }
    return true;
}

long decimal(const std::string& v)
{
    long long n = std::strtoll(v.c_str(), nullptr, 10);
    return n > INT_MAX ? INT_MAX : n < INT_MIN ? INT_MIN : static_cast<long>(n);
}

struct Tag {
    std::string name, className;
    bool closing = false;
    long colspan = 1, rowspan = 1;

    explicit Tag(const std::string& text)
    {
        std::string w = text.substr(1), v;
        trimBlanks(w);
        if (!w.empty() && w[0] == '/') {
            closing = true;
            w.erase(0, 1);
            trimBlanks(w);
        }
        std::size_t n = std::min(w.find_first_of(" \t\n"), w.size());
        name = w.substr(0, n == w.size() && n > 0 ? n - 1 : n).substr(0, 19);
        if (closing)
            return;
        while (!w.empty()) {
            std::size_t before = w.size();
            w.erase(0, std::min(w.find_first_of(" \t\n"), w.size()));
            trimBlanks(w);
            if (w.size() == before)
                w.erase(0, 1);
            if (w.empty())
                break;
            v = w;
            trimBlanks(v);
            std::size_t cut = w.find_first_of("= \t\n");
            if (cut != std::string::npos && cut < v.size())
                v.resize(cut);
            if (lower(v) == "class") {
                if (extract(text, "class", v))
                    className = v.substr(0, 19);
                else
                    v.clear();
            }
            if (lower(v) == "colspan") {
                if (extract(text, "colspan", v))
                    colspan = decimal(v);
                else
                    v.clear();
            }
            if (lower(v) == "rowspan" && extract(text, "rowspan", v))
                rowspan = decimal(v);
        }
    }
};

void annotate(const std::string& text, bool borders, std::string& out)
{
    Tag t(text);
    std::string name = lower(t.name);
    bool cell = name == "td" || name == "th";
    if (name == "link" || name == "html" || name == "head" || name == "body")
        out += text;
    if (borders && !t.closing) {
        if (name == "table")
            out += text.substr(0, text.size() - 1) + " " + kTableStyle;
        if (name == "tr")
            out += text;
        if (cell)
            out += text.substr(0, text.size() - 1) + " " + kCellStyle;
    } else if (name == "table" || name == "tr" || cell) {
        out += text;
    }
    if (!t.closing && borders && name == "table")
        out += kCaption + asText(t.className) + "</thead>";
    if (!t.closing && cell)
        out += "&nbsp;" + std::to_string(t.colspan) + "x" + std::to_string(t.rowspan) + " " +
               asText(t.className);
}

bool allowed(unsigned char c)
{
    static const std::string punctuation = "<>=\"/.:&;, ";
    return (c >= 'A' && c <= 'z') || (c >= '0' && c <= '9') ||
           (c != 0 && punctuation.find(static_cast<char>(c)) != std::string::npos);
}

}  // namespace

std::string run(const std::string& source, bool showBorders)
{
    std::string out, tagText, tagHead;
    bool inTag = false;
    long tagCount = 0;
    for (char byte : source) {
        unsigned char ch = static_cast<unsigned char>(byte);
        if (ch == '<') {
            inTag = true;
            tagCount = 0;
        }
        if (!inTag) {
            if (ch == ' ' || ch == '\t')
                out += byte;
        } else {
            ++tagCount;
            // The tag text keeps at most 1253 characters before its '>'.
            if (allowed(ch) && (ch == '>' || tagText.size() < 1253))
                tagText += byte;
            if (tagCount < 20) {
                if (ch != 0)
                    tagHead += byte;
                if (tagHead.size() > 1 && tagHead[1] >= '0' && tagHead[1] <= '9') {
                    inTag = false;
                    tagHead.clear();
                    tagText.clear();
                    tagCount = 0;
                }
            }
        }
        if (ch == '>') {
            inTag = false;
            tagCount = 0;
            tagHead.clear();
            if (!tagText.empty())
                annotate(tagText, showBorders, out);
            tagText.clear();
        }
        if (ch == '\n')
            out += '\n';
    }
    return out;
}

}  // namespace zelko::model
