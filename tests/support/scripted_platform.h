// Test double of the whole platform: scripted answers, recorded requests, and a real file
// system in which single operations can be made to fail.
#pragma once

#include <QList>
#include <functional>

#include "decode/error.h"
#include "platform/platform.h"
#include "tests/support/scripted_dialogs.h"

namespace glimmer::platform {

class ScriptedFileDialogs final : public FileDialogs {
  public:
    // `seam` is told when this dialog is up, so that its closeAll() finds it.
    explicit ScriptedFileDialogs(ScriptedDialogs& seam) : m_seam(seam) {}

    QString saveFileName(QWidget*, const QString& title, const QStringList& filters,
                         const QString& startName) override {
        asked.append({title, filters, startName});
        const QString answer = answers.isEmpty() ? QString() : answers.takeFirst();
        m_seam.whileUp(inside);
        return answer;
    }
    struct Request {
        QString title;
        QStringList filters;
        QString startName;
    };
    QList<Request> asked;
    QStringList answers;
    std::function<void()> inside; // runs while the next Save dialog is up

  private:
    ScriptedDialogs& m_seam;
};

class ScriptedShell final : public Shell {
  public:
    bool openUrl(const QString& address) override {
        opened.append(address);
        return true;
    }
    void beep() override { ++beeps; }
    void processEvents() override { ++eventRuns; }
    QStringList opened;
    int beeps = 0;
    int eventRuns = 0;
};

class ScriptedClipboard final : public Clipboard {
  public:
    void setImage(const QImage& image) override {
        if (broken) throw Error(errc::DeviceUnavailable, QStringLiteral("clipboard is busy"));
        held = image;
    }
    QImage image() override {
        if (broken) throw Error(errc::DeviceUnavailable, QStringLiteral("clipboard is busy"));
        return held;
    }
    QImage held;
    bool broken = false;
};

class ScriptedPrinter final : public Printer {
  public:
    void print(const QImage& image) override {
        if (!failure.isEmpty()) throw Error(errc::DeviceUnavailable, failure);
        printed.append(image);
    }
    QList<QImage> printed;
    QString failure; // when set, printing fails with this reason
};

// The real file system, with an optional fault per operation for tests that run as root.
class FaultyFileSystem final : public LocalFileSystem {
  public:
    void copyFile(const QString& from, const QString& to) override {
        if (copyFault) throw Error(copyFault);
        LocalFileSystem::copyFile(from, to);
    }
    void removeFile(const QString& path) override {
        if (removeFault) throw Error(removeFault);
        LocalFileSystem::removeFile(path);
    }
    void writeFile(const QString& path, const QByteArray& bytes) override {
        if (writeFault) throw Error(writeFault);
        LocalFileSystem::writeFile(path, bytes);
    }
    int copyFault = 0, removeFault = 0, writeFault = 0; // error numbers; 0 for none
};

class ScriptedTray final : public TrayIcon {
  public:
    bool available() const override { return present; }
    void add(const QIcon&, const QString& tip) override {
        if (shown) return;
        shown = true;
        ++adds;
        tooltip = tip;
    }
    void remove() override { shown = false; }
    bool isShown() const override { return shown; }
    void popUp(QMenu* menu) override { popped = menu; }
    bool present = true;
    bool shown = false;
    int adds = 0;
    QString tooltip;
    QMenu* popped = nullptr;
};

struct ScriptedPlatform {
    explicit ScriptedPlatform(QString programFolder, QString exe = QStringLiteral("glimmer"))
        : folder(std::move(programFolder)), exeName(std::move(exe)) {}

    Platform platform() {
        return Platform{dialogs, fileDialogs, shell, clipboard, printer,
                        files,   forms,       tray,  folder,    exeName};
    }

    ScriptedDialogs dialogs;
    ScriptedFileDialogs fileDialogs{dialogs};
    ScriptedShell shell;
    ScriptedClipboard clipboard;
    ScriptedPrinter printer;
    FaultyFileSystem files;
    FormRuntime forms;
    ScriptedTray tray;
    QString folder;
    QString exeName;
};

} // namespace glimmer::platform
