// Picking in the browser's list with the pointer and the keys: every pick decodes once, a
// pick of the entry already picked included.
#include <QListWidget>
#include <QPushButton>
#include <QTest>

#include "browser/pcx_main.h"
#include "edit/picture_box.h"
#include "program_fixture.h"
#include "viewer/frm_picture.h"

using namespace testing_glimmer;

namespace {

class PickTest : public ProgramTest {
  protected:
    glimmer::browser::PCXMain& main() { return program->pcxMain(); }
    QListWidget* list() { return main().list1(); }

    // The browser on screen at its Open PCX page, so that the pointer can reach the list.
    void showList() {
        main().show();
        main().showPage(1);
        ASSERT_TRUE(QTest::qWaitForWindowExposed(main().widget()));
    }
    void click(int row) {
        QTest::mouseClick(list()->viewport(), Qt::LeftButton, {},
                          list()->visualItemRect(list()->item(row)).center());
    }
    void keyDown() { QTest::keyClick(list(), Qt::Key_Down); }

    // Each decode of a broken file tells the user once, naming it: a count of decodes.
    QStringList decoded() const {
        QStringList names;
        for (const auto& m : scripted.dialogs.shown)
            if (m.text.contains(QLatin1String("cannot be shown")))
                names.append(m.text.section('\n', 0, 0).section('/', -1).section(' ', 0, 0));
        return names;
    }
    void putBroken(const QString& folder, const QString& name) {
        put(folder, name, QStringLiteral("malformed/cut-mid-row.pcx"));
    }
};

TEST_F(PickTest, EveryClickAndEveryKeyboardMoveDecodesOnce) {
    for (const char* n : {"A.PCX", "B.PCX", "C.PCX"})
        putBroken(progDir(), QString::fromLatin1(n));
    showList();
    click(0);
    click(0); // the entry already picked
    keyDown();
    click(1); // the entry the keys moved onto
    click(2);
    keyDown(); // at the end: no move, no pick
    EXPECT_EQ(decoded(), (QStringList{"A.PCX", "A.PCX", "B.PCX", "B.PCX", "C.PCX"}));
    EXPECT_EQ(main().pickedName(), QStringLiteral("C.PCX"));
}

TEST_F(PickTest, PickingAgainShowsTheFileAsItIsNow) {
    const QString file = put(progDir(), QStringLiteral("A.PCX"));
    showList();
    click(0);
    const auto shown = [this] {
        return program->frmPicture().picture1()->picture().image().size();
    };
    EXPECT_EQ(shown(), QSize(49, 49));
    put(progDir(), QStringLiteral("A.PCX"), QStringLiteral("pcx/input.pcx"));
    click(0);
    EXPECT_EQ(shown(), QSize(70, 46));
    EXPECT_TRUE(scripted.dialogs.shown.isEmpty());
}

TEST_F(PickTest, TheEntryPickedAfterADeleteOrAtStartDecodesAgainWhenClicked) {
    for (const char* n : {"A.PCX", "B.PCX"})
        putBroken(progDir(), QString::fromLatin1(n));
    showList();
    click(1);
    scripted.dialogs.answers = {glimmer::platform::Button::Yes};
    QTest::mouseClick(main().button(QStringLiteral("Command11")), Qt::LeftButton);
    ASSERT_EQ(list()->count(), 1); // B is gone and A picked in its stead
    click(0);
    EXPECT_EQ(decoded(), (QStringList{"B.PCX", "A.PCX", "A.PCX"}));

    scripted.dialogs.shown.clear();
    putBroken(shotsDir(), QStringLiteral("S.PCX"));
    program->openFile(shotsDir() + QStringLiteral("/S.PCX"));
    click(0);
    EXPECT_EQ(decoded(), (QStringList{"S.PCX", "S.PCX"}));
}

} // namespace
