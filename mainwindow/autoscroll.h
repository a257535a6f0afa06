#pragma once

#include <QString>

// The pixels the automatic scrolling has gathered but not yet scrolled.
// Each step adds Speed / FPS; once a whole pixel has gathered the page moves
// by the amount and the fraction is dropped, so a speed below the step rate
// merges steps until a pixel is due.
class ScrollAccumulator final
{
public:
    // The pixels to scroll after this step (0: none yet).
    int Step(int speed, int fps)
    {
        m_pending += fps > 0 ? double(speed) / fps : 0.0;
        if (m_pending < 1)
            return 0;
        const int pixels = int(m_pending);
        m_pending = 0;
        return pixels;
    }

private:
    double m_pending = 0;
};

// The results page to ask for once the page is scrolled to its bottom: the
// number after "Page " in the results header plus one, as text (page 1 when
// that is no number above 0); "" when the page has no next link. The count is widened first, so a page number at the
// top of the integer range cannot wrap to a negative one.
QString NextResultsPage(const QString &html);
