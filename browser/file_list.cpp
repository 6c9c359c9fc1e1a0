#include "browser/file_list.h"

#include <QDir>
#include <QRegularExpression>

#include "decode/error.h"
#include "platform/file_system.h"

namespace glimmer::browser {

FileList::FileList(platform::FileSystem& files, QString folder)
    : m_files(files), m_folder(std::move(folder)) {
    refresh();
}

void FileList::setFolder(const QString& folder) {
    m_folder = folder;
    refresh();
    emit folderChanged();
}

void FileList::refresh() {
    m_entries.clear();
    QStringList names;
    try {
        names = m_files.fileNames(m_folder);
    } catch (const Error&) {
        return;
    }
    const QRegularExpression match(QRegularExpression::wildcardToRegularExpression(m_pattern),
                                   QRegularExpression::CaseInsensitiveOption);
    for (const QString& n : std::as_const(names))
        if (match.match(n).hasMatch()) m_entries.append(n);
}

QStringList pcxEntries(const QStringList& files) {
    QStringList out;
    for (const QString& f : files)
        if (f.right(3).compare(QLatin1String("PCX"), Qt::CaseInsensitive) == 0) out.append(f);
    return out;
}

} // namespace glimmer::browser
