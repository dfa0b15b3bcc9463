#include "view/view.h"

#include <algorithm>
#include <charconv>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <memory>
#include <string_view>
#include <thread>
#include <vector>

#include "html/findings.h"
#include "html/tables.h"
#include "html/tokenizer.h"
#include "tag/bytes.h"
#include "view/queue.h"

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace zelko::view {

namespace {

using html::appendNumber;
using html::Tag;

// The same looks as the default mode's border mode, given to every table and cell by one style
// sheet rather than by an attribute on each.
const char kBorderSheet[] =
    "<style>table {border: 1px solid #FF0000; border-width: 1px 1px 1px 1px;} "
    "td, th {border: 1px dotted #A0A0A0; border-width: 1px 1px 1px 1px;}</style>\n";
const char kCaptionStyle[] = " style=\"color: #FF0000; font: normal 9px Courier New;\"";
// The background of an element that a finding concerns, and the look of a table's list.
const char kMarkRule[] = "{background-color: #FFD6D6;}";
const char kListStyle[] = " style=\"color: #C00000; font: normal 11px Courier New; margin: 2px 0 8px 0;\"";

// Nothing may run or load: no script, no style sheet or image from anywhere, no form, no base.
const char kHead[] =
    "<!DOCTYPE html>\n<html><head><meta charset=\"utf-8\">\n"
    "<meta http-equiv=\"Content-Security-Policy\" content=\"default-src 'none'; "
    "style-src 'unsafe-inline'; base-uri 'none'; form-action 'none'\">\n<title>zelko: ";

// Bytes being written, appended as a std::string appends them (so that the same helpers write
// to either) but inline. Without a writer it grows as it must; with one it holds a block of
// fixed size, which goes to the writer whenever it is full.
class Buffer {
public:
    explicit Buffer(std::size_t block = 0, PageViewer::Writer write = nullptr)
        : write_(std::move(write)), data_(new char[block]), capacity_(block)
    {}

    void append(const char* bytes, std::size_t n)
    {
        if (n > capacity_ - size_ && !makeRoom(bytes, n))
            return;
        std::memcpy(data_.get() + size_, bytes, n);
        size_ += n;
    }
    Buffer& operator+=(const char* text)
    {
        append(text, std::strlen(text));
        return *this;
    }
    Buffer& operator+=(std::string_view text)
    {
        append(text.data(), text.size());
        return *this;
    }
    Buffer& operator+=(char c)
    {
        append(&c, 1);
        return *this;
    }

    // Room for `n` more bytes, written through the pointer returned and then counted by
    // `commit` with the pointer just past them. The writer's block holds any n up to its size.
    char* room(std::size_t n)
    {
        if (n > capacity_ - size_)
            makeRoom(nullptr, n);
        return data_.get() + size_;
    }
    void commit(const char* end) { size_ = static_cast<std::size_t>(end - data_.get()); }

    const char* data() const { return data_.get(); }
    std::size_t size() const { return size_; }
    bool empty() const { return size_ == 0; }
    void clear() { size_ = 0; }

    // Hands the bytes held to the writer.
    void flush()
    {
        if (size_ > 0)
            write_(data_.get(), size_);
        size_ = 0;
    }

private:
    // Makes room for `n` more bytes; returns false when they went straight to the writer instead,
    // being more than its block holds.
    ZELKO_NOINLINE bool makeRoom(const char* bytes, std::size_t n)
    {
        if (write_ == nullptr) {
            std::size_t capacity = std::max(2 * capacity_, size_ + n);
            std::unique_ptr<char[]> grown(new char[capacity]);
            std::memcpy(grown.get(), data_.get(), size_);
            data_ = std::move(grown);
            capacity_ = capacity;
            return true;
        }
        flush();
        if (n <= capacity_ || bytes == nullptr)
            return true;
        write_(bytes, n);
        return false;
    }

    PageViewer::Writer write_;
    std::unique_ptr<char[]> data_;
    std::size_t capacity_, size_ = 0;
};

// Appends `text` from the page as UTF-8 text or attribute value: the characters that could end
// either as references, and a byte that is no part of UTF-8 as the windows-1252 character a
// browser shows for it in a page that declares no encoding.
template <typename Out>
void appendEscaped(Out& out, std::string_view text)
{
    static const std::uint16_t kWindows1252[32] = {
        0x20AC, 0xFFFD, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030, 0x0160,
        0x2039, 0x0152, 0xFFFD, 0x017D, 0xFFFD, 0xFFFD, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022,
        0x2013, 0x2014, 0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0xFFFD, 0x017E, 0x0178,
    };
    const auto* p = reinterpret_cast<const unsigned char*>(text.data());
    for (std::size_t i = 0; i < text.size();) {
        // Most of a text needs no reference: it is copied a run at a time.
        std::size_t run = i;
#if defined(__SSE2__)
        for (; run + 16 <= text.size(); run += 16) {
            const __m128i block = _mm_loadu_si128(reinterpret_cast<const __m128i*>(p + run));
            const __m128i special =
                _mm_or_si128(_mm_or_si128(_mm_cmpeq_epi8(block, _mm_set1_epi8('&')),
                                          _mm_cmpeq_epi8(block, _mm_set1_epi8('<'))),
                             _mm_or_si128(_mm_or_si128(_mm_cmpeq_epi8(block, _mm_set1_epi8('>')),
                                                       _mm_cmpeq_epi8(block, _mm_set1_epi8('"'))),
                                          _mm_cmpeq_epi8(block, _mm_setzero_si128())));
            // The high bit of each byte marks the ones from 0x80 up.
            const unsigned mask =
                static_cast<unsigned>(_mm_movemask_epi8(special) | _mm_movemask_epi8(block));
            if (mask != 0) {
                run += static_cast<unsigned>(__builtin_ctz(mask));
                break;
            }
        }
#endif
        while (run < text.size() && p[run] < 0x80 && p[run] != '&' && p[run] != '<' && p[run] != '>' &&
               p[run] != '"' && p[run] != 0)
            ++run;
        out.append(text.data() + i, run - i);
        if ((i = run) == text.size())
            break;
        unsigned char c = p[i];
        if (c >= 0x80) {
            std::size_t length = utf8Length(p + i, text.size() - i);
            if (length > 0) {
                out.append(text.data() + i, length);
                i += length;
            } else {
                appendUtf8(out, c < 0xA0 ? kWindows1252[c - 0x80] : c);
                ++i;
            }
            continue;
        }
        switch (c) {
        case '&':
            out += "&amp;";
            break;
        case '<':
            out += "&lt;";
            break;
        case '>':
            out += "&gt;";
            break;
        case '"':
            out += "&quot;";
            break;
        case '\0':
            out += "\xef\xbf\xbd";
            break;  // a NUL is no character of a page
        default:
            out += static_cast<char>(c);
        }
        ++i;
    }
}

// The most digits of a number, and the longest id of a row: 't', the table's number, 'r', the
// row's.
constexpr std::size_t kMaxDigits = 20;
constexpr std::size_t kMaxRowId = 2 + 2 * kMaxDigits;

// Writes `text` at `to`, returning the end.
template <std::size_t N>
char* put(char* to, const char (&text)[N])
{
    return std::copy(text, text + N - 1, to);
}

char* putNumber(char* to, std::uint64_t number) { return std::to_chars(to, to + kMaxDigits, number).ptr; }

const char* tagName(Tag tag)
{
    switch (tag) {
    case Tag::thead:
        return "thead";
    case Tag::tfoot:
        return "tfoot";
    case Tag::th:
        return "th";
    case Tag::td:
        return "td";
    default:
        return "tbody";
    }
}

// The ids of a table's elements: t3, t3r5 (row 5), t3r5c2 (the cell at row 5, column 2), t3k1
// (its first column element).
template <typename Out>
void appendId(Out& out, const html::Target& target)
{
    out += 't';
    appendNumber(out, target.table);
    switch (target.kind) {
    case html::Target::Kind::table:
        break;
    case html::Target::Kind::row:
        out += 'r';
        appendNumber(out, target.row + 1);
        break;
    case html::Target::Kind::cell:
        out += 'r';
        appendNumber(out, target.row + 1);
        out += 'c';
        appendNumber(out, std::uint64_t{target.column} + 1);
        break;
    case html::Target::Kind::column:
        out += 'k';
        appendNumber(out, std::uint64_t{target.column} + 1);
        break;
    }
}

class Picture : public html::TableEvents, public html::FindingSink {
public:
    Picture(const std::string& page, bool borders, PageViewer::Writer write)
        : borders_(borders), out_(64 * 1024, std::move(write))
    {
        out_ += kHead;
        appendEscaped(out_, page);
        out_ += "</title>\n";
        if (borders_)
            out_ += kBorderSheet;
        out_ += "</head><body>\n";
    }

    ~Picture()
    {
        for (Open& t : open_) {
            if (t.overflow != nullptr)
                std::fclose(t.overflow);
        }
    }

    void finish()
    {
        out_ += "\n</body></html>\n";
        out_.flush();
    }

    void tableStart(std::uint64_t number, const html::Token& table) override
    {
        if (depth_ > 0)
            captionForNested();
        // A closed table's place is used again, with the room its list made.
        if (depth_ == open_.size())
            open_.emplace_back();
        Open& t = open_[depth_++];
        t.reset(number);
        out_ += "\n<table id=\"t";
        appendNumber(out_, number);
        out_ += '"';
        if (!borders_) {
            for (std::size_t i = 0; i < 5; ++i) {
                if (!table.hasLook[i])
                    continue;
                out_ += ' ';
                out_ += html::kTableLooks[i];
                out_ += "=\"";
                appendEscaped(out_, table.looks[i]);
                out_ += '"';
            }
        }
        out_ += '>';
        if (borders_) {
            out_ += "<caption";
            out_ += kCaptionStyle;
            out_ += ">table ";
            appendNumber(out_, number);
            if (table.hasClass) {
                out_ += " \xc2\xb7 class &quot;";
                appendEscaped(out_, table.className);
                out_ += "&quot;";
            } else {
                out_ += " \xc2\xb7 no class";
            }
            out_ += " \xc2\xb7 line ";
            appendNumber(out_, table.where.line);
            out_ += "</caption>";
        }
    }

    void tableEnd() override
    {
        Open& t = top();
        out_ += "\n</table>";
        if (!t.list.empty() || t.overflow != nullptr) {
            out_ += "\n<ol";
            out_ += kListStyle;
            out_ += '>';
            if (t.overflow != nullptr)
                copyOverflow(t);
            out_.append(t.list.data(), t.list.size());
            if (t.unlisted > 0) {
                out_ += "<li>and ";
                appendNumber(out_, t.unlisted);
                out_ += t.unlisted == 1 ? " more finding" : " more findings";
                out_ += " (no temporary file could hold them), marked above but not listed</li>";
            }
            out_ += "</ol>";
        }
        out_ += '\n';
        --depth_;
    }

    void captionStart() override
    {
        top().inCaption = true;
        top().captionWritten = false;
    }

    void captionEnd() override
    {
        Open& t = top();
        if (t.captionWritten)
            out_ += "</caption>";
        t.inCaption = t.captionWritten = false;
    }

    void columnGroupStart(const html::Token* colgroup, std::uint32_t number, std::uint32_t span) override
    {
        out_ += "\n<colgroup";
        if (colgroup != nullptr) {
            appendIdAttribute(html::Target{html::Target::Kind::column, top().number, 0, number});
            appendSpan(" span=\"", span);
        }
        out_ += '>';
    }

    void column(std::uint32_t number, std::uint32_t span) override
    {
        out_ += "<col";
        appendIdAttribute(html::Target{html::Target::Kind::column, top().number, 0, number});
        appendSpan(" span=\"", span);
        out_ += '>';
    }

    void columnGroupEnd() override { out_ += "</colgroup>"; }

    void rowGroupStart(Tag tag, bool) override
    {
        top().group = tag;
        out_ += "\n<";
        out_ += tagName(tag);
        out_ += '>';
    }

    void rowGroupEnd() override
    {
        out_ += "\n</";
        out_ += tagName(top().group);
        out_ += '>';
    }

    void rowStart(std::uint64_t row) override
    {
        Open& t = top();
        t.rowId.clear();
        appendId(t.rowId, html::Target{html::Target::Kind::row, t.number, row, 0});
        out_ += "\n<tr id=\"";
        out_ += t.rowId;
        out_ += "\">";
    }

    void rowEnd() override { out_ += "</tr>"; }

    void cellStart(const html::Token& cell, const html::CellPlace& place) override
    {
        cellStart(cell.tag, cell.hasClass ? std::string_view(cell.className) : std::string_view(), place);
    }

    // A cell: its tag with id and spans, and its label, written in one piece but for the class.
    void cellStart(Tag tag, std::string_view className, const html::CellPlace& place)
    {
        Open& t = top();
        t.cell = tag;
        constexpr std::size_t kMost =
            8 + kMaxRowId + 1 + kMaxDigits + 1 + 2 * (10 + kMaxDigits + 1) + 7 + 2 * kMaxDigits + 2;
        char* to = out_.room(kMost);
        to = put(to, tag == Tag::th ? "<th id=\"" : "<td id=\"");
        to = std::copy(t.rowId.begin(), t.rowId.end(), to);  // the cell's row is the open one
        *to++ = 'c';
        to = putNumber(to, std::uint64_t{place.column} + 1);
        *to++ = '"';
        if (place.colspan != 1) {  // a span browsers read as 1 is left out
            to = putNumber(put(to, " colspan=\""), place.colspan);
            *to++ = '"';
        }
        if (place.rowspan != 1) {
            to = putNumber(put(to, " rowspan=\""), place.rowspan);
            *to++ = '"';
        }
        to = put(to, ">&nbsp;");
        to = putNumber(to, place.colspan);
        *to++ = 'x';
        to = putNumber(to, place.rowspan);
        *to++ = ' ';
        out_.commit(to);
        appendEscaped(out_, className);
    }

    void cellEnd() override
    {
        out_ += "</";
        out_ += tagName(top().cell);
        out_ += '>';
    }

    void add(const html::Finding& finding) override
    {
        // Errors and warnings mark their element at once, by a rule that also reaches an element
        // written before the finding was known. A style element may stand in a table, a row
        // group, a row or a cell without changing the table.
        if (finding.severity != html::Severity::note) {
            out_ += "<style>#";
            appendId(out_, finding.target);
            out_ += kMarkRule;
            out_ += "</style>";
        }
        if (depth_ == 0)
            return;
        Open& t = top();
        // A long list waits in a temporary file, so that memory stays bounded whatever the
        // table; without one, the rest of the findings are counted.
        if (t.list.size() >= kListBlock && !t.overflowFailed) {
            if (t.overflow == nullptr)
                t.overflow = std::tmpfile();
            if (t.overflow == nullptr ||
                std::fwrite(t.list.data(), 1, t.list.size(), t.overflow) != t.list.size())
                t.overflowFailed = true;
            else
                t.list.clear();
        }
        if (t.overflowFailed && t.list.size() >= kListBlock) {
            ++t.unlisted;
            return;
        }
        static const char* const kWords[] = {"error", "warning", "note"};
        t.list += "<li><a href=\"#";
        appendId(t.list, finding.target);
        t.list += "\">";
        appendNumber(t.list, finding.where.line);
        t.list += ':';
        appendNumber(t.list, finding.where.column);
        t.list += "</a> ";
        t.list += kWords[static_cast<int>(finding.severity)];
        t.list += ": ";
        appendEscaped(t.list, finding.message);
        t.list += " [";
        t.list += finding.kind;
        t.list += "]</li>";
    }

private:
    struct Open {
        std::uint64_t number = 0;
        Tag group = Tag::tbody, cell = Tag::td;
        bool inCaption = false, captionWritten = false;
        std::string rowId;              // the open row's id
        Buffer list;                    // the findings listed after the table, the last ones
        std::FILE* overflow = nullptr;  // the earlier ones of a long list
        bool overflowFailed = false;
        std::uint64_t unlisted = 0;

        void reset(std::uint64_t table)
        {
            number = table;
            group = Tag::tbody;
            cell = Tag::td;
            inCaption = captionWritten = overflowFailed = false;
            rowId.clear();
            list.clear();
            overflow = nullptr;
            unlisted = 0;
        }
    };

    // Hands on the earlier part of a long list from its temporary file, which it closes.
    void copyOverflow(Open& t)
    {
        std::rewind(t.overflow);
        char block[16 * 1024];
        for (std::size_t n; (n = std::fread(block, 1, sizeof block, t.overflow)) > 0;)
            out_.append(block, n);
        std::fclose(t.overflow);
        t.overflow = nullptr;
    }

    // A table nested in the page's caption of a table gets a caption of its own to stand in.
    void captionForNested()
    {
        Open& parent = top();
        if (parent.inCaption && !parent.captionWritten) {
            out_ += "<caption>";
            parent.captionWritten = true;
        }
    }

    void appendIdAttribute(const html::Target& target)
    {
        out_ += " id=\"";
        appendId(out_, target);
        out_ += '"';
    }

    // A span browsers read as 1 is left out.
    void appendSpan(const char* attribute, std::uint32_t span)
    {
        if (span == 1)
            return;
        out_ += attribute;
        appendNumber(out_, span);
        out_ += '"';
    }

    bool borders_;
    Buffer out_;
    Open& top() { return open_[depth_ - 1]; }

    // The open tables, the innermost last: the first depth_ of open_.
    std::vector<Open> open_;
    std::size_t depth_ = 0;
};

// What the reading thread hands the writing thread: a record per table event or finding, its
// kind first, then its values as they lie in memory and its texts as a length and the bytes.
enum class Record : std::uint8_t {
    tableStart,
    tableEnd,
    captionStart,
    captionEnd,
    columnGroupStart,
    column,
    columnGroupEnd,
    rowGroupStart,
    rowGroupEnd,
    rowStart,
    rowEnd,
    cellStart,
    cellEnd,
    finding,
};

// Records are put and got packed, without the padding their fields would have in memory: they
// cross from one core's cache to the other's, and each byte less is a byte less to carry.
#pragma pack(push, 1)

// A finding's values, but for its message.
struct FindingHead {
    std::uint64_t line, column;
    html::Severity severity;
    const char* kind;  // one of the grid's own names, which outlive every thread
    html::Target::Kind target;
    std::uint64_t table, row;
    std::uint32_t targetColumn, messageLength;
};

// A record's kind and its values, put in one piece.
template <typename T>
struct Tagged {
    Record record;
    T values;
};

// The values of the records that have any.
struct ColumnGroupValues {
    bool written;  // a colgroup of the page's, not implied by a col
    std::uint32_t number, span;
};
struct ColumnValues {
    std::uint32_t number, span;
};
struct RowGroupValues {
    Tag tag;
    bool implied;
};
struct CellValues {  // the cell's row is the one open
    Tag tag;
    bool hasClass;
    std::uint32_t column, colspan, rowspan, classLength;
};

#pragma pack(pop)

// On the reading thread: takes the events and findings of the page's tables, as records.
class Recorder : public html::TableEvents, public html::FindingSink {
public:
    Recorder(ByteQueue& queue, bool borders) : queue_(queue), borders_(borders) {}

    void tableStart(std::uint64_t number, const html::Token& table) override
    {
        put(Record::tableStart);
        put(number);
        put(table.where.line);
        putText(table.hasClass, table.className);
        if (!borders_) {  // the page's looks are written only without borders of the tool's own
            for (std::size_t i = 0; i < 5; ++i)
                putText(table.hasLook[i], table.looks[i]);
        }
    }
    void tableEnd() override { put(Record::tableEnd); }
    void captionStart() override { put(Record::captionStart); }
    void captionEnd() override { put(Record::captionEnd); }
    void columnGroupStart(const html::Token* colgroup, std::uint32_t number, std::uint32_t span) override
    {
        put(Record::columnGroupStart, ColumnGroupValues{colgroup != nullptr, number, span});
    }
    void column(std::uint32_t number, std::uint32_t span) override
    {
        put(Record::column, ColumnValues{number, span});
    }
    void columnGroupEnd() override { put(Record::columnGroupEnd); }
    void rowGroupStart(Tag tag, bool implied) override
    {
        put(Record::rowGroupStart, RowGroupValues{tag, implied});
    }
    void rowGroupEnd() override { put(Record::rowGroupEnd); }
    void rowStart(std::uint64_t row) override { put(Record::rowStart, row); }
    void rowEnd() override { put(Record::rowEnd); }
    void cellStart(const html::Token& cell, const html::CellPlace& place) override
    {
        const std::uint32_t length = cell.hasClass ? static_cast<std::uint32_t>(cell.className.size()) : 0;
        put(Record::cellStart,
            CellValues{cell.tag, cell.hasClass, place.column, place.colspan, place.rowspan, length});
        queue_.put(cell.className.data(), length);
    }
    void cellEnd() override { put(Record::cellEnd); }
    void add(const html::Finding& finding) override
    {
        const html::Target& t = finding.target;
        put(Record::finding,
            FindingHead{finding.where.line, finding.where.column, finding.severity, finding.kind, t.kind,
                        t.table, t.row, t.column, static_cast<std::uint32_t>(finding.message.size())});
        queue_.put(finding.message.data(), finding.message.size());
    }

private:
    template <typename T>
    void put(const T& value)
    {
        queue_.put(&value, sizeof value);
    }
    template <typename T>
    void put(Record record, const T& values)
    {
        const Tagged<T> both{record, values};
        queue_.put(&both, sizeof both);
    }
    void putText(bool has, const std::string& text)
    {
        put(has);
        if (!has)
            return;
        put(static_cast<std::uint32_t>(text.size()));
        queue_.put(text.data(), text.size());
    }

    ByteQueue& queue_;
    bool borders_;
};

// On the writing thread: reads the records as they come and writes the picture from them,
// until the reading thread ends the stream.
class Replay {
public:
    Replay(ByteQueue& queue, Picture& picture, bool borders)
        : queue_(queue), picture_(picture), borders_(borders)
    {}

    void run()
    {
        for (Record record; queue_.get(&record, sizeof record);) {
            switch (record) {
            case Record::tableStart: {
                std::uint64_t number = get<std::uint64_t>();
                token_.where.line = get<std::uint64_t>();
                getText(token_.hasClass, token_.className);
                for (std::size_t i = 0; i < 5; ++i) {
                    if (borders_)
                        token_.hasLook[i] = false;
                    else
                        getText(token_.hasLook[i], token_.looks[i]);
                }
                picture_.tableStart(number, token_);
                break;
            }
            case Record::tableEnd:
                picture_.tableEnd();
                break;
            case Record::captionStart:
                picture_.captionStart();
                break;
            case Record::captionEnd:
                picture_.captionEnd();
                break;
            case Record::columnGroupStart: {
                const auto group = values<ColumnGroupValues>();
                picture_.columnGroupStart(group.written ? &token_ : nullptr, group.number, group.span);
                break;
            }
            case Record::column: {
                const auto column = values<ColumnValues>();
                picture_.column(column.number, column.span);
                break;
            }
            case Record::columnGroupEnd:
                picture_.columnGroupEnd();
                break;
            case Record::rowGroupStart: {
                const auto group = values<RowGroupValues>();
                picture_.rowGroupStart(group.tag, group.implied);
                break;
            }
            case Record::rowGroupEnd:
                picture_.rowGroupEnd();
                break;
            case Record::rowStart:
                picture_.rowStart(values<std::uint64_t>());
                break;
            case Record::rowEnd:
                picture_.rowEnd();
                break;
            case Record::cellStart: {
                const auto cell = values<CellValues>();
                picture_.cellStart(cell.tag, text(cell.classLength),
                                   html::CellPlace{0, cell.column, cell.colspan, cell.rowspan});
                break;
            }
            case Record::cellEnd:
                picture_.cellEnd();
                break;
            case Record::finding: {
                const auto head = values<FindingHead>();
                picture_.add(html::Finding{{head.line, head.column},
                                           head.severity,
                                           text(head.messageLength),
                                           head.kind,
                                           {head.target, head.table, head.row, head.targetColumn}});
                break;
            }
            }
        }
    }

private:
    template <typename T>
    T get()
    {
        T value{};
        queue_.get(&value, sizeof value);
        return value;
    }
    // The next `n` bytes as text: where they lie in the queue when one block holds them, else
    // copied out. Valid until the next get.
    std::string_view text(std::uint32_t n)
    {
        if (const char* bytes = queue_.take(n))
            return {bytes, n};
        scratch_.resize(n);
        queue_.get(&scratch_[0], n);
        return scratch_;
    }

    // The values of a record put with its kind, whose kind was got.
    template <typename T>
    T values()
    {
        Tagged<T> both;
        queue_.get(reinterpret_cast<char*>(&both) + sizeof both.record, sizeof both - sizeof both.record);
        return both.values;
    }
    void getText(bool& has, std::string& text)
    {
        has = get<bool>();
        if (!has)
            return;
        text.resize(get<std::uint32_t>());
        queue_.get(&text[0], text.size());
    }

    ByteQueue& queue_;
    Picture& picture_;
    bool borders_;
    html::Token token_;  // the parts of a tag the picture reads, made again
    std::string scratch_;
};

}  // namespace

// The page is read on the caller's thread and its picture written on a thread of its own, the
// two joined by a queue of records: reading and writing take about as long as each other.
struct PageViewer::Reading {
    Reading(const std::string& page, bool borders, Writer write)
        : picture(page, borders, std::move(write)), replay(queue, picture, borders), recorder(queue, borders),
          builder(recorder, &recorder), tokenizer(builder), writing([this] { replay.run(); })
    {
        tokenizer.keepViewAttributes();
    }
    ~Reading()
    {
        queue.close();
        if (writing.joinable())
            writing.join();
    }
    // The writing thread's parts apart from the reading thread's, on cache lines of their own.
    ByteQueue queue;
    alignas(64) Picture picture;
    Replay replay;
    alignas(64) Recorder recorder;
    html::TableBuilder builder;
    html::Tokenizer tokenizer;
    std::thread writing;  // last: it starts once the rest is made
};

PageViewer::PageViewer(const std::string& page, bool borders, Writer write)
    : reading_(new Reading(page, borders, std::move(write)))
{}

PageViewer::~PageViewer() = default;

void PageViewer::countCodeUnits() { reading_->tokenizer.countCodeUnits(); }

void PageViewer::feed(const char* bytes, std::size_t n) { reading_->tokenizer.feed(bytes, n); }

void PageViewer::finish()
{
    reading_->tokenizer.finish();
    reading_->queue.close();
    reading_->writing.join();
    reading_->picture.finish();
}

std::string viewText(const std::string& text, bool borders, const std::string& page, std::size_t piece)
{
    std::string result;
    PageViewer viewer(page, borders,
                      [&result](const char* bytes, std::size_t n) { result.append(bytes, n); });
    html::feedInPieces(text, piece, [&viewer](const char* bytes, std::size_t n) { viewer.feed(bytes, n); });
    viewer.finish();
    return result;
}

}  // namespace zelko::view
