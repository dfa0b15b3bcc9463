// Writes a large, realistic HTML page to standard output, the same bytes for the same size:
// running text with many spaces and newlines, about one tag every 25-30 bytes, nested tables
// with spans and classes, long attributes, scripts, comments and stray '<'.
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>

namespace {

std::uint64_t state = 0x9E3779B97F4A7C15ull;

std::uint32_t next(std::uint32_t bound)
{
    state ^= state << 13;
    state ^= state >> 7;
    state ^= state << 17;
    return static_cast<std::uint32_t>(state % bound);
}

const char* const kWords[] = {"the",  "harbour", "line",   "runs", "every",      "ten", "minutes",  "from",
                              "quay", "to",      "market", "and",  "lighthouse", "on",  "weekdays", "fares",
                              "are",  "paid",    "at",     "stop", "café",       "über"};
const char* const kClasses[] = {"main", "side", "odd", "even", "price-cell", "note", "wide", "x"};

void words(std::string& out, int count)
{
    for (int i = 0; i < count; ++i) {
        out += kWords[next(sizeof kWords / sizeof kWords[0])];
        out += next(12) == 0 ? "\n" : " ";
    }
}

void inline_markup(std::string& out)
{
    switch (next(10)) {
    case 0:
        out +=
            "<a href=\"https://example.org/timetables/harbour-line/weekday?from=quay&amp;to=market#top\" "
            "title=\"Harbour line weekday timetable\">";
        words(out, 2);
        out += "</a> ";
        break;
    case 1:
        out += "<b>";
        words(out, 1);
        out += "</b> ";
        break;
    case 2:
        out += "<span class=\"hint\" style=\"color: #336699; font-weight: bold\">";
        words(out, 2);
        out += "</span> ";
        break;
    case 3:
        out += "<br>\n";
        break;
    case 4:
        out += "<img src=\"/img/icons/ferry-32x32.png\" width=32 height=32 alt=\"ferry\"> ";
        break;
    case 5:
        out += "fares < 3 euro for zones 1 - 2 > or a<5 ";
        break;
    case 6:
        out += "<!-- updated by the timetable export, do not edit -->\n";
        break;
    default:
        out += "<i>";
        words(out, 1);
        out += "</i> ";
        break;
    }
}

void cell(std::string& out, const char* tag, int depth);

void table(std::string& out, int depth)
{
    out += "<table class=\"";
    out += kClasses[next(8)];
    out += "\" border=0 cellpadding=2 width=\"100%\">\n";
    int rows = 2 + static_cast<int>(next(4));
    for (int r = 0; r < rows; ++r) {
        out += "  <tr class=\"";
        out += r % 2 ? "odd" : "even";
        out += "\">";
        int cells = 2 + static_cast<int>(next(4));
        for (int c = 0; c < cells; ++c)
            cell(out, r == 0 ? "th" : "td", depth);
        out += "</tr>\n";
    }
    out += "</table>\n";
}

void cell(std::string& out, const char* tag, int depth)
{
    out += '<';
    out += tag;
    if (next(4) == 0) {
        out += " colspan=";
        out += std::to_string(2 + next(3));
    }
    if (next(6) == 0) {
        out += " rowspan=\"";
        out += std::to_string(2 + next(2));
        out += '"';
    }
    if (next(2) == 0) {
        out += " class='";
        out += kClasses[next(8)];
        out += '\'';
    }
    out += '>';
    if (depth < 2 && next(12) == 0)
        table(out, depth + 1);
    else {
        words(out, 2 + static_cast<int>(next(4)));
        if (next(3) == 0)
            inline_markup(out);
    }
    out += "</";
    out += tag;
    out += '>';
}

void section(std::string& out)
{
    switch (next(8)) {
    case 0:
        out +=
            "<script type=\"text/javascript\">\nfor (var i = 0; i < rows.length; i++) { if (rows[i] > 2 && "
            "a<5) mark(\"<td>\" + i); }\n</script>\n";
        break;
    case 1:
    case 2:
        table(out, 0);
        break;
    default:
        out += "<p class=\"intro\">";
        for (int i = 0; i < 6; ++i) {
            words(out, 6 + static_cast<int>(next(6)));
            inline_markup(out);
        }
        out += "</p>\n";
    }
}

}  // namespace

int main(int argc, char** argv)
{
    if (argc != 2) {
        std::fprintf(stderr, "usage: genpage MEBIBYTES > page.html\n");
        return 2;
    }
    std::uint64_t target = std::strtoull(argv[1], nullptr, 10) << 20;
    std::string out =
        "<!DOCTYPE html>\n<html>\n<head>\n<title>Harbour Line</title>\n"
        "<link rel=\"stylesheet\" href=\"/css/timetable.css\">\n</head>\n<body>\n";
    std::uint64_t written = 0;
    const char tail[] = "</body>\n</html>\n";
    while (written + out.size() + sizeof tail - 1 < target) {
        section(out);
        if (out.size() > (1u << 20)) {
            std::uint64_t room = target - (sizeof tail - 1) - written;
            std::size_t n = out.size() < room ? out.size() : static_cast<std::size_t>(room);
            std::fwrite(out.data(), 1, n, stdout);
            written += n;
            out.erase(0, n);
        }
    }
    std::uint64_t room = target - (sizeof tail - 1) - written;
    std::fwrite(out.data(), 1, out.size() < room ? out.size() : room, stdout);
    std::fputs(tail, stdout);
    return 0;
}
