#pragma once

#include "foundation/pagetext.h"

#include <QString>
#include <QStringView>

// Reading a text as if each pair of spaces in it were one space
// (CollapseSpacePairs), without making that copy of a large text.
namespace basGeneral::PageText {

// Between on the collapsed form of text: the collapsed part after the first
// startMarker (any letter case) up to the next endMarker (compared with
// endCase); empty when text is empty or startMarker is absent.
QString BetweenCollapsed(const FoldedText &text, QStringView startMarker, QStringView endMarker,
                         Qt::CaseSensitivity endCase = Qt::CaseSensitive);

// The piece of marker BetweenCollapsed searches the text for; worth handing
// to FoldedText::findEach together with other markers.
QStringView CollapsedSearchPiece(QStringView marker);

} // namespace basGeneral::PageText
