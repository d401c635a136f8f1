#pragma once

// The busy form as the long loops see it (the close-time resend, the interactive update
// check): shown around the loop, advanced once per step, closed at the end. posun() also lets
// pending window messages run so the windows repaint.
class BusyIndicator
{
  public:
    virtual ~BusyIndicator() = default;
    virtual void show() = 0;
    virtual void posun() = 0;
    virtual void close() = 0;
};
