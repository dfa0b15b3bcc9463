// What the tokenizer hands the tree builder: start and end tags, with the attributes their
// readers asked for, text in the one place it matters, and the end of the page.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "html/attributes.h"
#include "html/location.h"
#include "html/tags.h"

namespace zelko::html {

// The bytes of a tag's name the tokenizer keeps.
constexpr std::size_t kNameBytes = 24;

// How the tokenizer reads what follows a start tag, as the tree builder decides.
enum class Content : std::uint8_t { data, rcdata, rawtext, scriptData, plaintext };

// A start or end tag. Of two same-named attributes the first one counts.
struct Token {
    Tag tag = Tag::other;
    bool endTag = false;
    bool selfClosing = false;  // a start tag that ends in "/>"
    // The name in lower case, as far as the tokenizer keeps it (kNameBytes), and its whole
    // length: a name longer than that is told apart from another only by its length.
    const char* nameBytes = "";
    std::size_t nameLength = 0;
    Location where;  // the tag's '<' (not kept for the end tag of a cell)
    // The kept attributes, by slot: a bit for each that the tag has, and their values, with
    // character references resolved. A value whose bit is clear is left from an earlier tag.
    std::uint32_t present = 0;
    std::string values[kSlots];

    std::string_view name() const { return {nameBytes, nameLength < kNameBytes ? nameLength : kNameBytes}; }
    bool has(Slot slot) const { return (present >> slot & 1) != 0; }
    const std::string& value(Slot slot) const { return values[slot]; }
};

// Receives the tokens. startTag returns how the content after the tag is to be read.
class TokenSink {
public:
    virtual ~TokenSink() = default;
    virtual Content startTag(const Token& token) = 0;
    virtual void endTag(const Token& token) = 0;
    // Text holding something other than white space, at `where`; only while wantsText is set.
    virtual void text(Location where) = 0;
    virtual void endOfPage(Location where) = 0;
    // While wantsContent is set: text as it stands in the page (character references not yet
    // resolved), in runs of any length, and the end of every comment.
    virtual void characters(const char* /*bytes*/, std::size_t /*n*/) {}
    virtual void comment() {}

    // Set while text that is not white space changes the tree (in a column group).
    bool wantsText = false;
    // Set while every tag changes the tree, whatever its name (in foreign content), or tells
    // what a cell holds.
    bool wantsEveryTag = false;
    // Set while text and comments tell what a cell or a row holds.
    bool wantsContent = false;
    // Set while the adjusted current node is a foreign element and no integration point:
    // "<![CDATA[" opens a CDATA section.
    bool foreignContent = false;
};

}  // namespace zelko::html
