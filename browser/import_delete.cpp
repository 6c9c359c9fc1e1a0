#include "browser/import_delete.h"

#include "decode/error.h"

namespace glimmer::browser {
namespace {

void tell(platform::Platform& p, QWidget* owner, const QString& text,
          const QString& title = QString(), platform::Icon icon = platform::Icon::None) {
    p.dialogs.message(owner, {text, title, platform::Buttons::Ok, icon});
}

void workingFolder(platform::Platform& p, QWidget* owner, const QString& folder) {
    tell(p, owner,
         QStringLiteral("You cannot copy from %1 Folder as it is a working folder.").arg(folder),
         QStringLiteral("Cannot Copy Folder"));
}

} // namespace

QString importFolder(const QString& programFolder) {
    return platform::joinPath(programFolder, QStringLiteral("imported"));
}

QString importName(const QString& name) {
    return name.endsWith(QLatin1String("pcx")) ? name : name.chopped(3) + QStringLiteral("pcx");
}

ImportPaths CopyTheBitmap(platform::Platform& p, QWidget* owner, const QString& folder,
                          const QString& name) {
    if (p.programFolder == folder) {
        workingFolder(p, owner, folder);
        return {};
    }
    if (name.isEmpty()) return {}; // nothing picked: nothing to say
    ImportPaths paths{platform::joinPath(folder, name),
                      platform::joinPath(importFolder(p.programFolder), importName(name))};
    if (!p.files.isFolder(importFolder(p.programFolder))) {
        tell(p, owner,
             QStringLiteral("There is no import folder %1.").arg(importFolder(p.programFolder)),
             QString(), platform::Icon::Exclamation);
        return paths;
    }
    if (p.files.sameFile(paths.source, paths.target)) {
        workingFolder(p, owner, folder); // importing the import folder's own copy onto itself
        return paths;
    }
    try {
        p.files.copyFile(paths.source, paths.target);
    } catch (const Error& e) {
        if (e.number() == errc::PermissionDenied)
            tell(p, owner, QStringLiteral("You cannot copy this file as it already exists"));
        else
            tell(p, owner, QStringLiteral("%1 could not be imported: %2").arg(name, e.text()),
                 QString(), platform::Icon::Exclamation);
    }
    return paths;
}

bool deletePicture(platform::Platform& p, QWidget* owner, const QString& folder,
                   const QString& name) {
    if (p.dialogs.message(owner, {QStringLiteral("Are You Shore You Want To Delete?"),
                                  QStringLiteral("Delete"), platform::Buttons::YesNo,
                                  platform::Icon::None}) != platform::Button::Yes)
        return false;
    if (name.isEmpty()) return true; // nothing picked: nothing to remove
    try {
        p.files.removeFile(platform::joinPath(folder, name));
    } catch (const Error& e) {
        if (e.number() == errc::FileNotFound) return true; // gone already: what the user wanted
        tell(p, owner, QStringLiteral("%1 could not be deleted: %2").arg(name, e.text()), QString(),
             platform::Icon::Exclamation);
        return false;
    }
    return true;
}

} // namespace glimmer::browser
