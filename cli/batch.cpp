#include "cli/batch.h"

#include <QDir>
#include <QDirIterator>
#include <QElapsedTimer>
#include <QFileInfo>
#include <QSet>
#include <algorithm>
#include <array>
#include <atomic>
#include <chrono>
#include <condition_variable>
#include <map>
#include <mutex>
#include <optional>
#include <system_error>
#include <thread>
#include <vector>

#include "cli/convert.h"
#include "decode/files.h"
#include "encode/write_file.h"

namespace glimmer::cli {
namespace {

struct Job {
    QString in;
    QStringList outs; // one a page
};

// One file however it is named, so naming it twice is not a clash.
QString identity(const QString& file) {
    const QFileInfo info(file);
    const QString canonical = info.canonicalFilePath();
    return canonical.isEmpty() ? QDir::cleanPath(info.absoluteFilePath()) : canonical;
}

// NAME.FORMAT in `folder`, or NAME-1.FORMAT ... NAME-N.FORMAT for a DCX file of N pages.
Job jobFor(const QString& in, const QString& folder, const QString& format) {
    const int pages = pageCount(in);
    const QString base = QFileInfo(in).completeBaseName();
    Job job{in, {}};
    for (int page = 1; page <= pages; ++page) {
        const QString number = pages == 1 ? QString() : QStringLiteral("-%1").arg(page);
        job.outs.append(QDir::cleanPath(folder + '/' + base + number + '.' + format));
    }
    return job;
}

// Where each file goes; nothing, after saying why, when any output would be written from two
// files or a file has no place in the tree. Output names are compared exactly, as the file
// system does: SHOT.png and shot.png are two files.
std::optional<std::vector<Job>> plan(const QString& format, const QString& dir,
                                     const QStringList& files, bool tree, Io io) {
    if (!QFileInfo(dir).isDir()) {
        io.err << dir << ": no such folder; nothing written" << Qt::endl;
        return std::nullopt;
    }
    const QDir here = QDir::current();
    std::vector<Job> jobs;
    QStringList outside;
    QSet<QString> seen;
    // Output -> the distinct files that would write it, as named first.
    std::map<QString, QStringList> writers;
    for (const QString& in : files) {
        const QFileInfo info(in);
        QString folder = dir;
        if (tree) {
            const QString below = QDir::cleanPath(here.relativeFilePath(info.absolutePath()));
            if (below == QLatin1String("..") || below.startsWith(QLatin1String("../")) ||
                QDir::isAbsolutePath(below)) {
                outside.append(in);
                continue;
            }
            folder = dir + '/' + below;
        }
        const QString id = identity(in);
        if (seen.contains(id)) continue;
        seen.insert(id);
        jobs.push_back(jobFor(in, folder, format));
        for (const QString& out : jobs.back().outs)
            writers[out].append(in);
    }
    // An output that is one of the inputs would replace a picture with its own conversion (a
    // true-colour PCX file by its 8-bit one): refused.
    QStringList ins, outs;
    for (const Job& job : jobs) {
        ins.append(job.in);
        outs += job.outs;
    }
    const QStringList overInput = outputsOverInputs(ins, outs);
    for (const QString& out : overInput)
        io.err << out << " would be written over its own input" << Qt::endl;
    bool clash = false;
    for (const auto& [out, by] : writers) {
        if (by.size() < 2) continue;
        clash = true;
        io.err << out << " would be written from " << (by.size() == 2 ? "both " : "");
        for (qsizetype i = 0; i < by.size(); ++i)
            io.err << (i == 0 ? "" : i + 1 == by.size() ? " and " : ", ") << by[i];
        io.err << Qt::endl;
    }
    for (const QString& in : outside)
        io.err << in << ": outside the current folder; --tree writes only inputs below it"
               << Qt::endl;
    const bool refused = clash || !outside.isEmpty() || !overInput.isEmpty();
    if (clash && !tree)
        io.err << "nothing written (--tree keeps inputs from different folders apart)" << Qt::endl;
    else if (refused)
        io.err << "nothing written" << Qt::endl;
    if (refused) return std::nullopt;
    return jobs;
}

// The files named, and every *.pcx and *.dcx (and, with `pictures`, every other picture glimmer-pcx
// reads) below each folder named, in a stable order.
QStringList expand(const QStringList& inputs, bool pictures) {
    QStringList files;
    for (const QString& in : inputs) {
        if (!QFileInfo(in).isDir()) {
            files.append(in);
            continue;
        }
        QStringList found;
        // Name filters ignore case unless told otherwise; links to folders are not followed,
        // so a link back up cannot loop.
        QDirIterator it(in, QDir::Files | QDir::Hidden, QDirIterator::Subdirectories);
        while (it.hasNext()) {
            const QString file = it.next();
            const QString suffix = it.fileInfo().suffix().toLower();
            if (suffix == QLatin1String("pcx") || suffix == QLatin1String("dcx") ||
                (pictures && isOtherPictureName(file)))
                found.append(file);
        }
        std::sort(found.begin(), found.end());
        files += found;
    }
    return files;
}

QString clock(double seconds) {
    const auto s = static_cast<long long>(seconds + 0.5);
    return QStringLiteral("%1:%2").arg(s / 60).arg(s % 60, 2, 10, QLatin1Char('0'));
}

// The progress line of a terminal: redrawn in place, erased before anything else is said.
class ProgressLine {
  public:
    ProgressLine(QTextStream& err, bool shown, std::size_t total)
        : m_err(err), m_shown(shown), m_total(total) {
        m_clock.start();
    }
    void draw(std::size_t done) {
        if (!m_shown) return;
        const double seconds = static_cast<double>(m_clock.elapsed()) / 1000.0;
        QString line = QStringLiteral("%1/%2 files").arg(done).arg(m_total);
        // A rate needs a file done and some time passed; before that there is none to tell.
        const double rate = seconds >= 0.1 ? static_cast<double>(done) / seconds : 0.0;
        if (rate > 0)
            line += QStringLiteral(", %1 files/s, %2 left")
                        .arg(rate, 0, 'f', 1)
                        .arg(clock(static_cast<double>(m_total - done) / rate));
        m_err << "\r\033[K" << line;
        m_err.flush();
        m_drawn = true;
    }
    void erase() {
        if (!m_drawn) return;
        m_err << "\r\033[K";
        m_err.flush();
        m_drawn = false;
    }

  private:
    QTextStream& m_err;
    bool m_shown;
    std::size_t m_total;
    QElapsedTimer m_clock;
    bool m_drawn = false;
};

// Runs the jobs on `threads` threads. Each job's messages are gathered and said in one piece.
std::array<int, 3> run(const std::vector<Job>& jobs, const BatchOptions& o, Io io) {
    const bool tree = o.tree, progress = o.progress;
    const int threads = std::max(1, o.jobs);
    std::atomic<std::size_t> next{0};
    std::mutex mutex;
    std::condition_variable changed;
    std::size_t done = 0;
    std::array<int, 3> counts{};
    ProgressLine line(io.err, progress, jobs.size());
    auto work = [&] {
        for (std::size_t i; (i = next++) < jobs.size();) {
            QString text;
            QTextStream said(&text);
            const std::vector<int> statuses =
                convertTo(jobs[i].in, jobs[i].outs, tree, o.pcx, Io{said, said});
            said.flush();
            const std::lock_guard lock(mutex);
            ++done;
            for (const int status : statuses)
                ++counts[static_cast<std::size_t>(status)];
            if (!text.isEmpty()) {
                line.erase();
                io.err << text;
                io.err.flush();
            }
            changed.notify_one();
        }
    };
    if (!jobs.empty()) line.draw(0); // before any worker can finish, so it is always seen
    std::vector<std::thread> pool;
    const auto n = std::min<std::size_t>(static_cast<std::size_t>(threads), jobs.size());
    try {
        for (std::size_t t = 0; t < n; ++t)
            pool.emplace_back(work);
    } catch (const std::system_error&) {
        // The system gave fewer threads than asked for: the ones started do the work.
    }
    if (pool.empty()) work();
    {
        std::unique_lock lock(mutex);
        while (done < jobs.size()) {
            line.draw(done);
            changed.wait_for(lock, std::chrono::milliseconds(250));
        }
        line.erase();
    }
    for (std::thread& t : pool)
        t.join();
    return counts;
}

// One sync for the whole run instead of one a file: the outputs' folders, each file system once.
bool synced(const std::vector<Job>& jobs, Io io) {
    QSet<QString> seen;
    QStringList folders;
    for (const Job& job : jobs)
        for (const QString& out : job.outs) {
            const QString folder = QFileInfo(out).path();
            if (!seen.contains(folder) && QFileInfo(folder).isDir()) folders.append(folder);
            seen.insert(folder);
        }
    try {
        syncFolders(folders);
        return true;
    } catch (const Error& e) {
        fail(io, QStringLiteral("syncing the outputs to disk"), e);
        return false;
    }
}

} // namespace

int convertMany(const QStringList& inputs, const BatchOptions& options, Io io) {
    const bool pictures = options.format == QLatin1String("pcx");
    const auto jobs = plan(options.format, options.dir, expand(inputs, pictures), options.tree, io);
    if (!jobs) return kFailed;
    const auto counts = run(*jobs, options, io);
    const bool onDisk = synced(*jobs, io);
    io.out << "converted " << counts[kDecoded] << ", refused " << counts[kRefused] << ", failed "
           << counts[kFailed] << Qt::endl;
    if (counts[kFailed] > 0 || !onDisk) return kFailed;
    return counts[kRefused] > 0 ? kRefused : kDecoded;
}

} // namespace glimmer::cli
