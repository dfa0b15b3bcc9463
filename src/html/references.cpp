#include "html/references.h"

#include <algorithm>

#include "html/entities.h"
#include "text/bytes.h"

namespace zelko::html {

namespace {

// The C1 range of numeric character references names windows-1252 characters.
const std::uint16_t kWindows1252[32] = {
    0x20AC, 0x81,   0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030, 0x0160,
    0x2039, 0x0152, 0x8D,   0x017D, 0x8F,   0x90,   0x2018, 0x2019, 0x201C, 0x201D, 0x2022,
    0x2013, 0x2014, 0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x9D,   0x017E, 0x0178,
};

// The named references resolved in kept values: the ones an id, a class or a number plausibly
// holds. The first five may also stand without their ';'.
struct NamedReference {
    const char* name;
    std::uint32_t code;
};
const NamedReference kNamed[] = {
    {"amp", '&'}, {"lt", '<'}, {"gt", '>'}, {"quot", '"'}, {"nbsp", 0xA0}, {"apos", '\''},
};
constexpr std::size_t kLegacyNamed = 5;

}  // namespace

std::uint32_t numericReference(std::uint32_t value)
{
    if (value == 0 || value > 0x10FFFF || (value >= 0xD800 && value <= 0xDFFF))
        return 0xFFFD;
    if (value >= 0x80 && value <= 0x9F)
        return kWindows1252[value - 0x80];
    return value;
}

namespace {

// The named reference `name`, or null.
const NamedEntity* entityNamed(std::string_view name)
{
    const NamedEntity* begin = std::begin(kNamedEntities);
    const NamedEntity* end = std::end(kNamedEntities);
    const NamedEntity* found =
        std::lower_bound(begin, end, name, [](const NamedEntity& e, std::string_view n) {
            return std::string_view(e.name) < n;
        });
    return found != end && std::string_view(found->name) == name ? found : nullptr;
}

// Resolves the reference at text[at] == '&' into `out`; returns the bytes it took.
std::size_t appendReference(std::string& out, std::string_view text, std::size_t at)
{
    std::size_t i = at + 1;
    if (i < text.size() && text[i] == '#') {
        const bool hex = i + 1 < text.size() && (text[i + 1] == 'x' || text[i + 1] == 'X');
        std::size_t j = i + (hex ? 2 : 1);
        std::uint32_t value = 0;
        const std::size_t first = j;
        for (; j < text.size() && (hex ? isHexDigit(text[j]) : isDigit(text[j])); ++j) {
            const unsigned char c = static_cast<unsigned char>(text[j]);
            const std::uint32_t d = isDigit(c) ? c - '0' : (c | 0x20) - 'a' + 10;
            if (value <= 0x10FFFF)
                value = value * (hex ? 16 : 10) + d;
        }
        if (j == first) {
            out += '&';
            return 1;
        }
        appendUtf8(out, numericReference(value));
        return j - at + (j < text.size() && text[j] == ';' ? 1 : 0);
    }
    std::size_t k = 0;  // the letters and digits after the '&', as far as a name can reach
    while (k < 32 && i + k < text.size() && (isAsciiLetter(text[i + k]) || isDigit(text[i + k])))
        ++k;
    for (std::size_t length = k; length > 0; --length) {
        const std::string_view name = text.substr(i, length);
        const bool semicolon = i + length < text.size() && text[i + length] == ';';
        const NamedEntity* e = entityNamed(name);
        if (e != nullptr && (semicolon || e->legacy)) {
            appendUtf8(out, e->first);
            if (e->second != 0)
                appendUtf8(out, e->second);
            return 1 + length + (semicolon ? 1 : 0);
        }
    }
    out += '&';
    return 1;
}

}  // namespace

void appendResolved(std::string& out, std::string_view text)
{
    for (std::size_t i = 0; i < text.size();) {
        const std::size_t amp = text.find('&', i);
        if (amp == std::string_view::npos) {
            out.append(text.substr(i));
            return;
        }
        out.append(text.substr(i, amp - i));
        i = amp + appendReference(out, text, amp);
    }
}

void CharacterReference::start() { read_.assign(1, '&'); }

CharacterReference::Step CharacterReference::take(unsigned char c)
{
    std::string& r = read_;
    const bool numeric = r.size() >= 2 && r[1] == '#';
    const bool hex = numeric && r.size() >= 3 && (r[2] == 'x' || r[2] == 'X');
    if (r.size() == 1 && (isAsciiLetter(c) || isDigit(c) || c == '#')) {
        r += static_cast<char>(c);
        value_ = 0;
        digits_ = 0;
        return Step::more;
    }
    if (numeric && r.size() == 2 && digits_ == 0 && (c == 'x' || c == 'X')) {
        r += static_cast<char>(c);
        return Step::more;
    }
    if (numeric && (hex ? isHexDigit(c) : isDigit(c))) {
        // Digits are counted, not kept: a number of any length ends as one character.
        std::uint32_t d = isDigit(c) ? c - '0' : (c | 0x20) - 'a' + 10;
        if (value_ <= 0x10FFFF)
            value_ = value_ * (hex ? 16 : 10) + d;
        ++digits_;
        return Step::more;
    }
    if (!numeric && r.size() > 1 && r.size() < 40 && (isAsciiLetter(c) || isDigit(c))) {
        r += static_cast<char>(c);
        return Step::more;
    }
    return end(c);
}

// Resolves the reference now that a byte that cannot continue it has come.
CharacterReference::Step CharacterReference::end(unsigned char next)
{
    const std::string& r = read_;
    text_.clear();
    bool taken = false;
    if (r.size() >= 2 && r[1] == '#') {
        if (digits_ > 0) {
            appendUtf8(text_, numericReference(value_));
            taken = next == ';';
        }
    } else if (r.size() >= 2) {
        const std::string name = r.substr(1);
        bool found = false;
        for (std::size_t k = 0; k < sizeof kNamed / sizeof kNamed[0] && !found; ++k) {
            if (next == ';' && name == kNamed[k].name) {
                appendUtf8(text_, kNamed[k].code);
                taken = found = true;
            }
        }
        // Without its ';' a legacy name counts only when no letter, digit or '=' follows it.
        for (std::size_t k = 0; k < kLegacyNamed && !found; ++k) {
            if (name == kNamed[k].name && next != '=') {
                appendUtf8(text_, kNamed[k].code);
                found = true;
            }
        }
    }
    if (text_.empty())
        text_ = r;
    return taken ? Step::endedOnByte : Step::ended;
}

}  // namespace zelko::html
