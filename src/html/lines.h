// The line and column of any byte of a page that arrives in pieces. A CR or CR LF counts as one
// line end, as the standard's newline normalisation makes it.
#pragma once

#include <cstddef>
#include <cstdint>

#include "html/location.h"

namespace zelko::html {

// The piece is looked at 64 bytes at a time, each window once, for a mask of its line ends; a
// byte is located by the line ends in the windows passed and those before it in its own.
class LineCounter {
public:
    // Takes the next `n` bytes of the page, which stay readable until the next piece.
    void beginPiece(const unsigned char* bytes, std::size_t n);
    // Where byte `at` of the current piece stands; `at` may not go back from one call to the next.
    Location locate(std::size_t at);
    // Ends the current piece.
    void endPiece();
    // One column past the last byte of the page so far, on the line that byte belongs to (a line
    // end belongs to the line it ends); line 1, column 1 before any byte.
    Location pastLast() const { return pastLast_; }
    // Counts columns in UTF-16 code units instead of bytes: a valid UTF-8 sequence is the
    // character's units, any other byte one (as the windows-1252 character it shows as). Set it
    // before the first piece.
    void countCodeUnits() { codeUnits_ = true; }

private:
    // The line ends among the 64 bytes of the piece from `from` on, as a mask, lowest bit first.
    std::uint64_t lineEnds(std::size_t from) const;
    // Counts the current window's line ends and moves on to the next window.
    void passWindow();
    // In code units: how many more bytes than code units lie between the line's start and
    // `at` of this piece, counted on from where the last call stopped.
    std::int64_t surplus(std::size_t at, std::uint64_t lineStart);
    void settleCarry();

    const unsigned char* piece_ = nullptr;
    std::size_t size_ = 0;
    std::size_t windowStart_ = 0;  // the window's first byte in the piece
    std::uint64_t window_ = 0;     // its line ends
    // The lines before the window and where the last of them starts, from the page's start.
    std::uint64_t line_ = 1, lineStart_ = 0, pieceStart_ = 0;
    bool afterCR_ = false;     // the page so far ends in a CR: an LF next ends no further line
    bool absorbedLF_ = false;  // the piece starts with the LF of such a CR LF
    Location pastLast_;
    bool codeUnits_ = false;
    std::uint64_t counted_ = 0;  // code units: the bytes before this offset are in surplus_
    std::int64_t surplus_ = 0;
    unsigned char carry_[4] = {};  // a UTF-8 sequence that the end of the last piece cut
    std::size_t carried_ = 0;
};

}  // namespace zelko::html
