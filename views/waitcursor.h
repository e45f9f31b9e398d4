#pragma once

/// Shows the hourglass for the lifetime of the object, so that a long operation puts the
/// pointer back on every way out, early returns included. Guards may nest.
class WaitCursor final
{
public:
    WaitCursor();
    ~WaitCursor();

    WaitCursor(const WaitCursor &) = delete;
    WaitCursor &operator=(const WaitCursor &) = delete;
};
