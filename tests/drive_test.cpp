// The browser's drive list: which mounts it offers, and that only a change of drive moves the
// folder list.
#include <QComboBox>
#include <QTest>

#include "browser/folder_list.h"
#include "browser/pcx_main.h"
#include "platform/volumes.h"
#include "program_fixture.h"

using namespace testing_glimmer;
using glimmer::platform::Mount;
using glimmer::platform::userVolumes;

namespace {

TEST(DriveListTest, OffersTheUsersVolumesAndLeavesOutTheSystemsOwnMounts) {
    const QList<Mount> table{
        {"/", "overlay"}, // a container's root is still the root
        {"/proc", "proc"},
        {"/sys", "sysfs"},
        {"/sys/fs/cgroup", "cgroup2"},
        {"/dev", "devtmpfs"},
        {"/dev/shm", "tmpfs"},
        {"/run", "tmpfs"},
        {"/run/user/1000", "tmpfs"},
        {"/run/user/1000/gvfs", "fuse.gvfsd-fuse"},
        {"/run/lock", "tmpfs"},
        {"/run/media", "tmpfs"},
        {"/run/media/ann/USB STICK", "vfat"},
        {"/media/cdrom0", "iso9660"},
        {"/media/ann/photos", "exfat"},
        {"/home", "ext4"},
        {"/boot/efi", "vfat"},
        {"/snap/core22/1122", "squashfs"},
        {"/var/lib/docker/overlay2/9f3c/merged", "overlay"},
        {"/tmp", "tmpfs"},
        {"/mnt/archive", "nfs4"},
        {"/proc/sys/fs/binfmt_misc", "binfmt_misc"},
        {"/srv/auto", "autofs"},
        {"/home", "ext4"},   // mounted twice: listed once
        {"/runner", "ext4"}, // a sibling of /run, not inside it
    };
    EXPECT_EQ(userVolumes(table),
              (QStringList{"/", "/boot/efi", "/home", "/media/ann/photos", "/media/cdrom0",
                           "/mnt/archive", "/run/media/ann/USB STICK", "/runner", "/tmp"}));
    EXPECT_EQ(userVolumes({}), QStringList{"/"});
}

class DriveTest : public ProgramTest {
  protected:
    glimmer::browser::PCXMain& main() { return program->pcxMain(); }
    QComboBox* drives() { return main().drive1(); }
    QString folder() { return main().dir1()->path(); }

    void showDrives() {
        main().show();
        main().showPage(1);
        ASSERT_TRUE(QTest::qWaitForWindowExposed(main().widget()));
    }
    // Opens the drive list with the keys and chooses the entry it opens on, the current one.
    void chooseTheCurrentDriveAgain() {
        QTest::keyClick(drives(), Qt::Key_Down, Qt::AltModifier);
        ASSERT_TRUE(drives()->view()->isVisible());
        QTest::keyClick(drives()->view(), Qt::Key_Return);
        EXPECT_FALSE(drives()->view()->isVisible());
    }
};

TEST_F(DriveTest, OnlyAChangeOfDriveMovesTheFolderList) {
    showDrives();
    const QString inside = progDir() + QStringLiteral("/imported");
    main().dir1()->setPath(inside);
    const QString drive = drives()->currentText();
    int activations = 0;
    QObject::connect(drives(), &QComboBox::activated, [&] { ++activations; });
    chooseTheCurrentDriveAgain();
    EXPECT_EQ(activations, 1);
    EXPECT_EQ(folder(), inside);
    EXPECT_EQ(drives()->currentText(), drive);

    // Two folders of this test stand in for two further drives.
    drives()->clear();
    drives()->addItems({QStringLiteral("/"), progDir(), shotsDir()});
    main().dir1()->setPath(inside); // the folder list shows its drive in the list
    EXPECT_EQ(drives()->currentText(), progDir());
    QTest::keyClick(drives(), Qt::Key_Down);
    EXPECT_EQ(folder(), shotsDir());
    QTest::keyClick(drives(), Qt::Key_Up);
    EXPECT_EQ(folder(), progDir());
    EXPECT_EQ(activations, 3);
}

} // namespace
