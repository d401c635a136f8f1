#include "platform/hotkeys.h"

bool FakeHotKeys::registerKey(QKeyCombination key)
{
    if (taken.contains(key) || registered.contains(key))
        return false;
    registered.append(key);
    return true;
}

void FakeHotKeys::unregisterKey(QKeyCombination key)
{
    registered.removeAll(key);
}

bool FakeHotKeys::press(QKeyCombination key)
{
    if (!registered.contains(key))
        return false;
    emit activated(key);
    return true;
}

SystemHotKey::SystemHotKey(GlobalHotKeys* keys, QKeyCombination key, QObject* parent)
    : QObject(parent), m_keys(keys), m_key(key)
{
    if (!m_keys)
        return;
    m_registered = m_keys->registerKey(key);
    if (m_registered)
        connect(m_keys, &GlobalHotKeys::activated, this, [this](QKeyCombination k) {
            if (m_registered && k == m_key)
                emit activated();
        });
}

SystemHotKey::~SystemHotKey()
{
    deactivate();
}

void SystemHotKey::deactivate()
{
    if (m_registered && m_keys)
        m_keys->unregisterKey(m_key);
    m_registered = false;
    if (m_keys)
        disconnect(m_keys, nullptr, this, nullptr);
}
