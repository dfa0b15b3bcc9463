// Which attributes of which tags the readers of a page keep. Each reader (the reading's own
// grid, and the writer that listens to it) hands over a small table when the reading starts;
// rows that want the same name, read the same way, share one slot of a token. The tokenizer
// keeps exactly what the tables ask for and knows nothing of who asked.
#pragma once

#include <cstddef>
#include <cstdint>
#include <initializer_list>
#include <vector>

#include "html/tags.h"

namespace zelko::html {

using TagSet = std::uint32_t;
static_assert(kTagCount <= 32, "a tag set holds every tag");

constexpr TagSet tagsOf(std::initializer_list<Tag> tags)
{
    TagSet set = 0;
    for (Tag tag : tags)
        set |= TagSet{1} << static_cast<unsigned>(tag);
    return set;
}
constexpr bool holds(TagSet set, Tag tag) { return (set >> static_cast<unsigned>(tag) & 1) != 0; }

// How a value is kept: a text, cut at kMaxText bytes, or a number, whose leading white space is
// dropped and which is cut at kMaxNumber bytes.
enum class ValueKind : std::uint8_t { text, number };
constexpr std::size_t kMaxNumber = 32;
constexpr std::size_t kMaxText = 4096;

// One row of a reader's table: the attribute `name` (lower case, at most 16 bytes) of `tags`.
struct AttributeWish {
    TagSet tags;
    const char* name;
    ValueKind kind;
};

// Where a token keeps a value; at most kSlots of them.
using Slot = std::uint8_t;
constexpr std::size_t kSlots = 24;
static_assert(kSlots <= 32, "a token keeps a bit per slot");

class AttributeTable {
public:
    // An attribute kept on a tag, as the tokenizer looks it up: its name in two words, the
    // bytes after it zero, so that a name is matched by comparing two words.
    struct Kept {
        std::uint64_t name[2];
        std::size_t length;
        Slot slot;
        ValueKind kind;
    };

    // Adds a reader's `count` rows and writes the slot of each to `slots`. Throws std::length_error
    // when the slots run out.
    void add(const AttributeWish* rows, std::size_t count, Slot* slots);
    template <std::size_t N>
    void add(const AttributeWish (&rows)[N], Slot (&slots)[N])
    {
        add(rows, N, slots);
    }

    // The attributes kept on `tag`, and the tags that have any.
    const std::vector<Kept>& keptOn(Tag tag) const { return kept_[static_cast<std::size_t>(tag)]; }
    TagSet tagsWithAny() const { return tags_; }

private:
    std::vector<Kept> kept_[kTagCount];
    TagSet tags_ = 0;
    std::size_t slots_ = 0;
};

}  // namespace zelko::html
