#include "platform/sni_item.h"

#include <QCoreApplication>
#include <QDBusAbstractAdaptor>
#include <QDBusArgument>
#include <QDBusConnectionInterface>
#include <QDBusMessage>
#include <QDBusMetaType>
#include <QDBusObjectPath>
#include <QDBusPendingCallWatcher>
#include <QDBusPendingReply>
#include <QDBusServiceWatcher>
#include <QImage>
#include <QtEndian>

namespace glimmer::platform {

namespace {
const QString kWatcher = QStringLiteral("org.kde.StatusNotifierWatcher");
const QString kWatcherPath = QStringLiteral("/StatusNotifierWatcher");
const QString kItemPath = QStringLiteral("/StatusNotifierItem");
} // namespace

QDBusArgument& operator<<(QDBusArgument& arg, const SniPixmap& p) {
    arg.beginStructure();
    arg << p.width << p.height << p.argb;
    arg.endStructure();
    return arg;
}

const QDBusArgument& operator>>(const QDBusArgument& arg, SniPixmap& p) {
    arg.beginStructure();
    arg >> p.width >> p.height >> p.argb;
    arg.endStructure();
    return arg;
}

QDBusArgument& operator<<(QDBusArgument& arg, const SniToolTip& t) {
    arg.beginStructure();
    arg << t.iconName << t.icon << t.title << t.text;
    arg.endStructure();
    return arg;
}

const QDBusArgument& operator>>(const QDBusArgument& arg, SniToolTip& t) {
    arg.beginStructure();
    arg >> t.iconName >> t.icon >> t.title >> t.text;
    arg.endStructure();
    return arg;
}

namespace {

SniPixmaps pixmapsOf(const QIcon& icon) {
    SniPixmaps out;
    for (int side : {16, 22, 32, 48}) {
        const QImage image =
            icon.pixmap(side, side).toImage().convertToFormat(QImage::Format_ARGB32);
        if (image.isNull()) continue;
        SniPixmap p{image.width(), image.height(), {}};
        p.argb.resize(qsizetype(image.width()) * image.height() * 4);
        auto* out32 = reinterpret_cast<quint32*>(p.argb.data());
        for (int y = 0; y < image.height(); ++y) {
            const auto* line = reinterpret_cast<const quint32*>(image.constScanLine(y));
            for (int x = 0; x < image.width(); ++x)
                qToBigEndian(line[x], out32 + qsizetype(y) * image.width() + x);
        }
        out.append(p);
    }
    return out;
}

// The protocol's own names, as hosts call them.
class SniAdaptor final : public QDBusAbstractAdaptor {
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "org.kde.StatusNotifierItem")
    Q_PROPERTY(QString Category READ category)
    Q_PROPERTY(QString Id READ id)
    Q_PROPERTY(QString Title READ title)
    Q_PROPERTY(QString Status READ status)
    Q_PROPERTY(int WindowId READ windowId)
    Q_PROPERTY(QString IconName READ none)
    Q_PROPERTY(glimmer::platform::SniPixmaps IconPixmap READ iconPixmap)
    Q_PROPERTY(QString OverlayIconName READ none)
    Q_PROPERTY(glimmer::platform::SniPixmaps OverlayIconPixmap READ noPixmaps)
    Q_PROPERTY(QString AttentionIconName READ none)
    Q_PROPERTY(glimmer::platform::SniPixmaps AttentionIconPixmap READ noPixmaps)
    Q_PROPERTY(QString AttentionMovieName READ none)
    Q_PROPERTY(QString IconThemePath READ none)
    Q_PROPERTY(glimmer::platform::SniToolTip ToolTip READ toolTip)
    Q_PROPERTY(bool ItemIsMenu READ itemIsMenu)
    Q_PROPERTY(QDBusObjectPath Menu READ menu)

  public:
    explicit SniAdaptor(SniItem* item) : QDBusAbstractAdaptor(item), m_item(item) {}
    QString category() const { return QStringLiteral("ApplicationStatus"); }
    QString id() const { return QCoreApplication::applicationName(); }
    QString title() const { return m_item->title(); }
    QString status() const { return QStringLiteral("Active"); }
    int windowId() const { return 0; }
    QString none() const { return {}; }
    SniPixmaps iconPixmap() const { return m_item->pixmaps(); }
    SniPixmaps noPixmaps() const { return {}; }
    SniToolTip toolTip() const { return {{}, {}, m_item->title(), {}}; }
    // The icon is there for its menu: hosts that draw menus show it on a left click.
    bool itemIsMenu() const { return true; }
    QDBusObjectPath menu() const { return QDBusObjectPath(QString::fromLatin1(DBusMenu::kPath)); }

  public slots:
    void Activate(int, int) { emit m_item->activated(); }
    void ContextMenu(int, int) { emit m_item->activated(); }
    void SecondaryActivate(int, int) {}
    void Scroll(int, const QString&) {}

  signals:
    void NewTitle();
    void NewIcon();
    void NewToolTip();
    void NewStatus(const QString& status);

  private:
    SniItem* m_item;
};

} // namespace

SniItem::SniItem(QDBusConnection bus)
    : m_bus(std::move(bus)), m_service(QStringLiteral("org.kde.StatusNotifierItem-%1-1")
                                           .arg(QCoreApplication::applicationPid())),
      m_watcher(
          new QDBusServiceWatcher(kWatcher, m_bus, QDBusServiceWatcher::WatchForOwnerChange, this)),
      m_menu(new DBusMenu(m_bus, this)) {
    qDBusRegisterMetaType<SniPixmap>();
    qDBusRegisterMetaType<SniPixmaps>();
    qDBusRegisterMetaType<SniToolTip>();
    new SniAdaptor(this);
    if (!m_bus.isConnected()) return;
    // Asked once, before any window: later the watcher's own news keeps it current, so that no
    // hanging panel can freeze the program.
    const QDBusMessage reply = m_bus.call(hostQuery(), QDBus::Block, 2000);
    m_hostPresent = hostIn(reply);
    // A panel started, restarted or replaced later gets the icon too.
    connect(m_watcher, &QDBusServiceWatcher::serviceOwnerChanged, this,
            [this](const QString&, const QString&, const QString& owner) {
                setHostPresent(false);
                if (owner.isEmpty()) return;
                askForHost();
                if (m_shown) registerWithWatcher();
            });
    m_bus.connect(kWatcher, kWatcherPath, kWatcher, QStringLiteral("StatusNotifierHostRegistered"),
                  this, SLOT(hostRegistered()));
    // One host leaving may leave others: the watcher knows whether any is left.
    m_bus.connect(kWatcher, kWatcherPath, kWatcher,
                  QStringLiteral("StatusNotifierHostUnregistered"), this, SLOT(hostUnregistered()));
}

SniItem::~SniItem() {
    hide();
}

QDBusMessage SniItem::hostQuery() {
    QDBusMessage get = QDBusMessage::createMethodCall(
        kWatcher, kWatcherPath, QStringLiteral("org.freedesktop.DBus.Properties"),
        QStringLiteral("Get"));
    get << kWatcher << QStringLiteral("IsStatusNotifierHostRegistered");
    return get;
}

bool SniItem::hostIn(const QDBusMessage& reply) {
    return reply.type() == QDBusMessage::ReplyMessage && !reply.arguments().isEmpty() &&
           reply.arguments().first().value<QDBusVariant>().variant().toBool();
}

void SniItem::askForHost() {
    auto* call = new QDBusPendingCallWatcher(m_bus.asyncCall(hostQuery()), this);
    connect(call, &QDBusPendingCallWatcher::finished, this, [this](QDBusPendingCallWatcher* c) {
        setHostPresent(hostIn(c->reply()));
        c->deleteLater();
    });
}

void SniItem::hostRegistered() {
    setHostPresent(true);
}

void SniItem::hostUnregistered() {
    askForHost();
}

void SniItem::setHostPresent(bool present) {
    if (present == m_hostPresent) return;
    m_hostPresent = present;
    emit hostChanged(present);
}

void SniItem::show(const QIcon& icon, const QString& tooltip, QMenu* menu) {
    if (m_shown || !m_bus.isConnected()) return;
    m_title = tooltip;
    m_pixmaps = pixmapsOf(icon);
    m_menu->setMenu(menu);
    m_bus.registerObject(kItemPath, this, QDBusConnection::ExportAdaptors);
    m_bus.registerService(m_service);
    m_shown = true;
    registerWithWatcher();
}

void SniItem::hide() {
    if (!m_shown) return;
    m_shown = false;
    // Hosts drop an item whose name leaves the bus.
    m_bus.unregisterService(m_service);
    m_bus.unregisterObject(kItemPath);
    m_menu->setMenu(nullptr);
}

void SniItem::registerWithWatcher() {
    QDBusMessage call = QDBusMessage::createMethodCall(
        kWatcher, kWatcherPath, kWatcher, QStringLiteral("RegisterStatusNotifierItem"));
    call << m_service;
    m_bus.asyncCall(call);
}

} // namespace glimmer::platform

#include "sni_item.moc"
