// The standard reading of a page, whole, for a writer: decodes the page's bytes as a browser
// does, tokenizes them, builds the page's tables and checks their grids, and hands the writer
// the findings as values and, when it listens, the tables' events, with the attributes that it
// asked for in its own table. The writer knows nothing of how the page is read.
#pragma once

#include <array>
#include <cstddef>
#include <functional>
#include <memory>
#include <string>

#include "html/attributes.h"
#include "html/encoding.h"
#include "html/events.h"
#include "html/findings.h"
#include "html/tree.h"

namespace zelko::html {

class PageReading {
public:
    // `wishes`: the writer's `count` rows of attributes, whose slots go to `slots`.
    // `transcode`, when given, turns the texts of a page in a declared encoding into UTF-8.
    PageReading(FindingSink& findings, TableEvents* events = nullptr, const AttributeWish* wishes = nullptr,
                std::size_t count = 0, Slot* slots = nullptr, Transcode transcode = {});
    ~PageReading();
    PageReading(const PageReading&) = delete;
    PageReading& operator=(const PageReading&) = delete;

    // Locates findings in UTF-16 code units instead of bytes. Call it before the first piece.
    void countCodeUnits();
    // Hands on, besides the tables' structure, what every cell holds and the nodes in rows
    // (the events rowNode and cellContent). Call it before the first piece.
    void collectCellContent();
    // Reads the page's next `n` bytes, as they stand in the page.
    void feed(const char* bytes, std::size_t n);
    // Ends the page. Call it once, after the last piece.
    void finish();

private:
    struct Parts;
    std::unique_ptr<Parts> parts_;
};

// Adds the attributes the reading itself reads to `table`, first: the grid's, whose rows are
// their slots, then the tree builder's, whose slots it returns.
std::array<Slot, TreeAttribute::count> addReadingAttributes(AttributeTable& table);

// Hands `text` to `feed` in pieces of `piece` bytes (0: all at once), each in a block of its own
// size, so that a read past a piece is caught: how pages held in memory are read.
void feedInPieces(const std::string& text, std::size_t piece,
                  const std::function<void(const char* bytes, std::size_t n)>& feed);

}  // namespace zelko::html
