#include "platform/volumes.h"

#include <QStorageInfo>

namespace glimmer::platform {

QStringList mountedVolumes() {
    QStringList roots{QStringLiteral("/")};
    for (const QStorageInfo& v : QStorageInfo::mountedVolumes()) {
        const QString root = v.rootPath();
        if (v.isValid() && !roots.contains(root) && !root.startsWith(QLatin1String("/proc")) &&
            !root.startsWith(QLatin1String("/sys")) && !root.startsWith(QLatin1String("/dev")) &&
            !root.startsWith(QLatin1String("/run")))
            roots.append(root);
    }
    std::sort(roots.begin() + 1, roots.end());
    return roots;
}

QString volumeOf(const QString& path, const QStringList& volumes) {
    QString best = QStringLiteral("/");
    for (const QString& v : volumes)
        if ((path == v || path.startsWith(v.endsWith('/') ? v : v + '/')) && v.size() > best.size())
            best = v;
    return best;
}

} // namespace glimmer::platform
