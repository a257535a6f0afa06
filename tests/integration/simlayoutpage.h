#pragma once

// An item of the simulator in one of its page layouts, and its page as the
// program reads it.
#include "sim/core/itemstore.h"
#include "sim/core/pages.h"

#include <QString>

namespace SimLayoutPage {

// A brass lamp with three bids, a Buy It Now price, a picture and alice as
// the winner once ended, in `layout`, ending `endsIn` seconds after ctx.now.
Sim::SimItem Lamp(const char *layout, qint64 endsIn, const Sim::PageContext &ctx);

// The page of `item`: the layout's bytes, one per character, as every page
// the program fetches is read.
QString PageOf(const Sim::SimItem &item, const Sim::PageContext &ctx);

} // namespace SimLayoutPage
