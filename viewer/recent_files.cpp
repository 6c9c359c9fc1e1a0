#include "viewer/recent_files.h"

#include "decode/error.h"
#include "platform/file_system.h"

namespace glimmer::viewer {

RecentFiles::RecentFiles(platform::FileSystem& files, QString path)
    : m_files(files), m_path(std::move(path)) {}

QStringList RecentFiles::entries() const {
    QStringList out;
    for (int i = 1; i <= kMax && !m_slots[i].isEmpty(); ++i)
        out.append(m_slots[i]);
    return out;
}

bool RecentFiles::add(const QString& path) {
    const QString name = path; // `path` may be one of the slots
    if (m_slots[1] == name) return false;
    int pos = kMax;
    for (int i = 1; i < kMax; ++i)
        if (m_slots[i] == name || m_slots[i].isEmpty()) {
            pos = i;
            break;
        }
    for (int j = pos; j >= 2; --j)
        m_slots[j] = m_slots[j - 1];
    m_slots[1] = name;
    return true;
}

void RecentFiles::load() {
    // After a failed write the file is older than the list: reading it would bring back
    // entries the list has since moved.
    if (m_unsaved) return;
    QByteArray bytes;
    try {
        bytes = m_files.readFile(m_path);
    } catch (const Error&) {
        return;
    }
    int count = 0;
    // Lines may end in CR LF, LF or CR, whichever system wrote the file.
    bytes.replace("\r\n", "\n").replace('\r', '\n');
    for (const QByteArray& raw : bytes.split('\n')) {
        const QString line = QString::fromUtf8(raw);
        if (line.isEmpty()) continue;
        if (++count > kMax) break;
        m_slots[count] = line;
    }
}

void RecentFiles::save() const {
    QByteArray bytes;
    for (int i = 1; i <= kMax; ++i)
        if (!m_slots[i].isEmpty()) bytes += m_slots[i].toUtf8() + "\r\n";
    try {
        m_files.writeFile(m_path, bytes);
        m_unsaved = false;
    } catch (const Error&) {
        // Nothing is reported; the list stays in memory for the rest of the run.
        m_unsaved = true;
    }
}

} // namespace glimmer::viewer
