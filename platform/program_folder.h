// The program folder: where the samples, the recent-files list and the imports live.
#pragma once

#include <QString>

namespace glimmer::platform {

// The folder of the executable when the user may change it (a build, `./dev install`).
// For an install the system manages (under /usr, or a folder the user may not write) it is
// `dataHome`/glimmer, made on first start with the executable folder's pictures and an empty
// imported/; when that cannot be made, the executable's folder after all.
[[nodiscard]] QString programFolder(const QString& executableFolder, const QString& dataHome);

} // namespace glimmer::platform
