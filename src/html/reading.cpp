#include "html/reading.h"

#include <algorithm>

#include "html/decoder.h"
#include "html/grid.h"
#include "html/tokenizer.h"
#include "html/tree.h"

namespace zelko::html {

struct PageReading::Parts {
    Parts(FindingSink& findings, TableEvents* events)
        : builder(findings, events), tokenizer(builder, attributes)
    {
        Slot gridSlots[GridAttribute::count];
        attributes.add(kGridAttributes, gridSlots);  // the first table: its rows are its slots
    }
    AttributeTable attributes;
    TreeBuilder builder;
    Tokenizer tokenizer;
    PageDecoder decoder{[this](const char* bytes, std::size_t n) {
                            tokenizer.feed(bytes, n);
                            return true;
                        },
                        [this] { tokenizer.countCodeUnits(); }};
};

PageReading::PageReading(FindingSink& findings, TableEvents* events, const AttributeWish* wishes,
                         std::size_t count, Slot* slots)
    : parts_(new Parts(findings, events))
{
    if (count > 0)
        parts_->attributes.add(wishes, count, slots);
}

PageReading::~PageReading() = default;

void PageReading::countCodeUnits() { parts_->tokenizer.countCodeUnits(); }

void PageReading::feed(const char* bytes, std::size_t n) { parts_->decoder.feed(bytes, n); }

void PageReading::finish()
{
    parts_->decoder.finish();
    parts_->tokenizer.finish();
}

void feedInPieces(const std::string& text, std::size_t piece,
                  const std::function<void(const char* bytes, std::size_t n)>& feed)
{
    if (piece == 0)
        piece = text.size() + 1;
    for (std::size_t at = 0; at < text.size(); at += piece) {
        std::size_t n = std::min(piece, text.size() - at);
        std::unique_ptr<char[]> copy(new char[n]);
        std::copy(text.data() + at, text.data() + at + n, copy.get());
        feed(copy.get(), n);
    }
}

}  // namespace zelko::html
