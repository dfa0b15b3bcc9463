// Scanner and annotation writer over any bytes, in both modes, through in-memory streams.
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <string>

#include "../tests/pipeline.h"
#include "scan/annotate.h"
#include "scan/scanner.h"

namespace {
void check(bool ok)
{
    if (!ok)
        std::abort();
}

const std::string kCaption = "<thead style=\"color: #FF0000; font: normal 9px Courier New;\">";

// One in-memory result per mode, kept open across the tags of one input.
struct Modes {
    std::string written[2];
    std::unique_ptr<zelko::OutSink> out[2];
};

// Writes one tag in both modes and checks that border mode only restyles it: the same tag,
// then a style and the same label (cells) or a style and a caption (tables).
void compareModes(void* context, const char* tagText, std::size_t length)
{
    Modes& modes = *static_cast<Modes*>(context);
    std::string pieces[2];
    for (int borders = 0; borders < 2; ++borders) {
        std::size_t before = modes.written[borders].size();
        zelko::annotateTag(tagText, length, borders == 1, *modes.out[borders]);
        modes.out[borders]->flush();
        pieces[borders] = modes.written[borders].substr(before);
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
        Modes modes;
        for (int borders = 0; borders < 2; ++borders)
            modes.out[borders].reset(new zelko::OutSink(appendTo(modes.written[borders])));
        std::string written;
        zelko::OutSink out(appendTo(written));
        zelko::ScanState state;
        zelko::scanBytes(state, input.data(), size, out, compareModes, &modes);
    }
    // Every byte written comes from the input or from the tool's own texts.
    const std::string own = std::string(zelko::kTableBorderStyle) + zelko::kCellBorderStyle + kCaption +
                            "</thead>&nbsp;0123456789x- \t\n";
    for (char c : borders)
        check(input.find(c) != std::string::npos || own.find(c) != std::string::npos);
    return 0;
}
