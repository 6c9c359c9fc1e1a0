// Small builders for the controls the windows share: picture buttons showing artwork,
// labels and frames placed in twips.
#pragma once

#include <QColor>
#include <QEvent>
#include <QPixmap>
#include <QString>
#include <functional>
#include <initializer_list>

class QGroupBox;
class QLabel;
class QPushButton;
class QWidget;

namespace glimmer::desktop {

// Artwork built into the program, by file name ("btn_ok.png").
[[nodiscard]] QPixmap art(const QString& name);

// A button that shows a picture instead of a caption. Its lettering becomes the accessible
// name, so screen readers and accessibility clients see what the picture says.
struct ButtonText {
    QString name;        // the lettering of the picture
    QString description; // what pressing it does
    QString tooltip = {};
};
QPushButton* pictureButton(QWidget* parent, const QString& name, int left, int top, int width,
                           int height, const QString& artName, const ButtonText& text);
// A picture shown for its own sake (banner, logo), named for accessibility clients.
void nameImage(QWidget* image, const QString& name);
void setButtonPicture(QPushButton* button, const QPixmap& picture);

QLabel* label(QWidget* parent, const QString& name, const QString& text, int left, int top,
              int width, int height);
QGroupBox* frame(QWidget* parent, const QString& name, const QString& title, int left, int top,
                 int width, int height);

// Calls `handler` for every event of these types that reaches `watched`, before `watched`
// handles it, for as long as `watched` lives.
void watchEvents(QObject* watched, std::initializer_list<QEvent::Type> types,
                 std::function<void()> handler);

// Return and Enter (also the keypad's) as dialogs take them: they press the push button of
// `window` that has the focus, and `defaultButton` when no other push button has it.
void pressOnEnter(QWidget* window, QPushButton* defaultButton);

// Fills the widget's background with `background`, and sets its text colour when given.
void paint(QWidget* widget, const QColor& background, const QColor& text = QColor());

// White text on black: the look of the program's own windows.
void paintDark(QWidget* widget);

} // namespace glimmer::desktop
