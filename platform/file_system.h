// File operations the windows need, raising the program's numbered errors. Writes never
// truncate what they replace: they go to a temporary file that is renamed over the target.
#pragma once

#include <QByteArray>
#include <QString>
#include <QStringList>

namespace glimmer::platform {

class FileSystem {
  public:
    virtual ~FileSystem() = default;

    // Names of the files (not folders) in `folder`, sorted without regard to case.
    [[nodiscard]] virtual QStringList fileNames(const QString& folder) const = 0;
    // Names of the subfolders of `folder`, sorted without regard to case.
    [[nodiscard]] virtual QStringList subfolders(const QString& folder) const = 0;
    [[nodiscard]] virtual bool isFolder(const QString& path) const = 0;
    // True when the path's attributes can be read; folders count. Never throws.
    [[nodiscard]] virtual bool exists(const QString& path) const = 0;
    // Whether both paths name the same file on disk, however they are written.
    [[nodiscard]] virtual bool sameFile(const QString& a, const QString& b) const = 0;
    virtual void copyFile(const QString& from, const QString& to) = 0;
    virtual void removeFile(const QString& path) = 0;
    [[nodiscard]] virtual QByteArray readFile(const QString& path) const = 0;
    virtual void writeFile(const QString& path, const QByteArray& bytes) = 0;
};

class LocalFileSystem : public FileSystem {
  public:
    QStringList fileNames(const QString& folder) const override;
    QStringList subfolders(const QString& folder) const override;
    bool isFolder(const QString& path) const override;
    bool exists(const QString& path) const override;
    bool sameFile(const QString& a, const QString& b) const override;
    void copyFile(const QString& from, const QString& to) override;
    void removeFile(const QString& path) override;
    QByteArray readFile(const QString& path) const override;
    void writeFile(const QString& path, const QByteArray& bytes) override;
};

// A folder and a name joined with exactly one "/".
[[nodiscard]] QString joinPath(const QString& folder, const QString& name);

} // namespace glimmer::platform
