#pragma once

#include <QDateTime>

// The time source of the program; tests pass a fixed clock.
class Clock
{
  public:
    virtual ~Clock() = default;
    virtual QDateTime now() const { return QDateTime::currentDateTime(); }
    QDate today() const { return now().date(); }
};
