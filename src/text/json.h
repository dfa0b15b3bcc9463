// JSON strings, as the JSON report forms write them.
#pragma once

#include <string>
#include <string_view>

namespace zelko {

// Appends `text` as a JSON string; bytes that are no UTF-8 are written as U+FFFD.
void appendJsonString(std::string& out, std::string_view text);

}  // namespace zelko
