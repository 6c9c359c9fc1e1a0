// The help and screenshot-manager windows and the keep-on-top pair.
#include <QAccessible>
#include <QAction>
#include <QLabel>
#include <QPushButton>
#include <QTest>
#include <algorithm>

#include "browser/frm_tip.h"
#include "browser/pcx_main.h"
#include "browser/screenshot.h"
#include "desktop/services/keep_on_top.h"
#include "desktop/tray/frm_login.h"
#include "desktop/tray/frm_splash.h"
#include "desktop/tray/frm_tray.h"
#include "platform/topmost.h"
#include "platform/units.h"
#include "program_fixture.h"
#include "viewer/frm_picture.h"

using namespace testing_glimmer;

namespace {

class DesktopTest : public ProgramTest {
  protected:
    glimmer::browser::FrmTip& tip() { return program->frmTip(); }
};

TEST_F(DesktopTest, HelpHeadingsSwitchPanelsAndLightUpUnderThePointer) {
    tip().show();
    QWidget* w = tip().widget();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(w));
    EXPECT_TRUE(tip().panel(0)->isVisible() && tip().panel(1)->isVisible());
    EXPECT_EQ(tip().keepOnTop().value(), 1);

    // Real moves through the window system, which sends the Enter, Leave and move events.
    auto moveTo = [&](QWidget* over, QPoint at) {
        QTest::mouseMove(w->windowHandle(), over->mapTo(w, at));
    };
    auto colourOf = [](QLabel* l) { return l->palette().color(QPalette::WindowText); };
    QLabel* view = tip().heading(0);
    QLabel* import = tip().heading(1);
    const QPoint background(view->x() / 2, view->geometry().center().y());
    ASSERT_EQ(w->childAt(background), nullptr); // beside the heading lies only the window

    moveTo(view, view->rect().center());
    EXPECT_EQ(colourOf(view), QColor(Qt::red));
    EXPECT_EQ(colourOf(import), QColor(Qt::white));
    moveTo(w, background);
    EXPECT_EQ(colourOf(view), QColor(Qt::white));
    EXPECT_EQ(colourOf(import), QColor(Qt::white));
    moveTo(import, import->rect().center());
    EXPECT_EQ(colourOf(view), QColor(Qt::white));
    EXPECT_EQ(colourOf(import), QColor(Qt::red));

    QTest::mouseClick(w->windowHandle(), Qt::LeftButton, {}, view->mapTo(w, view->rect().center()));
    EXPECT_TRUE(tip().panel(0)->isVisible());
    EXPECT_FALSE(tip().panel(1)->isVisible());
    EXPECT_EQ(colourOf(view), QColor(Qt::red));
    moveTo(tip().panel(0), tip().panel(0)->rect().center()); // the View panel leaves them be
    EXPECT_EQ(colourOf(view), QColor(Qt::red));

    tip().openHelpPage();
    EXPECT_EQ(scripted.shell.opened, QStringList{"https://fragvault.example/glimmer.htm"});
    EXPECT_TRUE(tip().isVisible());
    tip().open(true); // already open modeless: brought forward, not shown again
    EXPECT_FALSE(tip().isShownModally());
}

// A panel's text shows in full: where it meets the icon (it no longer should), the icon's dark
// square would swallow the tops of the first letters ("If" read "It").
TEST_F(DesktopTest, HelpPanelTextsLieOverTheirIcons) {
    tip().show();
    for (int i = 0; i < 2; ++i) {
        tip().showPanel(i);
        QWidget* panel = tip().panel(i);
        const QList<QLabel*> labels = panel->findChildren<QLabel*>(Qt::FindDirectChildrenOnly);
        const auto icon = std::find_if(labels.begin(), labels.end(),
                                       [](QLabel* l) { return !l->pixmap().isNull(); });
        ASSERT_NE(icon, labels.end()) << i;
        const QImage drawn = panel->grab().toImage();
        for (QLabel* text : labels) {
            const QRect shared = text->geometry() & (*icon)->geometry();
            if (text == *icon || shared.isEmpty()) continue;
            const QImage alone = text->grab().toImage();
            EXPECT_EQ(drawn.copy(shared), alone.copy(shared.translated(-text->pos())))
                << text->objectName().toStdString();
            // ...and its box, past the letters, is the panel's own background, not a patch.
            EXPECT_EQ(alone.pixel(alone.width() - 1, alone.height() - 1),
                      drawn.pixel(drawn.width() - 1, drawn.height() - 1))
                << text->objectName().toStdString();
        }
    }
}

TEST_F(DesktopTest, ScreenshotManagerButtonsDoNothing) {
    auto& shot = program->screenshot();
    bool stillThere = true;
    whileModal([&] {
        for (QPushButton* b : shot.widget()->findChildren<QPushButton*>())
            b->click();
        for (QAction* a : shot.widget()->findChildren<QAction*>())
            a->trigger();
        stillThere = shot.isVisible();
        shot.widget()->close(); // only the frame closes it
    });
    shot.showModal();
    EXPECT_TRUE(stillThere);
    EXPECT_FALSE(shot.isLoaded());
    EXPECT_TRUE(scripted.dialogs.shown.isEmpty());
}

TEST_F(DesktopTest, KeepOnTopTogglesOnTheBoxValue) {
    QWidget window;
    const QRect before(10, 20, 200, 100);
    window.setGeometry(before);
    window.show();
    glimmer::desktop::KeepOnTop pair(&window, {0, 0}, {0, 400}, [&] { return &window; });
    pair.click();
    EXPECT_TRUE(glimmer::platform::isTopmost(&window));
    EXPECT_EQ(pair.value(), 1);
    pair.click();
    EXPECT_FALSE(glimmer::platform::isTopmost(&window));
    EXPECT_EQ(pair.value(), 0);
    pair.setValue(2); // greyed: nothing happens
    pair.click();
    EXPECT_EQ(pair.value(), 2);
    EXPECT_FALSE(glimmer::platform::isTopmost(&window));
    EXPECT_TRUE(window.isVisible());
    EXPECT_EQ(glimmer::platform::colour(0x0000FF), QColor(Qt::red));
    EXPECT_EQ(glimmer::platform::px(1455), 97);
}

// A screen reader sees what a picture says: every button and every picture has a name.
TEST_F(DesktopTest, PicturesAndButtonsHaveAccessibleNames) {
    const QList<glimmer::platform::Form*> forms = {
        &program->pcxMain(),    &program->frmPicture(), &tip(),
        &program->screenshot(), &program->frmTray(),    &program->frmSplash(),
        &program->frmLogin()};
    QStringList names;
    for (glimmer::platform::Form* form : forms) {
        QList<QWidget*> shown;
        for (auto* b : form->widget()->findChildren<QPushButton*>())
            shown.append(b);
        for (auto* l : form->widget()->findChildren<QLabel*>())
            if (!l->pixmap().isNull()) shown.append(l);
        for (QWidget* w : shown) {
            const QString name = QAccessible::queryAccessibleInterface(w)->text(QAccessible::Name);
            EXPECT_FALSE(name.trimmed().isEmpty()) << w->objectName().toStdString();
            names.append(name);
        }
    }
    for (const char* lettering : {"Open PCX", "View PCX", "Import", "Delete", "Main Menu", "Help"})
        EXPECT_TRUE(names.contains(QString::fromLatin1(lettering))) << lettering;
    // A link's description names the site of the page it opens.
    const std::pair<const char*, const char*> sites[] = {{"fragvault.example", "Fragvault"},
                                                         {"quillon.example", "Quillon"},
                                                         {"unrealtournament.com", "official"}};
    for (glimmer::platform::Form* form : forms)
        for (auto* b : form->widget()->findChildren<QPushButton*>()) {
            const QString said = b->accessibleDescription();
            if (!said.startsWith(QStringLiteral("Opens "))) continue;
            scripted.shell.opened.clear();
            b->click();
            ASSERT_EQ(scripted.shell.opened.size(), 1) << said.toStdString();
            for (const auto& [host, site] : sites)
                EXPECT_EQ(scripted.shell.opened[0].contains(QString::fromLatin1(host)),
                          said.contains(QString::fromLatin1(site)))
                    << said.toStdString() << " opens " << scripted.shell.opened[0].toStdString();
        }
    EXPECT_EQ(QAccessible::queryAccessibleInterface(
                  program->pcxMain().widget()->findChild<QWidget*>(QStringLiteral("Command10")))
                  ->text(QAccessible::Description),
              QStringLiteral("Copies the picked picture into the imported folder"));
}

// What a person sees: the login dialog's labels show their whole lettering, and no button of
// the splash window covers the lettering of the logo beneath it.
TEST_F(DesktopTest, LetteringIsNeitherCutOffNorCovered) {
    for (auto* l : program->frmLogin().widget()->findChildren<QLabel*>()) {
        if (!l->objectName().startsWith(QStringLiteral("lblLabels"))) continue;
        l->ensurePolished();
        const QString text = QString(l->text()).remove(QLatin1Char('&'));
        EXPECT_LE(QFontMetrics(l->font()).horizontalAdvance(text), l->contentsRect().width())
            << text.toStdString();
    }
    QWidget* splash = program->frmSplash().widget();
    auto* logo = splash->findChild<QLabel*>(QStringLiteral("imgLogo"));
    ASSERT_NE(logo, nullptr);
    const QImage shown = logo->pixmap().toImage().scaled(logo->size()); // stretched, as drawn
    for (const char* name : {"Command1", "Command6"}) {
        auto* b = splash->findChild<QPushButton*>(QString::fromLatin1(name));
        const QRect over =
            QRect(logo->mapFrom(b->parentWidget(), b->pos()), b->size()) & logo->rect();
        int lettering = 0; // light pixels: the logo's figure is dark and orange
        for (int y = over.top(); y <= over.bottom(); ++y)
            for (int x = over.left(); x <= over.right(); ++x)
                lettering += qGray(shown.pixel(x, y)) >= 160;
        EXPECT_EQ(lettering, 0) << name;
    }
}

} // namespace
