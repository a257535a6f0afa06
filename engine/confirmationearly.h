#pragma once
// How far ahead of its moment a snipe's confirmation is written.

#include <QtGlobal>

#include <algorithm>

namespace ConfirmationEarly {

// The most a confirmation is written ahead of its moment, whatever a slow
// answer made the path seem.
inline constexpr qint64 kMaxEarlyMs = 1000;

// Written early by the path's measured one-way delay (`oneWayMs`, -1 when
// none was measured) so it reaches eBay at the moment; one slow answer can
// make a path seem seconds long, so never more than kMaxEarlyMs early.
constexpr qint64 EarlyMs(qint64 oneWayMs)
{
    return std::clamp<qint64>(oneWayMs, 0, kMaxEarlyMs);
}

} // namespace ConfirmationEarly
