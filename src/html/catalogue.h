// The one catalogue of the kinds of finding: each kind's id, its usual severity, the texts that
// describe it, and the words of its message. Every report form, the SARIF rules and the view
// take them from here.
#pragma once

#include <string>

#include "html/findings.h"

namespace zelko::html {

struct KindInfo {
    const char* id;  // as reports name the kind: "row-short"
    Severity level;  // the usual severity; some findings of a kind may have another
    const char* shortText;
    const char* fullText;
    const char* help;
};

const KindInfo& kindInfo(Kind kind);

// Appends the finding's message, on one line: "row 3 has 5 columns, more than the 4 that the
// column elements set".
void appendMessage(std::string& out, const Finding& finding);

}  // namespace zelko::html
