#include "platform/program_folder.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <unistd.h>

namespace glimmer::platform {
namespace {

bool managedBySystem(const QString& folder) {
    return folder.startsWith(QLatin1String("/usr/")) ||
           ::access(QFile::encodeName(folder).constData(), W_OK) != 0;
}

// Made beside its place and renamed into it once whole, so that an interrupted first start
// leaves no half-made folder to be taken for a made one.
bool makeFrom(const QString& executableFolder, const QString& folder) {
    const QString partial = folder + QStringLiteral(".partial");
    QDir(partial).removeRecursively();
    if (!QDir().mkpath(partial + QStringLiteral("/imported"))) return false;
    const QFileInfoList files = QDir(executableFolder).entryInfoList(QDir::Files);
    for (const QFileInfo& file : files) {
        if (file.isExecutable()) continue; // the program itself
        if (!QFile::copy(file.filePath(), partial + '/' + file.fileName())) return false;
    }
    return QDir().rename(partial, folder);
}

} // namespace

QString programFolder(const QString& executableFolder, const QString& dataHome) {
    if (!managedBySystem(executableFolder) || dataHome.isEmpty()) return executableFolder;
    const QString folder = QDir::cleanPath(dataHome + QStringLiteral("/glimmer"));
    if (QFileInfo(folder).isDir() || makeFrom(executableFolder, folder)) return folder;
    return executableFolder;
}

} // namespace glimmer::platform
