#include "browser/folder_list.h"

#include <QDir>
#include <QStyle>

#include "decode/error.h"
#include "platform/file_system.h"

namespace glimmer::browser {

FolderList::FolderList(platform::FileSystem& files, QWidget* parent)
    : QListWidget(parent), m_files(files) {
    connect(this, &QListWidget::itemActivated, this, [this](QListWidgetItem* item) {
        const QString target = item->data(Qt::UserRole).toString();
        try {
            setPath(target);
        } catch (const Error&) {
            // An unreadable folder is not entered; the list stays where it was.
        }
    });
}

void FolderList::setPath(const QString& path) {
    const QString clean = QDir::cleanPath(path);
    const QStringList subs = m_files.subfolders(clean);
    m_path = clean;
    fill(subs);
    emit pathChanged(m_path);
}

void FolderList::fill(const QStringList& subfolders) {
    clear();
    // The chain of folders from the root down to the current one, then its subfolders.
    QStringList chain;
    for (QDir d(m_path);;) {
        chain.prepend(d.absolutePath());
        if (!d.cdUp()) break;
    }
    int depth = 0;
    for (const QString& folder : std::as_const(chain)) {
        const QString label = folder == QLatin1String("/") ? folder : QDir(folder).dirName();
        auto* item = new QListWidgetItem(style()->standardIcon(QStyle::SP_DirOpenIcon),
                                         QString(depth * 2, ' ') + label, this);
        item->setData(Qt::UserRole, folder);
        ++depth;
    }
    setCurrentRow(count() - 1);
    for (const QString& sub : subfolders) {
        auto* item = new QListWidgetItem(style()->standardIcon(QStyle::SP_DirIcon),
                                         QString(depth * 2, ' ') + sub, this);
        item->setData(Qt::UserRole, platform::joinPath(m_path, sub));
    }
}

} // namespace glimmer::browser
