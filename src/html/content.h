// What a cell holds, as a writer that asks for it is told at the cell's end: whether any element,
// any text that is not white space, any node at all stands in it, and its text as a person reads
// it; and the nodes other than cells that stand directly in a row.
#pragma once

#include <cstdint>
#include <functional>
#include <string>

namespace zelko::html {

// A node directly in a row that is no cell: a text node (only white space stays in a row), a
// comment, or an element (script, style, template, a hidden input, a form).
enum class NodeKind : std::uint8_t { text, comment, element };

// The bytes of a cell's text kept as its name.
constexpr std::size_t kCellTextBytes = 80;

struct CellContent {
    bool element = false;  // an element stands in it
    bool text = false;     // text that is not white space (Unicode's White_Space) does
    bool node = false;     // any node does: an element, a comment, text of any kind
    // Its text: character references resolved, white space collapsed, cut at kCellTextBytes
    // (at a character's start).
    std::string name;

    // No element, and no text but white space.
    bool empty() const { return !element && !text; }
};

// Collects what a cell holds while it is open.
class CellCollector {
public:
    // Turns text in the page's encoding into UTF-8 (nothing for a UTF-8 page).
    using Decode = std::function<void(std::string& text)>;

    // Starts a cell; its text is kept when `named`.
    void clear(bool named = true);
    void addText(const char* bytes, std::size_t n);
    void addElement() { element_ = node_ = true; }
    void addComment() { node_ = true; }
    // What the cell held, and its text if it was kept.
    CellContent finish(const Decode& decode) const;

private:
    void finishPlain(CellContent& content) const;

    static constexpr std::size_t kKept = 1024;  // raw bytes of text kept to name the cell
    std::string raw_;
    bool cut_ = false;          // more text came than was kept
    bool plainText_ = false;    // an ASCII byte that is neither white space nor a reference's came
    bool inReference_ = false;  // the last bytes were a character reference's
    bool special_ = false;      // a byte kept is from 0x80 up, or a '&'
    bool element_ = false, node_ = false;
    bool named_ = true;  // the cell's text is kept
};

// Whether `c` is White_Space.
bool isWhiteSpace(std::uint32_t c);

}  // namespace zelko::html
