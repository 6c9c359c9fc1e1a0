// A whole program over the scripted platform, with a program folder of its own.
#pragma once

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QTimer>
#include <functional>
#include <gtest/gtest.h>

#include "desktop/program.h"
#include "platform/scripted_platform.h"

namespace testing_glimmer {

inline QString testData(const QString& name) {
    return QStringLiteral(GLIMMER_TEST_DATA "/") + name;
}

class ProgramTest : public ::testing::Test {
  protected:
    ProgramTest() : scripted(root.path() + QStringLiteral("/prog")) {
        QDir(root.path()).mkpath(QStringLiteral("prog/imported"));
        QDir(root.path()).mkpath(QStringLiteral("shots"));
        platform = std::make_unique<glimmer::platform::Platform>(scripted.platform());
        program = std::make_unique<glimmer::desktop::Program>(*platform);
    }
    ~ProgramTest() override { program.reset(); }

    QString progDir() const { return root.path() + QStringLiteral("/prog"); }
    QString shotsDir() const { return root.path() + QStringLiteral("/shots"); }

    // Copies a test picture into `folder` under `name`.
    QString put(const QString& folder, const QString& name,
                const QString& source = QStringLiteral("pcx/planet.pcx")) {
        const QString path = folder + '/' + name;
        QFile::remove(path);
        EXPECT_TRUE(QFile::copy(testData(source), path));
        return path;
    }

    // Runs `inside` once the modal window about to be shown is running.
    static void whileModal(std::function<void()> inside) {
        QTimer::singleShot(0, [inside = std::move(inside)] { inside(); });
    }

    QTemporaryDir root;
    glimmer::platform::ScriptedPlatform scripted;
    std::unique_ptr<glimmer::platform::Platform> platform;
    std::unique_ptr<glimmer::desktop::Program> program;
};

} // namespace testing_glimmer
