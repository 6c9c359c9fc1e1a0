#include "edit/picture_commands.h"

#include <QBuffer>
#include <QImageWriter>
#include <QWidget>

#include "decode/error.h"
#include "edit/picture_box.h"
#include "platform/caption.h"

namespace glimmer::edit {
namespace {

const QStringList kSaveFilters{
    QStringLiteral("Bitmap Files (*.BMP)"), QStringLiteral("JPEG Files (*.JPG)"),
    QStringLiteral("GIF Files (*.GIF)"), QStringLiteral("PCX Files (*.PCX)")};

} // namespace

void writeBmp(platform::FileSystem& files, const QString& path, const QImage& image) {
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    QImageWriter writer(&buffer, "bmp");
    if (!writer.write(image)) throw Error(errc::DeviceUnavailable, writer.errorString());
    files.writeFile(path, bytes);
}

PictureCommands::PictureCommands(platform::Platform& platform, QWidget* window, PictureBox& display,
                                 PictureBox& reference)
    : m_platform(platform), m_window(window), m_display(display), m_reference(reference) {}

void PictureCommands::draw(Orientation orientation) {
    const QImage& source = m_reference.picture().image();
    try {
        const QImage drawn = oriented(source, orientation);
        if (drawn.isNull() && !source.isNull()) throw Error(errc::OutOfMemory);
        m_display.drawImage(drawn);
    } catch (const Error& e) {
        tellFailure(QStringLiteral("The picture could not be redrawn."), e.text());
    }
}

void PictureCommands::clear() {
    m_display.setPicture(Picture());
}

void PictureCommands::saveAs() {
    platform::setCaption(m_window, m_dialogName);
    if (m_display.picture().isEmpty()) {
        m_platform.dialogs.message(m_window,
                                   {QStringLiteral("Nothing to save!"), QStringLiteral("sfile"),
                                    platform::Buttons::Ok, platform::Icon::None});
        return;
    }
    // Exit from the notification area may end the window under either dialog: stop then.
    const QPointer<QWidget> window(m_window);
    const QString name = m_platform.fileDialogs.saveFileName(
        m_window, QStringLiteral("Save Current Picture File"), kSaveFilters, m_dialogName);
    if (!platform::isLoadedWindow(window) || name.isEmpty()) return;
    m_dialogName = name;
    if (m_platform.files.exists(name) &&
        (m_platform.dialogs.message(m_window,
                                    {QStringLiteral("That File Already Exists, Overwright"),
                                     QStringLiteral("Are you Sure"), platform::Buttons::YesNo,
                                     platform::Icon::None}) == platform::Button::No ||
         !platform::isLoadedWindow(window)))
        return;
    try {
        writeBmp(m_platform.files, name, m_display.image());
    } catch (const Error& e) {
        tellFailure(QStringLiteral("The picture could not be saved as %1.").arg(name), e.text());
    }
}

void PictureCommands::copy() {
    if (tellIfEmpty(QStringLiteral("There is no picture to copy."))) return;
    try {
        m_platform.clipboard.setImage(m_display.picture().image());
    } catch (const Error& e) {
        tellFailure(QStringLiteral("The picture could not be copied."), e.text());
    }
}

void PictureCommands::paste() {
    QImage image;
    try {
        image = m_platform.clipboard.image();
    } catch (const Error& e) {
        tellFailure(QStringLiteral("Nothing could be pasted."), e.text());
        return;
    }
    try {
        m_display.setPicture(Picture(image)); // no picture on the clipboard empties the box
    } catch (const Error& e) {
        tellFailure(QStringLiteral("Nothing could be pasted."), e.text());
    }
}

void PictureCommands::print() {
    if (tellIfEmpty(QStringLiteral("There is no picture to print."))) return;
    try {
        m_platform.printer.print(m_display.picture().image());
    } catch (const Error& e) {
        tellFailure(QStringLiteral("The picture could not be printed."), e.text());
    }
}

bool PictureCommands::tellIfEmpty(const QString& text) {
    // An empty box would wipe the user's clipboard or waste a blank page, reported as done.
    if (!m_display.picture().isEmpty()) return false;
    m_platform.dialogs.message(
        m_window, {text, QString(), platform::Buttons::Ok, platform::Icon::Information});
    return true;
}

void PictureCommands::tellFailure(const QString& what, const QString& reason) {
    m_platform.dialogs.message(m_window, {what + '\n' + reason, QString(), platform::Buttons::Ok,
                                          platform::Icon::Exclamation});
}

} // namespace glimmer::edit
