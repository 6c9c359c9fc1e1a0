#include "platform/qt_services.h"

#include <QApplication>
#include <QClipboard>
#include <QDesktopServices>
#include <QFileDialog>
#include <QMimeData>
#include <QPainter>
#include <QPrinter>
#include <QPrinterInfo>
#include <QUrl>

#include "decode/error.h"

namespace glimmer::platform {

bool QtShell::openUrl(const QString& address) {
    return QDesktopServices::openUrl(QUrl(address, QUrl::TolerantMode));
}

void QtShell::beep() {
    QApplication::beep();
}

void QtShell::processEvents() {
    QCoreApplication::processEvents();
}

void QtClipboard::setImage(const QImage& image) {
    QClipboard* clipboard = QGuiApplication::clipboard();
    if (!clipboard) throw Error(errc::DeviceUnavailable, QStringLiteral("No clipboard"));
    clipboard->setImage(image);
}

QImage QtClipboard::image() {
    QClipboard* clipboard = QGuiApplication::clipboard();
    if (!clipboard) throw Error(errc::DeviceUnavailable, QStringLiteral("No clipboard"));
    const QMimeData* data = clipboard->mimeData();
    return data && data->hasImage() ? clipboard->image() : QImage();
}

void QtPrinter::print(const QImage& image) {
    QPrinter printer(QPrinter::HighResolution);
    if (m_pdfFile.isEmpty()) {
        const QPrinterInfo info = QPrinterInfo::defaultPrinter();
        if (info.isNull())
            throw Error(errc::DeviceUnavailable,
                        QStringLiteral("There is no printer to print on."));
        printer.setPrinterName(info.printerName());
    } else {
        printer.setOutputFormat(QPrinter::PdfFormat);
        printer.setOutputFileName(m_pdfFile);
    }
    QPainter painter;
    if (!painter.begin(&printer))
        throw Error(errc::DeviceUnavailable, QStringLiteral("The printer could not be started."));
    // At its own size: one screen pixel is 1/96 inch on paper.
    const double scale = printer.resolution() / 96.0;
    painter.drawImage(QRectF(0, 0, image.width() * scale, image.height() * scale), image);
    if (!painter.end())
        throw Error(errc::DeviceUnavailable, QStringLiteral("The page could not be printed."));
}

QString QtFileDialogs::saveFileName(QWidget* parent, const QString& title,
                                    const QStringList& filters, const QString& startName) {
    return QFileDialog::getSaveFileName(parent, title, startName,
                                        filters.join(QStringLiteral(";;")), nullptr,
                                        QFileDialog::DontConfirmOverwrite);
}

} // namespace glimmer::platform
