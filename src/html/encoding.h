// A page's declared encoding, found as a browser finds it for a page without a transport layer
// (a local file): after a byte order mark, by the standard's prescan of the first 1024 bytes
// for a meta element's charset or http-equiv content declaration.
#pragma once

#include <cstddef>
#include <functional>
#include <string>
#include <string_view>

namespace zelko::html {

// The bytes the prescan looks at.
constexpr std::size_t kPrescanBytes = 1024;

// The name of the encoding the label stands for (its ASCII white space around it and its letter
// case aside), as the Encoding Standard names it in lower case: "windows-1252" for "latin1";
// empty for no known label.
std::string_view encodingOfLabel(std::string_view label);

// The encoding the standard's prescan finds in the first bytes of a page (at most
// kPrescanBytes of `bytes` count), with UTF-16 read as UTF-8 and x-user-defined as
// windows-1252, as the standard has it; empty when it finds none.
std::string_view prescanEncoding(std::string_view bytes);

// The encoding a meta element's content attribute declares ("text/html; charset=koi8-r"), or
// empty.
std::string_view encodingOfContent(std::string_view content);

// Whether the reading decodes text it shows from the encoding: every known encoding but UTF-8,
// whose bytes are the text already, and those in which markup is no ASCII (UTF-16).
bool decodesText(std::string_view encoding);

// Turns text in the encoding named into UTF-8, in place; false when it cannot, and then leaves
// the text as it was. The platform gives it to the reading (iconv, or Windows' code pages).
using Transcode = std::function<bool(std::string_view encoding, std::string& text)>;

}  // namespace zelko::html
