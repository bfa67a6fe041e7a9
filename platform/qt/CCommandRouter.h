#pragma once
// Routes command ids along a chain of targets, first to last (null entries are skipped).
// The update pass asks the first target with an update handler; without one, a command is
// enabled exactly when some target handles it. A command runs only while it is enabled, so a
// posted command that has become disabled does nothing.

#include <vector>

#include "CCommandTarget.h"

class CCommandRouter {
public:
    using Chain = std::vector<CCommandTarget*>;

    static CCmdUI Update(int id, const Chain& chain);
    // True when a handler ran.
    static bool Execute(int id, const Chain& chain);
};
