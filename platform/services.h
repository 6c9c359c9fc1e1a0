// Desktop services the windows use, each behind an interface so tests can script them.
#pragma once

#include <QImage>
#include <QString>
#include <QStringList>

class QWidget;

namespace glimmer::platform {

class Shell {
  public:
    virtual ~Shell() = default;
    // Opens a web address with the desktop's default browser; false when it could not.
    virtual bool openUrl(const QString& address) = 0;
    virtual void beep() = 0;
    // Lets pending window-system events run once.
    virtual void processEvents() = 0;
};

class Clipboard {
  public:
    virtual ~Clipboard() = default;
    // Throws glimmer::Error when the clipboard cannot be used.
    virtual void setImage(const QImage& image) = 0;
    // The image on the clipboard; a null image when it holds none.
    virtual QImage image() = 0;
};

class Printer {
  public:
    virtual ~Printer() = default;
    // Prints one page with the image at its own size at the top-left corner. Throws
    // glimmer::Error when there is no printer or printing fails.
    virtual void print(const QImage& image) = 0;
};

class FileDialogs {
  public:
    virtual ~FileDialogs() = default;
    // The Save dialog; an empty name when cancelled. It never asks about overwriting.
    virtual QString saveFileName(QWidget* parent, const QString& title, const QStringList& filters,
                                 const QString& startName) = 0;
};

} // namespace glimmer::platform
