#include "platform/hotkeys.h"

#include <QAbstractNativeEventFilter>
#include <QGuiApplication>
#include <QMetaObject>
#include <QtGui/qguiapplication_platform.h>

#include <xcb/xcb.h>

#include <cstdlib>

namespace
{

// Hot keys as passive key grabs on the root window of Qt's own X connection. Key events of a
// grab arrive through Qt's native event filter. Under Wayland or the offscreen platform there
// is no X connection and every registration is refused.
class X11HotKeys : public GlobalHotKeys, public QAbstractNativeEventFilter
{
  public:
    explicit X11HotKeys(QObject* parent) : GlobalHotKeys(parent)
    {
        auto* x11 = qGuiApp ? qGuiApp->nativeInterface<QNativeInterface::QX11Application>() : nullptr;
        if (!x11 || !x11->connection())
            return;
        m_conn = x11->connection();
        m_root = xcb_setup_roots_iterator(xcb_get_setup(m_conn)).data->root;
        qGuiApp->installNativeEventFilter(this);
    }

    ~X11HotKeys() override
    {
        if (!m_conn)
            return;
        if (qGuiApp)
            qGuiApp->removeNativeEventFilter(this);
        const auto grabs = m_grabs;
        for (const Grab& g : grabs)
            unregisterKey(g.key);
    }

    bool registerKey(QKeyCombination key) override
    {
        if (!m_conn)
            return false;
        for (const Grab& g : std::as_const(m_grabs))
            if (g.key == key)
                return false;
        const xcb_keycode_t code = keycodeFor(key.key());
        if (code == 0)
            return false;
        const uint16_t mods = modifierMask(key.keyboardModifiers());
        // The grab must also hold with Caps Lock or Num Lock on.
        bool refused = false;
        int done = 0;
        for (uint16_t extra : lockVariants()) {
            xcb_void_cookie_t c = xcb_grab_key_checked(m_conn, 1, m_root, mods | extra, code,
                                                       XCB_GRAB_MODE_ASYNC, XCB_GRAB_MODE_ASYNC);
            if (xcb_generic_error_t* e = xcb_request_check(m_conn, c)) {
                std::free(e); // BadAccess: another program holds the key
                refused = true;
                break;
            }
            ++done;
        }
        if (refused) {
            for (int i = 0; i < done; ++i)
                xcb_ungrab_key(m_conn, code, m_root, mods | lockVariants()[i]);
            xcb_flush(m_conn);
            return false;
        }
        m_grabs.append({key, code, mods});
        return true;
    }

    void unregisterKey(QKeyCombination key) override
    {
        for (qsizetype i = 0; i < m_grabs.size(); ++i) {
            if (m_grabs.at(i).key != key)
                continue;
            for (uint16_t extra : lockVariants())
                xcb_ungrab_key(m_conn, m_grabs.at(i).code, m_root, m_grabs.at(i).mods | extra);
            xcb_flush(m_conn);
            m_grabs.removeAt(i);
            return;
        }
    }

    bool nativeEventFilter(const QByteArray& eventType, void* message, qintptr*) override
    {
        if (eventType != "xcb_generic_event_t")
            return false;
        auto* ev = static_cast<xcb_generic_event_t*>(message);
        const uint8_t type = ev->response_type & 0x7f;
        if (type != XCB_KEY_PRESS && type != XCB_KEY_RELEASE)
            return false;
        auto* k = reinterpret_cast<xcb_key_press_event_t*>(ev);
        if (k->event != m_root)
            return false;
        const uint16_t relevant = XCB_MOD_MASK_SHIFT | XCB_MOD_MASK_CONTROL | XCB_MOD_MASK_1 | XCB_MOD_MASK_4;
        for (const Grab& g : std::as_const(m_grabs)) {
            if (g.code != k->detail || (k->state & relevant) != g.mods)
                continue;
            if (type == XCB_KEY_PRESS) {
                // Handled after the X event: the handler may open dialogs with their own loops.
                const QKeyCombination key = g.key;
                QMetaObject::invokeMethod(
                    this, [this, key] { emit activated(key); }, Qt::QueuedConnection);
            }
            return true;
        }
        return false;
    }

  private:
    struct Grab {
        QKeyCombination key;
        xcb_keycode_t code;
        uint16_t mods;
    };

    static const QList<uint16_t>& lockVariants()
    {
        static const QList<uint16_t> v{0, XCB_MOD_MASK_LOCK, XCB_MOD_MASK_2,
                                       XCB_MOD_MASK_LOCK | XCB_MOD_MASK_2};
        return v;
    }

    static uint16_t modifierMask(Qt::KeyboardModifiers m)
    {
        uint16_t mask = 0;
        if (m & Qt::ShiftModifier)
            mask |= XCB_MOD_MASK_SHIFT;
        if (m & Qt::ControlModifier)
            mask |= XCB_MOD_MASK_CONTROL;
        if (m & Qt::AltModifier)
            mask |= XCB_MOD_MASK_1;
        if (m & Qt::MetaModifier)
            mask |= XCB_MOD_MASK_4;
        return mask;
    }

    static uint32_t keysymFor(Qt::Key key)
    {
        if (key >= Qt::Key_F1 && key <= Qt::Key_F35)
            return 0xffbe + (key - Qt::Key_F1);
        if (key >= Qt::Key_A && key <= Qt::Key_Z)
            return 'a' + (key - Qt::Key_A);
        if (key >= Qt::Key_0 && key <= Qt::Key_9)
            return '0' + (key - Qt::Key_0);
        return 0;
    }

    xcb_keycode_t keycodeFor(Qt::Key key) const
    {
        const uint32_t sym = keysymFor(key);
        if (sym == 0)
            return 0;
        const xcb_setup_t* setup = xcb_get_setup(m_conn);
        const xcb_keycode_t first = setup->min_keycode;
        const int count = setup->max_keycode - setup->min_keycode + 1;
        xcb_get_keyboard_mapping_reply_t* reply =
            xcb_get_keyboard_mapping_reply(m_conn, xcb_get_keyboard_mapping(m_conn, first, count), nullptr);
        if (!reply)
            return 0;
        const xcb_keysym_t* syms = xcb_get_keyboard_mapping_keysyms(reply);
        const int per = reply->keysyms_per_keycode;
        xcb_keycode_t found = 0;
        for (int i = 0; i < count && !found; ++i)
            for (int j = 0; j < per && j < 2; ++j)
                if (syms[i * per + j] == sym) {
                    found = static_cast<xcb_keycode_t>(first + i);
                    break;
                }
        std::free(reply);
        return found;
    }

    xcb_connection_t* m_conn = nullptr;
    xcb_window_t m_root = 0;
    QList<Grab> m_grabs;
};

} // namespace

std::unique_ptr<GlobalHotKeys> createSystemHotKeys(QObject* parent)
{
    return std::make_unique<X11HotKeys>(parent);
}
