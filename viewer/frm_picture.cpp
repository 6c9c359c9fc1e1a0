#include "viewer/frm_picture.h"

#include <QAccessibleWidget>
#include <QAction>
#include <QLabel>
#include <QMenu>
#include <QMouseEvent>
#include <QShortcut>

#include "decode/error.h"
#include "decode/picture_loader.h"
#include "desktop/controls.h"
#include "edit/picture_box.h"
#include "edit/picture_commands.h"
#include "platform/caption.h"
#include "platform/frame.h"
#include "platform/units.h"

namespace glimmer::viewer {

using platform::colour;
using platform::twipsRect;
namespace sys = platform::syscolour;

namespace {

// A strip label that opens its menu when clicked.
class MenuLabel final : public QLabel {
  public:
    MenuLabel(const QString& html, QWidget* parent, std::function<void()> onClick);
    void click() { m_onClick(); }
    QPointer<QMenu> menu; // what a click opens

  protected:
    void mousePressEvent(QMouseEvent* e) override {
        if (e->button() == Qt::LeftButton) click();
    }

  private:
    std::function<void()> m_onClick;
};

// Assistive technology sees a label without actions: give it the click as its press action.
class MenuLabelAccessible final : public QAccessibleWidget {
  public:
    explicit MenuLabelAccessible(MenuLabel* label)
        : QAccessibleWidget(label, QAccessible::ButtonMenu) {}
    QStringList actionNames() const override {
        return QStringList{pressAction(), showMenuAction()} + QAccessibleWidget::actionNames();
    }
    // A pop-up menu is no child of its window: assistive technology finds it here.
    int childCount() const override { return menu() ? 1 : 0; }
    QAccessibleInterface* child(int index) const override {
        return index == 0 && menu() ? QAccessible::queryAccessibleInterface(menu()) : nullptr;
    }
    int indexOfChild(const QAccessibleInterface* child) const override {
        return child && menu() && child->object() == menu() ? 0 : -1;
    }
    void doAction(const QString& name) override {
        if (name == pressAction() || name == showMenuAction())
            static_cast<MenuLabel*>(widget())->click();
        else
            QAccessibleWidget::doAction(name);
    }

  private:
    QMenu* menu() const { return static_cast<MenuLabel*>(widget())->menu; }
};

QAccessibleInterface* menuLabelAccessible(const QString&, QObject* object) {
    auto* label = dynamic_cast<MenuLabel*>(object);
    return label ? new MenuLabelAccessible(label) : nullptr;
}

MenuLabel::MenuLabel(const QString& html, QWidget* parent, std::function<void()> onClick)
    : QLabel(parent), m_onClick(std::move(onClick)) {
    // Before the text: setting it is when Qt first describes the label, and keeps that.
    static const bool installed = (QAccessible::installFactory(menuLabelAccessible), true);
    (void)installed;
    setText(html);
}

QString recentCaption(int index, const QString& entry) {
    QString shown = entry;
    shown.replace('&', QStringLiteral("&&")); // an "&" in a name is not an access key
    return QStringLiteral("&%1. %2").arg(index).arg(shown);
}

} // namespace

struct FrmPicture::Ui {
    QWidget* window = nullptr;
    QLabel* mnu3[2] = {};
    QMenu* mnubar[2] = {};
    edit::PictureBox* picture1 = nullptr;
    edit::PictureBox* picture2 = nullptr;
    QAction* mnuFileSave = nullptr; // enabled by updateActions()
    QAction* separator0 = nullptr;  // mnufilelist(0), shown with the recent files
    QAction* fileBar = nullptr;     // mnufilebar: the recent files go before it
    QList<QAction*> recent;         // mnufilelist(1..n)
    std::unique_ptr<edit::PictureCommands> commands;
};

FrmPicture::FrmPicture(platform::Platform& platform, std::function<QString()> pickedName)
    : OnTopForm(platform.forms, QStringLiteral("frmPicture"), {{2340, 4275}, {2100, 4560}}),
      m_platform(platform), m_pickedName(std::move(pickedName)),
      m_recent(platform.files,
               platform::joinPath(platform.programFolder, platform.executableName + ".mru")) {}

FrmPicture::~FrmPicture() = default;

edit::PictureBox* FrmPicture::picture1() {
    load();
    return m_ui->picture1;
}

edit::PictureBox* FrmPicture::picture2() {
    load();
    return m_ui->picture2;
}

void FrmPicture::setPicture(const Picture& picture) {
    picture1()->setPicture(picture);
}

bool FrmPicture::holdsPicture() {
    return !picture1()->picture().isEmpty();
}

QAction* FrmPicture::action(const QString& name) {
    load();
    return m_ui->window->findChild<QAction*>(name);
}

QMenu* FrmPicture::menu(int index) {
    load();
    return m_ui->mnubar[index];
}

QWidget* FrmPicture::buildWindow() {
    m_ui = std::make_unique<Ui>();
    auto* w = new QWidget(nullptr, Qt::Tool | Qt::WindowTitleHint | Qt::WindowCloseButtonHint);
    platform::withoutMinMaxButtons(w);
    m_ui->window = w;
    w->setObjectName(name());
    w->setWindowTitle(QStringLiteral("Picture"));
    w->resize(platform::px(3810), platform::px(4125));
    desktop::paint(w, colour(sys::MenuText));

    auto* strip = new QWidget(w);
    strip->setObjectName(QStringLiteral("Picture3"));
    strip->setGeometry(0, 0, w->width(), platform::px(330));
    desktop::paint(strip, colour(sys::WindowText));
    const char* captions[2] = {"<u>F</u>ile", "<u>E</u>dit"};
    const char* names[2] = {"File", "Edit"};
    const QRect places[2] = {twipsRect(90, 45, 285, 225), twipsRect(510, 67, 300, 180)};
    for (int i = 0; i < 2; ++i) {
        auto* label =
            new MenuLabel(QString::fromLatin1(captions[i]), strip, [this, i] { mnu3Click(i); });
        label->setObjectName(QStringLiteral("mnu3_%1").arg(i));
        label->setAccessibleName(QString::fromLatin1(names[i]));
        label->setGeometry(places[i]);
        label->setStyleSheet(QStringLiteral("color: white;"));
        m_ui->mnu3[i] = label;
        new QShortcut(QKeySequence(i == 0 ? QStringLiteral("Alt+F") : QStringLiteral("Alt+E")), w,
                      [this, i] { mnu3Click(i); });
    }

    m_ui->picture1 = new edit::PictureBox(w);
    m_ui->picture1->setObjectName(QStringLiteral("Picture1"));
    m_ui->picture1->setGeometry(twipsRect(0, 360, 2040, 1995));
    m_ui->picture1->setAccessibleName(QStringLiteral("Picture"));
    m_ui->picture1->setAccessibleDescription(QStringLiteral("The picture as it is shown"));
    m_ui->picture2 = new edit::PictureBox(w);
    m_ui->picture2->setObjectName(QStringLiteral("Picture2"));
    m_ui->picture2->setGeometry(twipsRect(3210, 4905, 2535, 2220));
    m_ui->picture2->hide();
    m_ui->commands =
        std::make_unique<edit::PictureCommands>(m_platform, w, *m_ui->picture1, *m_ui->picture2);
    buildMenus();
    for (int i = 0; i < 2; ++i)
        static_cast<MenuLabel*>(m_ui->mnu3[i])->menu = m_ui->mnubar[i];
    return w;
}

QAction* FrmPicture::addItem(QMenu* menu, const QString& name, const QString& text,
                             std::function<void()> handler, const QKeySequence& key) {
    QAction* a = menu->addAction(text);
    a->setObjectName(name);
    QObject::connect(a, &QAction::triggered, this, std::move(handler));
    if (!key.isEmpty()) {
        a->setShortcut(key);
        m_ui->window->addAction(a); // the shortcut works while the menu is hidden too
    }
    return a;
}

void FrmPicture::buildMenus() {
    using edit::Orientation;
    auto* file = new QMenu(QStringLiteral("&File"), m_ui->window);
    auto* edit = new QMenu(QStringLiteral("Edit"), m_ui->window);
    m_ui->mnubar[0] = file;
    m_ui->mnubar[1] = edit;
    Ui& ui = *m_ui;
    edit::PictureCommands* cmd = ui.commands.get();
    auto close = [this] { unload(); };
    addItem(file, QStringLiteral("mnunew"), QStringLiteral("New"), [cmd] { cmd->clear(); });
    addItem(file, QStringLiteral("mnuFileOpen"), QStringLiteral("&Open") + QString(23, ' '), close,
            QKeySequence(QStringLiteral("Ctrl+O")));
    ui.mnuFileSave = addItem(
        file, QStringLiteral("mnuFileSave"), QStringLiteral("Sa&ve As"), [cmd] { cmd->saveAs(); },
        QKeySequence(QStringLiteral("Ctrl+S")));
    ui.separator0 = file->addSeparator();
    ui.separator0->setObjectName(QStringLiteral("mnufilelist_0"));
    ui.fileBar = file->addSeparator();
    ui.fileBar->setObjectName(QStringLiteral("mnufilebar"));
    addItem(file, QStringLiteral("mnuPrint"), QStringLiteral("&Print"), [cmd] { cmd->print(); });
    addItem(file, QStringLiteral("exit"), QStringLiteral("E&xit"), close,
            QKeySequence(QStringLiteral("Ctrl+X")));

    addItem(edit, QStringLiteral("mnucopy"), QStringLiteral("Copy"), [cmd] { cmd->copy(); });
    addItem(edit, QStringLiteral("mnupaste"), QStringLiteral("Paste") + QString(17, ' '),
            [cmd] { cmd->paste(); });
    edit->addSeparator()->setObjectName(QStringLiteral("dfh"));
    const struct {
        const char* name;
        const char* text;
        Orientation orientation;
    } draws[] = {{"mnufliph", "Flip H", Orientation::FlipH},
                 {"mnuFlipV", "Flip V", Orientation::FlipV},
                 {"mnuRotate", "Rotate", Orientation::Rotate},
                 {"mnuBackToNormal", "Back To Normal", Orientation::Normal}};
    for (const auto& d : draws) {
        if (d.orientation == Orientation::Normal)
            edit->addSeparator()->setObjectName(QStringLiteral("gfj"));
        addItem(edit, QString::fromLatin1(d.name), QString::fromLatin1(d.text),
                [cmd, o = d.orientation] { cmd->draw(o); });
    }
}

void FrmPicture::mnu3Click(int index) {
    load();
    QLabel* label = m_ui->mnu3[index];
    m_ui->mnubar[index]->popup(label->mapToGlobal(QPoint(0, label->height())));
}

void FrmPicture::showRecentFiles() {
    for (QAction* a : std::as_const(m_ui->recent))
        delete a;
    m_ui->recent.clear();
    m_ui->separator0->setVisible(false);
    const QStringList entries = m_recent.entries();
    for (int i = 1; i <= entries.size(); ++i) {
        auto* a = new QAction(recentCaption(i, entries[i - 1]), m_ui->mnubar[0]);
        a->setObjectName(QStringLiteral("mnufilelist_%1").arg(i));
        m_ui->mnubar[0]->insertAction(m_ui->fileBar, a);
        QObject::connect(a, &QAction::triggered, a,
                         [this, i] { openPictureFile(m_recent.slot(i)); });
        m_ui->recent.append(a);
        m_ui->separator0->setVisible(true);
    }
}

void FrmPicture::openPictureFile(const QString& path) {
    load();
    try {
        m_ui->picture1->setPicture(LoadPicture(path));
    } catch (const Error&) {
        // Not a picture this loader reads (PCX among them): the box keeps its picture.
    }
    if (m_recent.add(path)) showRecentFiles();
}

void FrmPicture::onLoaded() {
    platform::setCaption(m_ui->window, QString());
    m_recent.load();
    showRecentFiles();
    const QString picked = m_pickedName ? m_pickedName() : QString();
    if (!picked.isEmpty()) openPictureFile(picked);
}

void FrmPicture::updateActions() {
    m_ui->mnuFileSave->setEnabled(holdsPicture());
}

void FrmPicture::onActivate() {
    updateActions();
    try {
        m_ui->picture2->setPicture(m_ui->picture1->picture());
    } catch (const Error& e) {
        // Without a reference copy the flips draw nothing; the picture shown stays.
        m_ui->picture2->setPicture(Picture());
        m_platform.dialogs.message(
            m_ui->window, {QStringLiteral("The picture cannot be flipped or turned.\n") + e.text(),
                           QString(), platform::Buttons::Ok, platform::Icon::Exclamation});
    }
}

void FrmPicture::onUnloaded() {
    m_recent.save();
    // A command may still be running under a dialog that the program's end closed: its boxes
    // and state go with the widgets, which are deleted only once that dialog has returned.
    QWidget* window = m_ui->window;
    QObject::connect(window, &QObject::destroyed, [ui = m_ui.release()] { delete ui; });
}

} // namespace glimmer::viewer
