#pragma once

#include <QStringList>

namespace glimmer::platform {

// Root paths of the mounted volumes, the root folder first. These stand in for drives.
[[nodiscard]] QStringList mountedVolumes();

// The volume that holds `path`: the longest mounted root it starts with.
[[nodiscard]] QString volumeOf(const QString& path, const QStringList& volumes);

} // namespace glimmer::platform
