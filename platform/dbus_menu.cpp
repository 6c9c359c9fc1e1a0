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

QString dbusMenuLabel(const QString& text) {
    QString out;
    out.reserve(text.size() + 1);
    bool keyMarked = false;
    for (qsizetype i = 0; i < text.size(); ++i) {
        const QChar c = text.at(i);
        if (c == QLatin1Char('_')) {
            out += QStringLiteral("__");
        } else if (c != QLatin1Char('&')) {
            out += c;
        } else if (i + 1 < text.size() && text.at(i + 1) == QLatin1Char('&')) {
            out += c;
            ++i;
        } else if (!keyMarked && i + 1 < text.size()) {
            // Qt takes the first as the key and draws no other, nor one that ends the text.
            out += QLatin1Char('_');
            keyMarked = true;
        }
    }
    return out;
}

namespace {

// The protocol's own names, as hosts call them. Unknown ids are errors, as libdbusmenu's
// own servers answer them: a host learns its layout is stale instead of drawing nothing.
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
    uint GetLayout(int parent, int depth, const QStringList& names,
                   glimmer::platform::DBusMenuLayout& layout) {
        const std::optional<DBusMenuLayout> found = m_menu->layout(parent, depth, names);
        if (!found) return unknown(parent);
        layout = *found;
        return m_menu->revision();
    }
    QList<glimmer::platform::DBusMenuItem> GetGroupProperties(const QList<int>& ids,
                                                              const QStringList& names) {
        return m_menu->items(ids, names);
    }
    QDBusVariant GetProperty(int id, const QString& name) {
        const QVariant value = m_menu->property(id, name);
        if (value.isValid()) return QDBusVariant(value);
        if (m_menu->has(id))
            m_menu->refuseCall(QDBusError::errorString(QDBusError::InvalidArgs),
                               QStringLiteral("no property %1").arg(name));
        else
            unknown(id);
        return QDBusVariant(QString()); // not sent: the error is the answer
    }
    void Event(int id, const QString& eventId, const QDBusVariant&, uint) {
        if (!m_menu->event(id, eventId)) unknown(id);
    }
    // Version 3 hosts (libdbusmenu's, waybar's) send events in groups.
    QList<int> EventGroup(const QList<glimmer::platform::DBusMenuEvent>& events) {
        QList<int> missing;
        for (const DBusMenuEvent& e : events)
            if (!m_menu->event(e.id, e.eventId)) missing.append(e.id);
        if (missing.size() == events.size())
            m_menu->refuseCall(QString::fromLatin1(DBusMenu::kUnknownId),
                               QStringLiteral("none of the events names an entry"));
        return missing;
    }
    // Nothing is built late: no entry needs updating.
    bool AboutToShow(int id) {
        if (!m_menu->has(id)) unknown(id);
        return false;
    }
    QList<int> AboutToShowGroup(const QList<int>& ids, QList<int>& missing) {
        missing.clear();
        for (int id : ids)
            if (!m_menu->has(id)) missing.append(id);
        return {};
    }

  signals:
    void LayoutUpdated(uint revision, int parent);

  private:
    uint unknown(int id) {
        m_menu->refuseCall(QString::fromLatin1(DBusMenu::kUnknownId),
                           QStringLiteral("no menu entry %1").arg(id));
        return 0;
    }

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

int DBusMenu::count() const {
    return m_menu ? int(m_menu->actions().size()) : 0;
}

bool DBusMenu::has(int id) const {
    return id >= 0 && id <= count();
}

QAction* DBusMenu::action(int id) const {
    return id >= 1 && id <= count() ? m_menu->actions().at(id - 1) : nullptr;
}

QVariantMap DBusMenu::propertiesOf(int id) const {
    const QAction* a = action(id);
    if (!a) return {{QStringLiteral("children-display"), QStringLiteral("submenu")}};
    if (a->isSeparator()) return {{QStringLiteral("type"), QStringLiteral("separator")}};
    QVariantMap p{{QStringLiteral("label"), dbusMenuLabel(a->text())},
                  {QStringLiteral("enabled"), a->isEnabled()},
                  {QStringLiteral("visible"), a->isVisible()}};
    if (a->isCheckable()) {
        p.insert(QStringLiteral("toggle-type"), QStringLiteral("checkmark"));
        p.insert(QStringLiteral("toggle-state"), a->isChecked() ? 1 : 0);
    }
    return p;
}

namespace {
QVariantMap picked(QVariantMap properties, const QStringList& names) {
    if (names.isEmpty()) return properties;
    for (auto it = properties.begin(); it != properties.end();)
        it = names.contains(it.key()) ? std::next(it) : properties.erase(it);
    return properties;
}
} // namespace

// The menu is one level deep: only the menu itself (0) has children.
std::optional<DBusMenuLayout> DBusMenu::layout(int parent, int depth,
                                               const QStringList& names) const {
    if (!has(parent)) return std::nullopt;
    DBusMenuLayout node{parent, picked(propertiesOf(parent), names), {}};
    if (parent == 0 && depth != 0)
        for (int id = 1; id <= count(); ++id)
            node.children.append(
                QVariant::fromValue(DBusMenuLayout{id, picked(propertiesOf(id), names), {}}));
    return node;
}

QList<DBusMenuItem> DBusMenu::items(const QList<int>& ids, const QStringList& names) const {
    QList<int> wanted = ids;
    if (wanted.isEmpty())
        for (int id = 0; id <= count(); ++id)
            wanted.append(id);
    QList<DBusMenuItem> out;
    for (int id : wanted)
        if (has(id)) out.append({id, picked(propertiesOf(id), names)});
    return out;
}

QVariant DBusMenu::property(int id, const QString& name) const {
    return has(id) ? propertiesOf(id).value(name) : QVariant();
}

bool DBusMenu::event(int id, const QString& eventId) {
    QAction* a = action(id);
    if (!a) return id == 0; // the menu's own "opened" and "closed"
    if (eventId == QLatin1String("clicked") && a->isEnabled())
        QTimer::singleShot(0, a, &QAction::trigger);
    return true;
}

} // namespace glimmer::platform

#include "dbus_menu.moc"
