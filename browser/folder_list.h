// Dir1: the folder list. It shows the path down to the current folder and the current
// folder's subfolders; activating an entry moves there.
#pragma once

#include <QListWidget>

namespace glimmer::platform {
class FileSystem;
}

namespace glimmer::browser {

class FolderList : public QListWidget {
    Q_OBJECT
  public:
    FolderList(platform::FileSystem& files, QWidget* parent);

    [[nodiscard]] const QString& path() const { return m_path; }
    // Moves to `path` and says so. Throws Error when the folder cannot be read.
    void setPath(const QString& path);

  signals:
    void pathChanged(const QString& path);

  private:
    void fill(const QStringList& subfolders);

    platform::FileSystem& m_files;
    QString m_path;
};

} // namespace glimmer::browser
