#include "engine/bidresend.h"

namespace BidResend {

bool MaySendAgain(bool requestWritten, bool auctionOver)
{
    return !requestWritten && !auctionOver;
}

} // namespace BidResend
