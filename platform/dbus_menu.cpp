#include "platform/dbus_menu.h"

#include <QAction>
#include <QDBusAbstractAdaptor>
#include <QDBusArgument>
#include <QDBusMetaType>
#include <QMenu>
#include <QTimer>

namespace glimmer::platform {

QDBusArgument& operator<<(QDBusArgument& arg, const DBusMenuLayout& item) {
    arg.beginStructure();
    arg << item.id << item.properties;
    arg.beginArray(qMetaTypeId<QDBusVariant>());
    for (const QVariant& child : item.children)
        arg << QDBusVariant(child);
    arg.endArray();
    arg.endStructure();
    return arg;
}

const QDBusArgument& operator>>(const QDBusArgument& arg, DBusMenuLayout& item) {
    arg.beginStructure();
    arg >> item.id >> item.properties;
    item.children.clear();
    arg.beginArray();
    while (!arg.atEnd()) {
        QDBusVariant child;
        arg >> child;
        item.children.append(child.variant());
    }
    arg.endArray();
    arg.endStructure();
    return arg;
}

QDBusArgument& operator<<(QDBusArgument& arg, const DBusMenuItem& item) {
    arg.beginStructure();
    arg << item.id << item.properties;
    arg.endStructure();
    return arg;
}

const QDBusArgument& operator>>(const QDBusArgument& arg, DBusMenuItem& item) {
    arg.beginStructure();
    arg >> item.id >> item.properties;
    arg.endStructure();
    return arg;
}

QDBusArgument& operator<<(QDBusArgument& arg, const DBusMenuEvent& e) {
    arg.beginStructure();
    arg << e.id << e.eventId << e.data << e.timestamp;
    arg.endStructure();
    return arg;
}

const QDBusArgument& operator>>(const QDBusArgument& arg, DBusMenuEvent& e) {
    arg.beginStructure();
    arg >> e.id >> e.eventId >> e.data >> e.timestamp;
    arg.endStructure();
    return arg;
}

namespace {

// The protocol's own names, as hosts call them.
class DBusMenuAdaptor final : public QDBusAbstractAdaptor {
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "com.canonical.dbusmenu")
    Q_PROPERTY(uint Version READ version)
    Q_PROPERTY(QString TextDirection READ textDirection)
    Q_PROPERTY(QString Status READ status)
    Q_PROPERTY(QStringList IconThemePath READ iconThemePath)

  public:
    explicit DBusMenuAdaptor(DBusMenu* menu) : QDBusAbstractAdaptor(menu), m_menu(menu) {
        connect(menu, &DBusMenu::layoutUpdated, this, &DBusMenuAdaptor::LayoutUpdated);
    }
    uint version() const { return 3; }
    QString textDirection() const { return QStringLiteral("ltr"); }
    QString status() const { return QStringLiteral("normal"); }
    QStringList iconThemePath() const { return {}; }

  public slots:
    // The menu is one level deep: any parent and depth get the whole of it.
    uint GetLayout(int, int, const QStringList&, glimmer::platform::DBusMenuLayout& layout) {
        layout = m_menu->layout();
        return m_menu->revision();
    }
    QList<glimmer::platform::DBusMenuItem> GetGroupProperties(const QList<int>& ids,
                                                              const QStringList&) {
        return m_menu->items(ids);
    }
    // An unknown entry or name gets an empty text: an invalid value cannot go over the bus.
    QDBusVariant GetProperty(int id, const QString& name) {
        const QVariant value = m_menu->property(id, name);
        return QDBusVariant(value.isValid() ? value : QVariant(QString()));
    }
    void Event(int id, const QString& eventId, const QDBusVariant&, uint) {
        m_menu->event(id, eventId);
    }
    // Version 3 hosts (libdbusmenu's, waybar's) send events in groups.
    QList<int> EventGroup(const QList<glimmer::platform::DBusMenuEvent>& events) {
        QList<int> unknown;
        for (const DBusMenuEvent& e : events)
            if (!m_menu->event(e.id, e.eventId)) unknown.append(e.id);
        return unknown;
    }
    bool AboutToShow(int) { return false; }
    // Nothing is built late: no entry needs updating.
    QList<int> AboutToShowGroup(const QList<int>&, QList<int>& unknown) {
        unknown.clear();
        return {};
    }

  signals:
    void LayoutUpdated(uint revision, int parent);

  private:
    DBusMenu* m_menu;
};

} // namespace

DBusMenu::DBusMenu(QDBusConnection bus, QObject* parent) : QObject(parent), m_bus(std::move(bus)) {
    qDBusRegisterMetaType<DBusMenuLayout>();
    qDBusRegisterMetaType<DBusMenuItem>();
    qDBusRegisterMetaType<QList<DBusMenuItem>>();
    qDBusRegisterMetaType<DBusMenuEvent>();
    qDBusRegisterMetaType<QList<DBusMenuEvent>>();
    new DBusMenuAdaptor(this);
}

DBusMenu::~DBusMenu() {
    if (m_exported) m_bus.unregisterObject(QString::fromLatin1(kPath));
}

void DBusMenu::setMenu(QMenu* menu) {
    if (m_menu == menu) return;
    if (m_menu)
        for (QAction* a : m_menu->actions())
            disconnect(a, nullptr, this, nullptr);
    m_menu = menu;
    if (menu) {
        for (QAction* a : menu->actions())
            connect(a, &QAction::changed, this, &DBusMenu::changed);
        if (!m_exported)
            m_exported = m_bus.registerObject(QString::fromLatin1(kPath), this,
                                              QDBusConnection::ExportAdaptors);
    }
    changed();
}

void DBusMenu::changed() {
    emit layoutUpdated(++m_revision, 0);
}

QAction* DBusMenu::action(int id) const {
    if (!m_menu || id < 1 || id > m_menu->actions().size()) return nullptr;
    return m_menu->actions().at(id - 1);
}

QVariantMap DBusMenu::propertiesOf(const QAction* a) const {
    if (a->isSeparator()) return {{QStringLiteral("type"), QStringLiteral("separator")}};
    QVariantMap p{{QStringLiteral("label"), a->text().replace(QLatin1Char('&'), QLatin1Char('_'))},
                  {QStringLiteral("enabled"), a->isEnabled()},
                  {QStringLiteral("visible"), a->isVisible()}};
    if (a->isCheckable()) {
        p.insert(QStringLiteral("toggle-type"), QStringLiteral("checkmark"));
        p.insert(QStringLiteral("toggle-state"), a->isChecked() ? 1 : 0);
    }
    return p;
}

DBusMenuLayout DBusMenu::layout() const {
    DBusMenuLayout root{0, {{QStringLiteral("children-display"), QStringLiteral("submenu")}}, {}};
    const int count = m_menu ? int(m_menu->actions().size()) : 0;
    for (int id = 1; id <= count; ++id)
        root.children.append(QVariant::fromValue(DBusMenuLayout{id, propertiesOf(action(id)), {}}));
    return root;
}

QList<DBusMenuItem> DBusMenu::items(const QList<int>& ids) const {
    QList<DBusMenuItem> out;
    for (int id : ids)
        if (const QAction* a = action(id)) out.append({id, propertiesOf(a)});
    return out;
}

QVariant DBusMenu::property(int id, const QString& name) const {
    const QAction* a = action(id);
    return a ? propertiesOf(a).value(name) : QVariant();
}

bool DBusMenu::event(int id, const QString& eventId) {
    QAction* a = action(id);
    if (!a) return id == 0;
    if (eventId == QLatin1String("clicked") && a->isEnabled())
        QTimer::singleShot(0, a, &QAction::trigger);
    return true;
}

} // namespace glimmer::platform

#include "dbus_menu.moc"
