// The last nine names the picture window was asked to open, most recent first, kept in a
// text file beside the program. The list outlives the window's unloading.
#pragma once

#include <QString>
#include <QStringList>
#include <array>

namespace glimmer::platform {
class FileSystem;
}

namespace glimmer::viewer {

class RecentFiles {
  public:
    static constexpr int kMax = 9;

    RecentFiles(platform::FileSystem& files, QString path);

    // Slot i, 1 to 9; empty when the slot holds no entry.
    [[nodiscard]] const QString& slot(int i) const { return m_slots.at(std::size_t(i)); }
    // The entries that are listed: slots 1 to n up to the first empty one.
    [[nodiscard]] QStringList entries() const;

    // Puts `path` at the top; a name already listed moves up, the tenth falls off.
    // Returns false when `path` was already at the top and nothing changed.
    bool add(const QString& path);

    // Reads the file into slots 1 to n; slots after the last line read keep their entries.
    // A missing or unreadable file changes nothing, nor does a file the last save failed to
    // rewrite.
    void load();
    // Rewrites the file; a failed write leaves the earlier file intact and is ignored.
    void save() const;

    [[nodiscard]] const QString& path() const { return m_path; }

  private:
    platform::FileSystem& m_files;
    QString m_path;
    std::array<QString, kMax + 1> m_slots; // slot 0 is never used
    mutable bool m_unsaved = false;        // the last save failed
};

} // namespace glimmer::viewer
