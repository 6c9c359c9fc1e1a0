#include "platform/volumes.h"

#include <QFileInfo>
#include <QStorageInfo>
#include <algorithm>

namespace glimmer::platform {
namespace {

bool within(const QString& path, QLatin1String folder) {
    return path == folder || (path.startsWith(folder) && path.at(folder.size()) == '/');
}

// File systems that only the kernel and the system services fill.
bool systemType(const QByteArray& type) {
    static const QList<QByteArray> kTypes{
        "proc",       "sysfs",      "devtmpfs",  "devpts",   "cgroup",      "cgroup2",
        "securityfs", "debugfs",    "tracefs",   "configfs", "fusectl",     "mqueue",
        "hugetlbfs",  "pstore",     "bpf",       "autofs",   "binfmt_misc", "efivarfs",
        "nsfs",       "rpc_pipefs", "selinuxfs", "rootfs",   "ramfs"};
    return kTypes.contains(type);
}

bool systemMount(const Mount& m) {
    const QString& r = m.root; // never "/", which userVolumes() lists first
    if (systemType(m.fsType)) return true;
    if (within(r, QLatin1String("/proc")) || within(r, QLatin1String("/sys")) ||
        within(r, QLatin1String("/dev")))
        return true;
    // /run holds the services' state; the desktop mounts removable media under /run/media.
    if (within(r, QLatin1String("/run")) || within(r, QLatin1String("/var/run")))
        return !within(r, QLatin1String("/run/media")) || r == QLatin1String("/run/media");
    // Snap packages are read-only images, one mount per package revision.
    if (within(r, QLatin1String("/snap")) ||
        (m.fsType == "squashfs" && within(r, QLatin1String("/var/lib/snapd"))))
        return true;
    // Container engines stack overlay layers of their own; the root itself is kept above.
    if (m.fsType == "overlay" || within(r, QLatin1String("/var/lib/docker")) ||
        within(r, QLatin1String("/var/lib/containers")))
        return true;
    return false;
}

} // namespace

QStringList userVolumes(const QList<Mount>& mounts) {
    QStringList roots{QStringLiteral("/")};
    for (const Mount& m : mounts)
        if (!m.root.isEmpty() && !roots.contains(m.root) && !systemMount(m)) roots.append(m.root);
    std::sort(roots.begin() + 1, roots.end());
    return roots;
}

QStringList mountedVolumes() {
    QList<Mount> mounts;
    for (const QStorageInfo& v : QStorageInfo::mountedVolumes())
        // Containers bind single files (/etc/hosts and the like); only folders are drives.
        if (v.isValid() && QFileInfo(v.rootPath()).isDir())
            mounts.append({v.rootPath(), v.fileSystemType()});
    return userVolumes(mounts);
}

QString volumeOf(const QString& path, const QStringList& volumes) {
    QString best = QStringLiteral("/");
    for (const QString& v : volumes)
        if ((path == v || path.startsWith(v.endsWith('/') ? v : v + '/')) && v.size() > best.size())
            best = v;
    return best;
}

} // namespace glimmer::platform
