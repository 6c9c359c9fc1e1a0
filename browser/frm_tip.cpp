#include "browser/frm_tip.h"

#include <QEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMouseEvent>
#include <QPushButton>
#include <QShortcut>

#include "desktop/controls.h"
#include "desktop/web_links.h"
#include "platform/units.h"

namespace glimmer::browser {

using namespace desktop;
using platform::colour;
using platform::twipsRect;
namespace sys = platform::syscolour;

namespace {

const QString kViewText = QStringLiteral(
    "If you want to view a PCX file all you have to do is click on the picture file on the open "
    "PCX page that you want to open and then click view PCX!");
const QString kImportText = QStringLiteral(
    "If you want Import a PCX all you have to do is click the file you want to import and then "
    "click the import button on the right hand side of the page. Then when you restart the "
    "program it will add them to Imported Folder!");

void setTextColour(QLabel* label, quint32 value) {
    QPalette pal = label->palette();
    pal.setColor(QPalette::WindowText, colour(value));
    label->setPalette(pal);
}

} // namespace

struct FrmTip::Ui {
    QWidget* window = nullptr;
    QWidget* panels[2] = {};
    QLabel* headings[2] = {};
    QLabel* label5 = nullptr;
    QLineEdit* txtcustomers = nullptr;
};

FrmTip::FrmTip(platform::Platform& platform)
    : OnTopForm(platform.forms, QStringLiteral("frmtip"), {{780, 4215}, {540, 4500}, true}),
      m_platform(platform) {}

FrmTip::~FrmTip() = default;

QWidget* FrmTip::panel(int index) {
    load();
    return m_ui->panels[index];
}

QLabel* FrmTip::heading(int index) {
    load();
    return m_ui->headings[index];
}

QWidget* FrmTip::buildWindow() {
    m_ui = std::make_unique<Ui>();
    auto* w = new QWidget(nullptr, Qt::Dialog | Qt::MSWindowsFixedSizeDialogHint);
    m_ui->window = w;
    w->setObjectName(name());
    w->setWindowTitle(QStringLiteral("Glimmer Help"));
    w->setFixedSize(platform::px(3405), platform::px(2595));
    paint(w, colour(sys::ButtonText));
    w->setMouseTracking(true); // moves onto the background put out the headings
    w->installEventFilter(this);
    w->setStyleSheet(QStringLiteral("QLabel { font-size: 6.5pt; }"));
    buildPanel(0);
    buildPanel(1); // the Import panel lies above the View panel
    m_ui->headings[0] =
        label(w, QStringLiteral("Label2"), QStringLiteral("View PCX"), 450, 1875, 735, 225);
    m_ui->headings[1] =
        label(w, QStringLiteral("Label3"), QStringLiteral("Import PCX"), 2115, 1890, 840, 225);
    for (int i = 0; i < 2; ++i) {
        QLabel* h = m_ui->headings[i];
        paint(h, colour(sys::ButtonText), colour(sys::HighlightText));
        h->setCursor(Qt::PointingHandCursor);
        h->setWordWrap(false);
        h->setMouseTracking(true);
        h->installEventFilter(this);
    }
    auto* ok = pictureButton(w, QStringLiteral("cmdOK"), 255, 2145, 1215, 375,
                             QStringLiteral("btn_ok.png"),
                             {QStringLiteral("OK"), QStringLiteral("Closes the help")});
    connect(ok, &QPushButton::clicked, this, [this] { unload(); });
    new QShortcut(QKeySequence(Qt::Key_Escape), w, [this] { unload(); });
    pressOnEnter(w, ok);
    auto* help = pictureButton(
        w, QStringLiteral("Command1"), 1935, 2145, 1215, 345, QStringLiteral("btn_help_web.png"),
        {QStringLiteral("Help"), QStringLiteral("Opens Glimmer's help page on Fragvault")});
    connect(help, &QPushButton::clicked, this, [this] { openHelpPage(); });
    m_ui->txtcustomers = makeAddressBox(w, 870, 2565);
    return w;
}

void FrmTip::buildPanel(int index) {
    auto* p = new QWidget(m_ui->window);
    p->setObjectName(index == 0 ? QStringLiteral("Picture1") : QStringLiteral("Picture2"));
    p->setGeometry(twipsRect(135, 75, 3165, 1755));
    paint(p, Qt::white, Qt::black);
    auto* icon = new QLabel(p);
    icon->setPixmap(
        art(index == 0 ? QStringLiteral("icon_view.png") : QStringLiteral("icon_import32.png")));
    icon->setGeometry(4, 4, 32, 32);
    nameImage(icon, index == 0 ? QStringLiteral("View icon") : QStringLiteral("Import icon"));
    if (index == 0) {
        label(p, QStringLiteral("Label1"), QStringLiteral("View PCX..."), 540, 165, 2655, 255)
            ->setStyleSheet(QStringLiteral("font-weight: bold;"));
        label(p, QStringLiteral("lblTipText"), kViewText, 90, 630, 2910, 855);
    } else {
        label(p, QStringLiteral("Label4"), QStringLiteral("Import PCX..."), 555, 165, 2655, 255)
            ->setStyleSheet(QStringLiteral("font-weight: bold;"));
        m_ui->label5 = label(p, QStringLiteral("Label5"), kImportText, 75, 480, 2910, 1140);
        m_ui->label5->setMouseTracking(true);
        m_ui->label5->installEventFilter(this);
        p->setMouseTracking(true);
        p->installEventFilter(this);
    }
    // The texts are opaque and lie over the icon: its dark square must not swallow the tops
    // of the first letters beneath it.
    for (auto* text : p->findChildren<QLabel*>(Qt::FindDirectChildrenOnly))
        if (text != icon) paint(text, Qt::white);
    icon->lower();
    m_ui->panels[index] = p;
}

void FrmTip::onUnloaded() {
    m_ui.reset();
}

void FrmTip::showPanel(int index) {
    m_ui->panels[index]->setVisible(true);
    m_ui->panels[1 - index]->setVisible(false);
}

void FrmTip::pointerOver(QObject* control) {
    if (!m_ui) return;
    if (control == m_ui->headings[0] || control == m_ui->headings[1]) {
        const bool view = control == m_ui->headings[0];
        setTextColour(m_ui->headings[0], view ? 0x0000FF : 0xFFFFFF);
        setTextColour(m_ui->headings[1], view ? 0xFFFFFF : 0x0000FF);
    } else if (control == m_ui->window || control == m_ui->panels[1] || control == m_ui->label5) {
        setTextColour(m_ui->headings[0], 0xFFFFFF);
        setTextColour(m_ui->headings[1], 0xFFFFFF);
    }
}

void FrmTip::openHelpPage() {
    followLink(m_ui->txtcustomers, m_platform.shell, links::kFragvaultGlimmer);
}

void FrmTip::open(bool modal) {
    if (isVisible()) {
        widget()->raise();
        widget()->activateWindow();
        return;
    }
    if (modal)
        showModal();
    else
        show();
}

bool FrmTip::eventFilter(QObject* watched, QEvent* event) {
    if (m_ui) {
        // A move over a child that ignores it reaches the window too: only the window's own
        // background counts as the window.
        const bool overChild =
            watched == m_ui->window && event->type() == QEvent::MouseMove &&
            m_ui->window->childAt(static_cast<QMouseEvent*>(event)->position().toPoint());
        if ((event->type() == QEvent::MouseMove && !overChild) || event->type() == QEvent::Enter)
            pointerOver(watched);
        if (event->type() == QEvent::MouseButtonPress) {
            if (watched == m_ui->headings[0]) showPanel(0);
            if (watched == m_ui->headings[1]) showPanel(1);
        }
    }
    return Form::eventFilter(watched, event);
}

} // namespace glimmer::browser
