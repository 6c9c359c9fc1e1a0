// The picture window's commands on its picture: mirror, turn and restore (drawn from the
// reference copy), and New, Save As, Copy, Paste and Print.
#pragma once

#include <QString>

#include "edit/orientation.h"
#include "platform/platform.h"

class QWidget;

namespace glimmer::edit {

class PictureBox;

class PictureCommands {
  public:
    // `display` is what the window shows; `reference` holds the copy taken at activation.
    PictureCommands(platform::Platform& platform, QWidget* window, PictureBox& display,
                    PictureBox& reference);

    void draw(Orientation orientation); // Flip H, Flip V, Rotate, Back To Normal
    void clear();                       // New
    void saveAs();
    void copy();
    void paste();
    void print();

  private:
    // Tells the user `text` and returns true when the display box holds no picture.
    bool tellIfEmpty(const QString& text);
    void tellFailure(const QString& what, const QString& reason);

    platform::Platform& m_platform;
    QWidget* m_window;
    PictureBox& m_display;
    PictureBox& m_reference;
    QString m_dialogName; // the Save dialog remembers its last name while the window lives
};

// Writes `image` to `path` as a Windows bitmap file, replacing it only once fully written.
void writeBmp(platform::FileSystem& files, const QString& path, const QImage& image);

} // namespace glimmer::edit
