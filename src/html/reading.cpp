#include "html/reading.h"

#include <algorithm>

#include "html/decoder.h"
#include "html/grid.h"
#include "html/tokenizer.h"
#include "html/tree.h"

namespace zelko::html {

std::array<Slot, TreeAttribute::count> addReadingAttributes(AttributeTable& table)
{
    Slot gridSlots[GridAttribute::count];
    table.add(kGridAttributes, gridSlots);  // the first table: its rows are its slots
    std::array<Slot, TreeAttribute::count> treeSlots;
    table.add(kTreeAttributes, TreeAttribute::count, treeSlots.data());
    return treeSlots;
}

struct PageReading::Parts {
    Parts(FindingSink& findings, TableEvents* events, Transcode transcode)
        : treeSlots(addReadingAttributes(attributes)), builder(findings, events, treeSlots.data()),
          tokenizer(builder, attributes), transcode(std::move(transcode))
    {}
    AttributeTable attributes;
    std::array<Slot, TreeAttribute::count> treeSlots;
    TreeBuilder builder;
    Tokenizer tokenizer;
    Transcode transcode;
    PageDecoder decoder{[this](const char* bytes, std::size_t n) {
                            tokenizer.feed(bytes, n);
                            return true;
                        },
                        [this] { tokenizer.countCodeUnits(); },
                        [this](std::string_view encoding) {
                            if (transcode && decodesText(encoding)) {
                                tokenizer.decodeFrom(encoding, transcode);
                                builder.decodeTextWith(
                                    [this, encoding](std::string& text) { transcode(encoding, text); });
                            }
                        }};
};

PageReading::PageReading(FindingSink& findings, TableEvents* events, const AttributeWish* wishes,
                         std::size_t count, Slot* slots, Transcode transcode)
    : parts_(new Parts(findings, events, std::move(transcode)))
{
    if (count > 0)
        parts_->attributes.add(wishes, count, slots);
}

PageReading::~PageReading() = default;

void PageReading::countCodeUnits() { parts_->tokenizer.countCodeUnits(); }

void PageReading::collectCellContent() { parts_->builder.collectCellContent(); }

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
