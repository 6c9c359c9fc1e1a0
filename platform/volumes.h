#pragma once

#include <QList>
#include <QStringList>

namespace glimmer::platform {

struct Mount {
    QString root;      // the mount point
    QByteArray fsType; // as the mount table names it: "ext4", "squashfs", ...
};

// Root paths of the mounted volumes, the root folder first. These stand in for drives.
[[nodiscard]] QStringList mountedVolumes();

// The volumes of `mounts` a user would pick: the root folder first, then the others sorted,
// each once. The system's own mounts (kernel and device file systems, /proc, /sys, /dev, /run
// but for the removable media under /run/media, snap images, container layers) are left out.
[[nodiscard]] QStringList userVolumes(const QList<Mount>& mounts);

// The volume that holds `path`: the longest mounted root it starts with.
[[nodiscard]] QString volumeOf(const QString& path, const QStringList& volumes);

} // namespace glimmer::platform
