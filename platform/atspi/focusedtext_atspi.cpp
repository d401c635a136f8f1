#include "platform/focusedtext.h"

#include <QDBusArgument>
#include <QDBusConnection>
#include <QDBusConnectionInterface>
#include <QDBusMessage>
#include <QDBusObjectPath>
#include <QDBusVariant>
#include <QList>
#include <QPair>

#include <algorithm>

namespace
{

// AT-SPI over D-Bus: the accessibility bus address comes from the session bus, the registry
// lists the applications, the active window is searched for the object in the FOCUSED state,
// and its Text interface gives text, caret and selection.
constexpr int callTimeoutMs = 1500;
constexpr int maxVisited = 4000;
constexpr int maxChars = 65534;
constexpr uint stateActive = 1;
constexpr uint stateFocused = 12;
constexpr uint stateShowing = 25;

using Ref = QPair<QString, QString>; // bus name, object path

const QString accessibleIface = QStringLiteral("org.a11y.atspi.Accessible");
const QString textIface = QStringLiteral("org.a11y.atspi.Text");

class AtspiReader : public FocusedTextReader
{
  public:
    bool read(FocusedText* out, QString* error) override
    {
        QDBusConnection session = QDBusConnection::sessionBus();
        if (!session.isConnected()) {
            *error = QStringLiteral("Sběrnice přístupnosti není k dispozici (chybí sezení D-Bus).");
            return false;
        }
        QDBusMessage ask =
            QDBusMessage::createMethodCall(QStringLiteral("org.a11y.Bus"), QStringLiteral("/org/a11y/bus"),
                                           QStringLiteral("org.a11y.Bus"), QStringLiteral("GetAddress"));
        const QDBusMessage address = session.call(ask, QDBus::Block, callTimeoutMs);
        if (address.type() != QDBusMessage::ReplyMessage || address.arguments().isEmpty()) {
            *error = QStringLiteral("Sběrnice přístupnosti není k dispozici.");
            return false;
        }
        const QString name = QStringLiteral("vornix-a11y");
        QDBusConnection bus = QDBusConnection::connectToBus(address.arguments().first().toString(), name);
        const bool ok = bus.isConnected() && readFrom(bus, out, error);
        if (!bus.isConnected())
            *error = QStringLiteral("Sběrnice přístupnosti není k dispozici.");
        QDBusConnection::disconnectFromBus(name);
        return ok;
    }

  private:
    static QDBusMessage call(QDBusConnection& bus, const Ref& ref, const QString& iface,
                             const QString& method, const QVariantList& args = {})
    {
        QDBusMessage m = QDBusMessage::createMethodCall(ref.first, ref.second, iface, method);
        m.setArguments(args);
        return bus.call(m, QDBus::Block, callTimeoutMs);
    }

    static QList<Ref> children(QDBusConnection& bus, const Ref& ref)
    {
        QList<Ref> out;
        const QDBusMessage r = call(bus, ref, accessibleIface, QStringLiteral("GetChildren"));
        if (r.type() != QDBusMessage::ReplyMessage || r.arguments().isEmpty())
            return out;
        const QDBusArgument arg = r.arguments().first().value<QDBusArgument>();
        arg.beginArray();
        while (!arg.atEnd()) {
            QString service;
            QDBusObjectPath path;
            arg.beginStructure();
            arg >> service >> path;
            arg.endStructure();
            out.append({service, path.path()});
        }
        arg.endArray();
        return out;
    }

    static quint64 states(QDBusConnection& bus, const Ref& ref)
    {
        const QDBusMessage r = call(bus, ref, accessibleIface, QStringLiteral("GetState"));
        if (r.type() != QDBusMessage::ReplyMessage || r.arguments().isEmpty())
            return 0;
        const QDBusArgument arg = r.arguments().first().value<QDBusArgument>();
        QList<uint> words;
        arg >> words;
        quint64 bits = 0;
        for (int i = 0; i < words.size() && i < 2; ++i)
            bits |= quint64(words.at(i)) << (32 * i);
        return bits;
    }

    static bool has(quint64 bits, uint state) { return bits & (quint64(1) << state); }

    static QVariant property(QDBusConnection& bus, const Ref& ref, const QString& iface, const QString& prop)
    {
        const QDBusMessage r = call(bus, ref, QStringLiteral("org.freedesktop.DBus.Properties"),
                                    QStringLiteral("Get"), {iface, prop});
        if (r.type() != QDBusMessage::ReplyMessage || r.arguments().isEmpty())
            return {};
        return r.arguments().first().value<QDBusVariant>().variant();
    }

    // Depth-first search below an active window for the focused object, visiting only what is
    // on screen and giving up after a bounded number of objects.
    static bool findFocused(QDBusConnection& bus, const Ref& ref, int* visited, Ref* found)
    {
        if (++*visited > maxVisited)
            return false;
        const quint64 s = states(bus, ref);
        if (has(s, stateFocused)) {
            *found = ref;
            return true;
        }
        for (const Ref& child : children(bus, ref)) {
            if (*visited > maxVisited)
                return false;
            const quint64 cs = states(bus, child);
            if (!has(cs, stateShowing) && !has(cs, stateFocused))
                continue;
            if (findFocused(bus, child, visited, found))
                return true;
        }
        return false;
    }

    // AT-SPI counts characters (code points); QString counts UTF-16 units.
    static int toUtf16(const QString& text, int codePoints)
    {
        int i = 0;
        for (int n = 0; n < codePoints && i < text.size(); ++n)
            i += (text.at(i).isHighSurrogate() && i + 1 < text.size()) ? 2 : 1;
        return i;
    }

    bool readFrom(QDBusConnection& bus, FocusedText* out, QString* error)
    {
        const Ref root{QStringLiteral("org.a11y.atspi.Registry"),
                       QStringLiteral("/org/a11y/atspi/accessible/root")};
        Ref focused;
        int visited = 0;
        bool found = false;
        for (const Ref& app : children(bus, root)) {
            for (const Ref& window : children(bus, app)) {
                if (!has(states(bus, window), stateActive))
                    continue;
                found = findFocused(bus, window, &visited, &focused);
                if (found)
                    break;
            }
            if (found)
                break;
        }
        if (!found) {
            *error = QStringLiteral("Nenalezen aktivní textový prvek.");
            return false;
        }
        const QVariant count = property(bus, focused, textIface, QStringLiteral("CharacterCount"));
        if (!count.isValid()) {
            *error = QStringLiteral("Aktivní prvek neobsahuje text.");
            return false;
        }
        const int chars = std::min(count.toInt(), maxChars);
        const QDBusMessage t = call(bus, focused, textIface, QStringLiteral("GetText"), {0, chars});
        if (t.type() != QDBusMessage::ReplyMessage || t.arguments().isEmpty()) {
            *error = QStringLiteral("Text aktivního prvku nelze přečíst.");
            return false;
        }
        out->text = t.arguments().first().toString();
        const int caret = property(bus, focused, textIface, QStringLiteral("CaretOffset")).toInt();
        out->selStart = out->selEnd = toUtf16(out->text, caret);
        const QDBusMessage n = call(bus, focused, textIface, QStringLiteral("GetNSelections"));
        if (n.type() == QDBusMessage::ReplyMessage && !n.arguments().isEmpty() &&
            n.arguments().first().toInt() > 0) {
            const QDBusMessage sel = call(bus, focused, textIface, QStringLiteral("GetSelection"), {0});
            if (sel.type() == QDBusMessage::ReplyMessage && sel.arguments().size() >= 2) {
                const int a = sel.arguments().at(0).toInt();
                const int b = sel.arguments().at(1).toInt();
                out->selStart = toUtf16(out->text, std::min(a, b));
                out->selEnd = toUtf16(out->text, std::max(a, b));
            }
        }
        return true;
    }
};

} // namespace

std::unique_ptr<FocusedTextReader> createFocusedTextReader()
{
    return std::make_unique<AtspiReader>();
}
