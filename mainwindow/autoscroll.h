#pragma once

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
