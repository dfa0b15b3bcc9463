// Scanner and annotation writer over any bytes, in both modes, through in-memory streams.
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>

#include "../tests/pipeline.h"
#include "scan/annotate.h"
#include "scan/scanner.h"

namespace {
void check(bool ok) { if (!ok) std::abort(); }

const std::string kCaption = "<thead style=\"color: #FF0000; font: normal 9px Courier New;\">";

// Writes one tag in both modes and checks that border mode only restyles it: the same tag,
// then a style and the same label (cells) or a style and a caption (tables).
void compareModes(void*, const char* tagText, std::size_t length)
{
    std::string pieces[2];
    for (int borders = 0; borders < 2; ++borders) {
        char* bytes = nullptr;
        std::size_t size = 0;
        std::FILE* memory = open_memstream(&bytes, &size);
        {
            zelko::OutSink out(memory);
            zelko::annotateTag(tagText, length, borders == 1, out);
            out.flush();
        }
        std::fclose(memory);
        pieces[borders].assign(bytes, size);
        std::free(bytes);
    }
    const std::string tag(tagText, length), &plain = pieces[0], &border = pieces[1];
    if (plain.empty() || border == plain) {
        check(border == plain);
        return;
    }
    check(plain.compare(0, length, tag) == 0);
    const std::string front = tag.substr(0, length - 1) + " ";
    check(border.compare(0, front.size(), front) == 0);
    std::string rest = border.substr(front.size());
    const std::string cell = zelko::kCellBorderStyle, table = zelko::kTableBorderStyle;
    if (rest.compare(0, cell.size(), cell) == 0) {
        check(rest.substr(cell.size()) == plain.substr(length));  // the same label
    } else {
        check(plain == tag && rest.compare(0, table.size(), table) == 0);
        rest.erase(0, table.size());
        check(rest.compare(0, kCaption.size(), kCaption) == 0);
        check(rest.size() >= kCaption.size() + 8 && rest.compare(rest.size() - 8, 8, "</thead>") == 0);
    }
}
}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    std::string input(reinterpret_cast<const char*>(data), size);
    std::size_t split = size == 0 ? 0 : data[0] % (size + 1);
    std::string borders = runPipeline(input, size, true), plain = runPipeline(input, size, false);
    check(runPipeline(input, split, true) == borders);  // the block boundary changes nothing
    check(runPipeline(input, split, false) == plain);
    {
        char* bytes = nullptr;
        std::size_t written = 0;
        std::FILE* sink = open_memstream(&bytes, &written);
        zelko::OutSink out(sink);
        zelko::ScanState state;
        zelko::scanBytes(state, input.data(), size, out, compareModes, nullptr);
        std::fclose(sink);
        std::free(bytes);
    }
    // Every byte written comes from the input or from the tool's own texts.
    const std::string own = std::string(zelko::kTableBorderStyle) + zelko::kCellBorderStyle +
                            kCaption + "</thead>&nbsp;0123456789x- \t\n";
    for (char c : borders)
        check(input.find(c) != std::string::npos || own.find(c) != std::string::npos);
    return 0;
}
