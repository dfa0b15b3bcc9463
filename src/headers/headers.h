// The headers mode: for every table of a page, one line, then one line per cell in source
// order, with its place, its headers by the standard and those Chromium gives it; as people
// read it (gnu) or as JSON Lines (json). Memory stays bounded whatever the page: a large table
// waits in temporary files (heads/store.h).
#pragma once

#include <cstddef>
#include <functional>
#include <memory>
#include <string>
#include <string_view>

#include "heads/reader.h"
#include "html/encoding.h"

namespace zelko::headers {

enum class Format : std::uint8_t { gnu, json };

class PageHeaders {
public:
    using Writer = std::function<void(std::string_view lines)>;
    // `page` names the page in every line; `write` takes the lines a batch at a time;
    // `scratches` hold what the open tables keep beyond `memory` bytes.
    PageHeaders(const std::string& page, Format format, Writer write, heads::ScratchMaker scratches,
                html::Transcode transcode = {}, std::size_t memory = kMemory);
    static constexpr std::size_t kMemory = heads::kTableMemory;
    ~PageHeaders();
    PageHeaders(const PageHeaders&) = delete;
    PageHeaders& operator=(const PageHeaders&) = delete;

    void feed(const char* bytes, std::size_t n);
    // Ends the page and hands on the rest. Call it once, after the last piece.
    void finish();
    // The error number of the first temporary file that could not be had, written or read.
    int scratchError() const;

private:
    struct Parts;
    std::unique_ptr<Parts> parts_;
};

// The lines for a page held in memory, fed in pieces of `piece` bytes (0: all at once); what
// the tables keep beyond `memory` bytes waits in scratches in memory.
std::string headersText(const std::string& text, Format format, const std::string& page = "page.html",
                        std::size_t piece = 0, std::size_t memory = PageHeaders::kMemory);

}  // namespace zelko::headers
