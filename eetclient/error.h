#pragma once

#include <stdexcept>
#include <string>

namespace eet
{

// A failure that ends the call: bad input, an unusable certificate, a refused setting.
// The text is Czech and names what failed; nothing has been sent when it is thrown.
class Chyba : public std::runtime_error
{
  public:
    using std::runtime_error::runtime_error;
};

} // namespace eet
