#include "platform/focusedtext.h"

namespace
{

class NoFocusedText : public FocusedTextReader
{
  public:
    bool read(FocusedText*, QString* error) override
    {
        *error = QStringLiteral("Čtení textu jiné aplikace není na této platformě k dispozici.");
        return false;
    }
};

} // namespace

std::unique_ptr<FocusedTextReader> createFocusedTextReader()
{
    return std::make_unique<NoFocusedText>();
}
