// The tags the standard reading tells apart by name.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstring>

namespace zelko::html {

// The tags the tree builder tells apart; every other name is `other`.
enum class Tag : std::uint8_t {
    other,
    table,
    caption,
    colgroup,
    col,
    tbody,
    thead,
    tfoot,
    tr,
    td,
    th,
    select,
    input,
    keygen,
    textarea,
    template_,
    script,
    style,
    xmp,
    iframe,
    noembed,
    noframes,
    title,
    plaintext,
    // Foreign content: its roots, and the elements whose attributes decide how it ends.
    svg,
    math,
    font,
    annotationXml
};
constexpr std::size_t kTagCount = static_cast<std::size_t>(Tag::annotationXml) + 1;

// The tag's name, in lower case ("" for other).
const char* nameOf(Tag tag);

// Whether the `length` bytes at `name` are the name `known`; with `known` a literal, the compiler
// makes it a compare or two of whole words.
template <std::size_t N>
bool isNamed(const char* name, std::size_t length, const char (&known)[N])
{
    return length == N - 1 && std::memcmp(name, known, N - 1) == 0;
}

// The tag of the lower-case name of `length` bytes at `n`. It is read on every tag of a page,
// so it stands here to be pasted in; most names on a page (a, b, p, div, span, img) are ruled
// out by their length alone.
inline Tag tagNamed(const char* n, std::size_t length)
{
    switch (length) {
    case 2:
        if (n[0] != 't')
            return Tag::other;
        return n[1] == 'd' ? Tag::td : n[1] == 'r' ? Tag::tr : n[1] == 'h' ? Tag::th : Tag::other;
    case 3:
        return isNamed(n, length, "col")   ? Tag::col
               : isNamed(n, length, "xmp") ? Tag::xmp
               : isNamed(n, length, "svg") ? Tag::svg
                                           : Tag::other;
    case 4:
        return isNamed(n, length, "math") ? Tag::math : isNamed(n, length, "font") ? Tag::font : Tag::other;
    case 5:
        if (n[0] == 't') {
            return isNamed(n, length, "table")   ? Tag::table
                   : isNamed(n, length, "tbody") ? Tag::tbody
                   : isNamed(n, length, "thead") ? Tag::thead
                   : isNamed(n, length, "tfoot") ? Tag::tfoot
                   : isNamed(n, length, "title") ? Tag::title
                                                 : Tag::other;
        }
        return isNamed(n, length, "input")   ? Tag::input
               : isNamed(n, length, "style") ? Tag::style
                                             : Tag::other;
    case 6:
        return isNamed(n, length, "select")   ? Tag::select
               : isNamed(n, length, "keygen") ? Tag::keygen
               : isNamed(n, length, "script") ? Tag::script
               : isNamed(n, length, "iframe") ? Tag::iframe
                                              : Tag::other;
    case 7:
        return isNamed(n, length, "caption")   ? Tag::caption
               : isNamed(n, length, "noembed") ? Tag::noembed
                                               : Tag::other;
    case 8:
        return isNamed(n, length, "colgroup")   ? Tag::colgroup
               : isNamed(n, length, "textarea") ? Tag::textarea
               : isNamed(n, length, "template") ? Tag::template_
               : isNamed(n, length, "noframes") ? Tag::noframes
                                                : Tag::other;
    case 9:
        return isNamed(n, length, "plaintext") ? Tag::plaintext : Tag::other;
    case 14:
        return isNamed(n, length, "annotation-xml") ? Tag::annotationXml : Tag::other;
    default:
        return Tag::other;
    }
}

}  // namespace zelko::html
