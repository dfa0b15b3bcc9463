// The view's picture of a page's tables: written from the table events and findings as they
// come, in one pass, into blocks that go to a writer.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "html/attributes.h"
#include "html/events.h"
#include "html/findings.h"
#include "text/buffer.h"
#include "view/held.h"
#include "view/spool.h"

namespace zelko::view {

// The attributes the view reads: the class of tables and cells, and the page's own border
// attributes of a table, which the view keeps without borders of its own.
struct ViewAttribute {
    enum : std::size_t { className, border, frame, rules, cellspacing, cellpadding, count };
};
extern const html::AttributeWish kViewAttributes[ViewAttribute::count];

// The id of an element in the view: t3, t3r5 (row 5), t3r5c2 (the cell at row 5, column 2),
// t3k1 (the table's first column element).
void appendElementId(Buffer& out, const html::Target& target);

class Picture : public html::TableEvents, public html::FindingSink {
public:
    // `page` names the page in the title; `borders`: border mode; `slots`: where the tokens
    // keep the view's attributes, row by row of kViewAttributes; `spools` holds what waits
    // beyond memory.
    Picture(const std::string& page, bool borders, const html::Slot* slots, ByteWriter write,
            SpoolMaker spools);
    Picture(const Picture&) = delete;
    Picture& operator=(const Picture&) = delete;

    // Ends the page with its totals and hands on the rest.
    void finish();
    // The error number of the first spool that could not be had, written or read; 0 if none.
    int error() const { return error_; }
    // Where the picture is written, for what a table's end adds after it.
    Buffer& output() { return out_; }

#define ZELKO_PICTURE_EVENT(name, parameters, arguments) void name parameters override;
    ZELKO_TABLE_EVENTS(ZELKO_PICTURE_EVENT)
#undef ZELKO_PICTURE_EVENT
    void add(const html::Finding& finding) override;

private:
    struct Open {
        Open(const SpoolMaker& spools, int& error) : list(spools, error) {}
        std::uint64_t number = 0;
        html::Tag group = html::Tag::tbody, cell = html::Tag::td;
        bool inCaption = false, captionWritten = false;
        bool inCell = false;
        bool loose = false;  // stands in a table, row group or row, in a caption of its own
        std::string rowId;   // the open row's id
        HeldText list;       // the findings listed after the table
        std::uint64_t unlisted = 0, errors = 0, warnings = 0;

        void reset(std::uint64_t table);
    };

    void writeCaption(std::uint64_t number, const html::Token& table);
    void writeLooks(const html::Token& table);
    void mark(const html::Finding& finding);
    void listFinding(Open& t, const html::Finding& finding);
    void appendPlace(Buffer& out, const html::Finding& finding);
    void captionForNested();
    void appendIdAttribute(const html::Target& target);
    void appendSpan(const char* attribute, std::uint32_t span);
    Open& top() { return *open_[depth_ - 1]; }

    bool borders_;
    html::Slot slots_[ViewAttribute::count];
    Buffer out_;
    SpoolMaker spools_;
    int error_ = 0;
    std::string message_;  // a finding's message, before it is escaped
    // The page's totals, and the links to its tables with faults.
    std::uint64_t tables_ = 0, errors_ = 0, warnings_ = 0;
    HeldText links_;
    // The open tables, the innermost last: the first depth_ of open_.
    std::vector<std::unique_ptr<Open>> open_;
    std::size_t depth_ = 0;
};

}  // namespace zelko::view
