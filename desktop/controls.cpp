#include "desktop/controls.h"

#include <QGroupBox>
#include <QLabel>
#include <QPushButton>
#include <QShortcut>

#include "platform/units.h"

namespace glimmer::desktop {
namespace {

class EventWatch final : public QObject {
  public:
    EventWatch(QObject* watched, std::initializer_list<QEvent::Type> types,
               std::function<void()> handler)
        : QObject(watched), m_types(types), m_handler(std::move(handler)) {
        watched->installEventFilter(this);
    }
    bool eventFilter(QObject* watched, QEvent* event) override {
        if (m_types.contains(event->type())) m_handler();
        return QObject::eventFilter(watched, event);
    }

  private:
    QList<QEvent::Type> m_types;
    std::function<void()> m_handler;
};

} // namespace

using platform::twipsRect;

QPixmap art(const QString& name) {
    return QPixmap(QStringLiteral(":/art/") + name);
}

void setButtonPicture(QPushButton* button, const QPixmap& picture) {
    button->setIcon(QIcon(picture));
    button->setIconSize(picture.size().boundedTo(button->size() - QSize(2, 2)));
}

QPushButton* pictureButton(QWidget* parent, const QString& name, int left, int top, int width,
                           int height, const QString& artName, const ButtonText& text) {
    auto* b = new QPushButton(parent);
    b->setObjectName(name);
    b->setGeometry(twipsRect(left, top, width, height));
    b->setStyleSheet(QStringLiteral("QPushButton { background: black; border: 1px solid #404040; }"
                                    "QPushButton:hover { border-color: #00ff00; }"
                                    "QPushButton:pressed { border-color: white; }"));
    b->setCursor(Qt::PointingHandCursor);
    setButtonPicture(b, art(artName));
    b->setAccessibleName(text.name);
    b->setAccessibleDescription(text.description);
    b->setToolTip(text.tooltip); // none when empty
    return b;
}

void nameImage(QWidget* image, const QString& name) {
    image->setAccessibleName(name);
}

QLabel* label(QWidget* parent, const QString& name, const QString& text, int left, int top,
              int width, int height) {
    auto* l = new QLabel(text, parent);
    l->setObjectName(name);
    l->setGeometry(twipsRect(left, top, width, height));
    l->setWordWrap(true);
    l->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    return l;
}

QGroupBox* frame(QWidget* parent, const QString& name, const QString& title, int left, int top,
                 int width, int height) {
    auto* f = new QGroupBox(title, parent);
    f->setObjectName(name);
    f->setGeometry(twipsRect(left, top, width, height));
    return f;
}

void watchEvents(QObject* watched, std::initializer_list<QEvent::Type> types,
                 std::function<void()> handler) {
    new EventWatch(watched, types, std::move(handler));
}

void pressOnEnter(QWidget* window, QPushButton* defaultButton) {
    defaultButton->setDefault(true);
    for (const Qt::Key key : {Qt::Key_Return, Qt::Key_Enter}) {
        new QShortcut(QKeySequence(key), window, [window, defaultButton] {
            auto* focused = qobject_cast<QPushButton*>(window->focusWidget());
            QPushButton* pressed =
                focused && focused->isVisible() && focused->isEnabled() ? focused : defaultButton;
            pressed->click();
        });
    }
}

void paint(QWidget* widget, const QColor& background, const QColor& text) {
    QPalette pal = widget->palette();
    pal.setColor(QPalette::Window, background);
    if (text.isValid()) pal.setColor(QPalette::WindowText, text);
    widget->setPalette(pal);
    widget->setAutoFillBackground(true);
}

void paintDark(QWidget* widget) {
    paint(widget, Qt::black, Qt::white);
}

} // namespace glimmer::desktop
