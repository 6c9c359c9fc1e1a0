// A QMenu offered over D-Bus (com.canonical.dbusmenu), for notification areas that draw the
// menu of a StatusNotifierItem themselves: KDE Plasma, GNOME's AppIndicator extension, waybar.
#pragma once

#include <QDBusConnection>
#include <QDBusContext>
#include <QDBusVariant>
#include <QObject>
#include <QPointer>
#include <QVariantMap>
#include <optional>

class QAction;
class QMenu;

namespace glimmer::platform {

// One entry of the layout: its id, properties and children (each a variant of this type).
struct DBusMenuLayout {
    int id = 0;
    QVariantMap properties;
    QVariantList children;
};

// The properties of one entry, as GetGroupProperties answers.
struct DBusMenuItem {
    int id = 0;
    QVariantMap properties;
};

// One event of an EventGroup call: the entry, what happened ("clicked"), its data and time.
struct DBusMenuEvent {
    int id = 0;
    QString eventId;
    QDBusVariant data;
    uint timestamp = 0;
};

// A Qt text as a dbusmenu label: Qt's access key "&" becomes "_", a literal "&" (written "&&")
// stays one, and a literal "_" is doubled, as "_" alone marks the access key there.
[[nodiscard]] QString dbusMenuLabel(const QString& text);

// Qt keeps the call being served in the adaptor's parent: hence the context here.
class DBusMenu final : public QObject, protected QDBusContext {
    Q_OBJECT
  public:
    static constexpr const char* kPath = "/MenuBar";
    // The error for an id that names no entry, as libdbusmenu's servers give one.
    static constexpr const char* kUnknownId = "com.canonical.dbusmenu.UnknownId";

    DBusMenu(QDBusConnection bus, QObject* parent);
    ~DBusMenu() override;
    // Offers `menu` (null: none) and tells the host its entries changed.
    void setMenu(QMenu* menu);
    bool exported() const { return m_exported; }

    // What the host asks, answered from the menu's current actions. Entry ids are the
    // action's position plus one; 0 is the menu itself. `names` picks properties (none: all).
    [[nodiscard]] bool has(int id) const;
    // The entry `parent` with its children to `depth` levels (-1: all); none for an unknown id.
    std::optional<DBusMenuLayout> layout(int parent, int depth, const QStringList& names) const;
    // The entries of `ids` that exist, or every entry for no ids.
    QList<DBusMenuItem> items(const QList<int>& ids, const QStringList& names) const;
    // Invalid for an unknown entry or name.
    QVariant property(int id, const QString& name) const;
    // The host's "clicked": the action runs once the call has been answered, since it may
    // end the program. Returns false for an id that names no entry.
    bool event(int id, const QString& eventId);

    uint revision() const { return m_revision; }
    // Answers the call being served with that error instead of its reply.
    void refuseCall(const QString& error, const QString& text) { sendErrorReply(error, text); }

  signals:
    void layoutUpdated(uint revision, int parent);

  private:
    [[nodiscard]] int count() const;
    QAction* action(int id) const;
    QVariantMap propertiesOf(int id) const;
    void changed();

    QDBusConnection m_bus;
    QPointer<QMenu> m_menu;
    uint m_revision = 1;
    bool m_exported = false;
};

} // namespace glimmer::platform

Q_DECLARE_METATYPE(glimmer::platform::DBusMenuLayout)
Q_DECLARE_METATYPE(glimmer::platform::DBusMenuItem)
Q_DECLARE_METATYPE(glimmer::platform::DBusMenuEvent)
