#include "engine/bidresend.h"

namespace BidResend {

bool MaySendAgain(bool requestWritten, bool auctionOver)
{
    return !requestWritten && !auctionOver;
}

} // namespace BidResend

bool BidResend::MayWriteBid(std::optional<qint64> secondsLeft)
{
    return !secondsLeft || *secondsLeft > 0;
}
