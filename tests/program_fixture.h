// A whole program over the scripted platform, with a program folder of its own.
#pragma once

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QTimer>
#include <functional>
#include <gtest/gtest.h>

#include "app/program.h"
#include "test_data.h"
#include "tests/support/scripted_platform.h"

namespace testing_glimmer {

class ProgramTest : public ::testing::Test {
  protected:
    ProgramTest() : scripted(root.path() + QStringLiteral("/prog")) {
        QDir(root.path()).mkpath(QStringLiteral("prog/imported"));
        QDir(root.path()).mkpath(QStringLiteral("shots"));
        platform = std::make_unique<glimmer::platform::Platform>(scripted.platform());
        program = std::make_unique<glimmer::app::Program>(*platform);
    }
    ~ProgramTest() override { program.reset(); }

    QString progDir() const { return root.path() + QStringLiteral("/prog"); }
    QString shotsDir() const { return root.path() + QStringLiteral("/shots"); }
    QStringList said() const { // the texts of the messages shown, in order
        QStringList out;
        for (const auto& m : scripted.dialogs.shown)
            out.append(m.text);
        return out;
    }

    // Copies a test picture into `folder` under `name`.
    QString put(const QString& folder, const QString& name,
                const QString& source = QStringLiteral("pcx/planet.pcx")) {
        const QString path = folder + '/' + name;
        QFile::remove(path);
        EXPECT_TRUE(QFile::copy(testData(source), path));
        return path;
    }

    // Runs `inside` once the modal window about to be shown is running. The step belongs to
    // the test: it never runs after the test has ended, the test fails when it never ran, and a
    // modal window it leaves open is closed after a bound instead of hanging the run.
    void whileModal(std::function<void()> inside) {
        ++m_modalSteps;
        QTimer::singleShot(0, m_modalContext.get(), [this, inside = std::move(inside)] {
            --m_modalSteps;
            inside();
        });
        QTimer::singleShot(kModalBound, m_modalContext.get(), [this] { closeStuckModal(); });
    }

    void TearDown() override {
        m_modalContext.reset(); // drops steps and bounds that did not run
        EXPECT_EQ(m_modalSteps, 0) << "a step meant to run inside a modal window never ran";
    }

    static constexpr int kModalBound = 20000; // ms

    void closeStuckModal() {
        for (glimmer::platform::Form* form : scripted.forms.loadedForms()) {
            if (!form->isShownModally()) continue;
            ADD_FAILURE() << "a modal window was still open after " << kModalBound << " ms";
            form->unload();
        }
    }

    std::unique_ptr<QObject> m_modalContext = std::make_unique<QObject>();
    int m_modalSteps = 0;
    QTemporaryDir root;
    glimmer::platform::ScriptedPlatform scripted;
    std::unique_ptr<glimmer::platform::Platform> platform;
    std::unique_ptr<glimmer::app::Program> program;
};

} // namespace testing_glimmer
