#include "tests/integration/simlayoutpage.h"

#include "platform/ansi.h"
#include "sim/core/layoutpages.h"

namespace SimLayoutPage {

Sim::SimItem Lamp(const char *layout, qint64 endsIn, const Sim::PageContext &ctx)
{
    Sim::SimItem item;
    item.number = QStringLiteral("150000000001");
    item.layout = QLatin1String(layout);
    item.title = QStringLiteral("Brass lamp");
    item.bids = 3;
    item.price = 12.5;
    item.buyItNow = 20;
    item.quantity = 4;
    item.winner = QStringLiteral("alice");
    item.picture = QStringLiteral("http://i.ebayimg.com/lamp.jpg");
    item.endsAt = ctx.now.addSecs(endsIn);
    return item;
}

QString PageOf(const Sim::SimItem &item, const Sim::PageContext &ctx)
{
    return Ansi::decode(Sim::LayoutPages::reply(item.layout, Sim::Pages::item(item, ctx)).body);
}

} // namespace SimLayoutPage
