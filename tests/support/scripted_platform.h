// Test double of the whole platform: scripted answers and recorded requests over the real
// file system (its faults are tests/real_platform_test.cpp's, for real).
#pragma once

#include <QList>
#include <functional>

#include "decode/error.h"
#include "platform/platform.h"
#include "tests/support/scripted_dialogs.h"

namespace glimmer::platform {

class ScriptedFileDialogs final : public FileDialogs {
  public:
    QString saveFileName(QWidget*, const QString&, const QStringList&, const QString&) override {
        return answers.isEmpty() ? QString() : answers.takeFirst();
    }
    QStringList answers;
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
    void print(const QImage& image) override { printed.append(image); }
    QList<QImage> printed;
};

class ScriptedTray final : public TrayIcon {
  public:
    bool available() const override { return present; }
    void add(const QIcon&, const QString& tip, QMenu*) override {
        if (shown) return;
        shown = true;
        ++adds;
        tooltip = tip;
    }
    void remove() override { shown = false; }
    bool isShown() const override { return shown; }
    void popUp(QMenu*) override {}
    bool present = true;
    bool shown = false;
    int adds = 0;
    QString tooltip;
};

struct ScriptedPlatform {
    explicit ScriptedPlatform(QString programFolder, QString exe = QStringLiteral("glimmer"))
        : folder(std::move(programFolder)), exeName(std::move(exe)) {}

    Platform platform() {
        return Platform{dialogs, fileDialogs, shell, clipboard, printer,
                        files,   forms,       tray,  folder,    exeName};
    }

    ScriptedDialogs dialogs;
    ScriptedFileDialogs fileDialogs;
    ScriptedShell shell;
    ScriptedClipboard clipboard;
    ScriptedPrinter printer;
    LocalFileSystem files;
    FormRuntime forms;
    ScriptedTray tray;
    QString folder;
    QString exeName;
};

} // namespace glimmer::platform
