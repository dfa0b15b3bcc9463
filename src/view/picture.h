// The view's picture of a page's tables: written from the table events and findings as they
// come, in one pass, into blocks that go to a writer.
#pragma once

#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

#include "html/attributes.h"
#include "html/events.h"
#include "html/findings.h"
#include "view/buffer.h"

namespace zelko::view {

// The bytes of a table's list of findings kept in memory; a longer list waits in a temporary
// file until the table ends.
constexpr std::size_t kListBlock = 64 * 1024;

// The attributes the view reads: the class of tables and cells, and the page's own border
// attributes of a table, which the view keeps without borders of its own.
struct ViewAttribute {
    enum : std::size_t { className, border, frame, rules, cellspacing, cellpadding, count };
};
extern const html::AttributeWish kViewAttributes[ViewAttribute::count];

class Picture : public html::TableEvents, public html::FindingSink {
public:
    // `page` names the page in the title; `borders`: border mode; `slots`: where the tokens
    // keep the view's attributes, row by row of kViewAttributes.
    Picture(const std::string& page, bool borders, const html::Slot* slots, Writer write);
    ~Picture() override;
    Picture(const Picture&) = delete;
    Picture& operator=(const Picture&) = delete;

    // Ends the page and hands on the rest.
    void finish();

#define ZELKO_PICTURE_EVENT(name, parameters, arguments) void name parameters override;
    ZELKO_TABLE_EVENTS(ZELKO_PICTURE_EVENT)
#undef ZELKO_PICTURE_EVENT
    void add(const html::Finding& finding) override;

private:
    struct Open {
        std::uint64_t number = 0;
        html::Tag group = html::Tag::tbody, cell = html::Tag::td;
        bool inCaption = false, captionWritten = false;
        std::string rowId;              // the open row's id
        Buffer list;                    // the findings listed after the table, the last ones
        std::FILE* overflow = nullptr;  // the earlier ones of a long list
        bool overflowFailed = false;
        std::uint64_t unlisted = 0;

        void reset(std::uint64_t table);
    };

    void writeCaption(std::uint64_t number, const html::Token& table);
    void writeLooks(const html::Token& table);
    void listFinding(Open& t, const html::Finding& finding);
    void copyOverflow(Open& t);
    void captionForNested();
    void appendIdAttribute(const html::Target& target);
    void appendSpan(const char* attribute, std::uint32_t span);
    Open& top() { return open_[depth_ - 1]; }

    bool borders_;
    html::Slot slots_[ViewAttribute::count];
    Buffer out_;
    std::string message_;  // a finding's message, before it is escaped
    // The open tables, the innermost last: the first depth_ of open_.
    std::vector<Open> open_;
    std::size_t depth_ = 0;
};

}  // namespace zelko::view
