#include "text/severity.h"

namespace zelko {

const char* severityWord(Severity severity)
{
    static const char* const kWords[] = {"error", "warning", "note"};
    return kWords[static_cast<int>(severity)];
}

}  // namespace zelko
