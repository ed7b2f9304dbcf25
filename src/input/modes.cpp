// The direction modes: the held direction flags into the cursor step, 4-, 8- and 16-way.
#include "input/input.h"

// No mode ever stores 0: a step no rule sets keeps its value, and only KeyUp zeroes it.

void KeyDown4(void)
{
    // The order makes left beat right and down beat up; diagonals play no part.
    if (isRIGHTkey) moveX = 1;
    if (isLEFTkey) moveX = -1;
    if (isUPkey) moveY = -1;
    if (isDOWNkey) moveY = 1;
}

void KeyDown8(void)
{
    // Right beats left here, unlike the other modes; a diagonal overrides both axes.
    if (isLEFTkey) moveX = -1;
    if (isRIGHTkey) moveX = 1;
    if (isUPkey) moveY = -1;
    if (isDOWNkey) moveY = 1;
    if (isUPLEFTkey) { moveX = -1; moveY = -1; }
    if (isDOWNLEFTkey) { moveX = -1; moveY = 1; }
    if (isUPRIGHTkey) { moveX = 1; moveY = -1; }
    if (isDOWNRIGHTkey) { moveX = 1; moveY = 1; }
}

void KeyDown16(void)
{
    // A straight flag with a neighbouring diagonal gives one of the in-between directions:
    // two cells along the straight axis, one along the other. The first pair held wins.
    static const struct Pair {
        Uint8 *straight, *diagonal;
        Sint8 x, y;
    } pairs[] = {
        {&isRIGHTkey, &isUPRIGHTkey, 2, -1},  {&isRIGHTkey, &isDOWNRIGHTkey, 2, 1},
        {&isLEFTkey, &isUPLEFTkey, -2, -1},   {&isLEFTkey, &isDOWNLEFTkey, -2, 1},
        {&isUPkey, &isUPLEFTkey, -1, -2},     {&isUPkey, &isUPRIGHTkey, 1, -2},
        {&isDOWNkey, &isDOWNLEFTkey, -1, 2},  {&isDOWNkey, &isDOWNRIGHTkey, 1, 2},
    };
    for (size_t i = 0; i < sizeof pairs / sizeof pairs[0]; i++) {
        const Pair &p = pairs[i];
        if (*p.straight && *p.diagonal) {
            moveX = p.x;
            moveY = p.y;
            return;
        }
    }

    if (isRIGHTkey) moveX = 2;
    if (isLEFTkey) moveX = -2;
    if (isUPkey) moveY = -2;
    if (isDOWNkey) moveY = 2;
    if (isUPLEFTkey) { moveX = -2; moveY = -2; }
    if (isUPRIGHTkey) { moveX = 2; moveY = -2; }
    if (isDOWNLEFTkey) { moveX = -2; moveY = 2; }
    if (isDOWNRIGHTkey) { moveX = 2; moveY = 2; }
}
