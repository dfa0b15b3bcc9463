// The view's spools as temporary files, in TMPDIR like every other temporary file, removed as
// soon as they are made (on Windows: when they are closed), so that nothing is left behind.
#pragma once

#include "heads/store.h"
#include "view/spool.h"

namespace zelko {

// Makes spools in temporary files; a file that cannot be made gives its error number.
view::SpoolMaker fileSpools();
// Makes the scratches of the headers mode in temporary files, the same way.
heads::ScratchMaker fileScratches();

}  // namespace zelko
