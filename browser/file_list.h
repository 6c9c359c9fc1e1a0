// File1: the hidden file list behind the browser's PCX list. It holds the names of the files
// of its folder that match its pattern, sorted without regard to case.
#pragma once

#include <QObject>
#include <QStringList>

namespace glimmer::platform {
class FileSystem;
}

namespace glimmer::browser {

class FileList : public QObject {
    Q_OBJECT
  public:
    FileList(platform::FileSystem& files, QString folder);

    [[nodiscard]] const QString& folder() const { return m_folder; }
    [[nodiscard]] const QStringList& entries() const { return m_entries; }
    [[nodiscard]] const QString& pattern() const { return m_pattern; }

    // Re-reads the folder and says so; an unreadable folder leaves the list empty.
    void setFolder(const QString& folder);
    // Takes effect at the next read of the folder.
    void setPattern(const QString& pattern) { m_pattern = pattern; }

  signals:
    void folderChanged();

  private:
    void refresh();

    platform::FileSystem& m_files;
    QString m_folder;
    QString m_pattern = QStringLiteral("*");
    QStringList m_entries;
};

// The entries of `files` whose last three characters are "PCX" in any case, in order.
[[nodiscard]] QStringList pcxEntries(const QStringList& files);

} // namespace glimmer::browser
