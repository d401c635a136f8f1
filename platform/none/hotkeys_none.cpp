#include "platform/hotkeys.h"

namespace
{

// Without a windowing system that offers global keys every registration is refused; the
// program keeps its in-window shortcuts.
class NoHotKeys : public GlobalHotKeys
{
  public:
    using GlobalHotKeys::GlobalHotKeys;
    bool registerKey(QKeyCombination) override { return false; }
    void unregisterKey(QKeyCombination) override {}
};

} // namespace

std::unique_ptr<GlobalHotKeys> createSystemHotKeys(QObject* parent)
{
    return std::make_unique<NoHotKeys>(parent);
}
