#pragma once

#include <QKeyCombination>
#include <QList>
#include <QObject>
#include <QPointer>

#include <memory>

// System-wide hot keys: a key combination registered with the windowing system reaches the
// program even when another program has the focus. The platform may refuse (another program
// holds the key, a windowing system without global keys); the caller then goes on without it.
class GlobalHotKeys : public QObject
{
    Q_OBJECT
  public:
    using QObject::QObject;
    // Returns false when the platform refuses the combination.
    virtual bool registerKey(QKeyCombination key) = 0;
    virtual void unregisterKey(QKeyCombination key) = 0;

  signals:
    // Emitted on the user-interface thread after the event that carried the key was handled.
    void activated(QKeyCombination key);
};

// The windowing system's hot keys (X11), or one that refuses every key where none is available.
std::unique_ptr<GlobalHotKeys> createSystemHotKeys(QObject* parent = nullptr);

// A stand-in for tests: remembers what is registered and delivers presses of registered keys.
class FakeHotKeys : public GlobalHotKeys
{
    Q_OBJECT
  public:
    using GlobalHotKeys::GlobalHotKeys;
    bool registerKey(QKeyCombination key) override;
    void unregisterKey(QKeyCombination key) override;
    // Keys held by "another program": registering them is refused.
    QList<QKeyCombination> taken;
    QList<QKeyCombination> registered;
    // Simulates the key pressed anywhere on the desktop; true when it reached the program.
    bool press(QKeyCombination key);
};

// One registered hot key for the lifetime of this object: registered when created, released
// when destroyed or deactivated. Emits activated() for its own key only.
class SystemHotKey : public QObject
{
    Q_OBJECT
  public:
    SystemHotKey(GlobalHotKeys* keys, QKeyCombination key, QObject* parent = nullptr);
    ~SystemHotKey() override;
    bool isRegistered() const { return m_registered; }
    QKeyCombination key() const { return m_key; }
    void deactivate();

  signals:
    void activated();

  private:
    QPointer<GlobalHotKeys> m_keys;
    QKeyCombination m_key;
    bool m_registered = false;
};
