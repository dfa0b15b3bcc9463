#include "html/attributes.h"

#include <cstring>
#include <stdexcept>

namespace zelko::html {

void AttributeTable::add(const AttributeWish* rows, std::size_t count, Slot* slots)
{
    for (std::size_t r = 0; r < count; ++r) {
        const AttributeWish& row = rows[r];
        const std::size_t length = std::strlen(row.name);
        if (length > sizeof(Kept::name))
            throw std::length_error("an attribute name longer than a tokenizer keeps");
        // A slot of the same name and kind serves this row too, on every tag either row names.
        Slot slot = static_cast<Slot>(slots_);
        bool shared = false;
        for (const std::vector<Kept>& kept : kept_) {
            for (const Kept& k : kept) {
                if (!shared && k.kind == row.kind && k.length == length &&
                    std::memcmp(k.name, row.name, length) == 0) {
                    slot = k.slot;
                    shared = true;
                }
            }
        }
        tags_ |= row.tags;
        if (!shared && slots_++ == kSlots)
            throw std::length_error("more attributes kept than a token has slots");
        slots[r] = slot;
        for (std::size_t t = 0; t < kTagCount; ++t) {
            if (!holds(row.tags, static_cast<Tag>(t)))
                continue;
            bool there = false;
            for (const Kept& k : kept_[t])
                there = there || k.slot == slot;
            if (there)
                continue;
            Kept k{};
            std::memcpy(k.name, row.name, length);
            k.length = length;
            k.slot = slot;
            k.kind = row.kind;
            kept_[t].push_back(k);
        }
    }
}

}  // namespace zelko::html
