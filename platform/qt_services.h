// The real desktop services over Qt.
#pragma once

#include "platform/services.h"

namespace glimmer::platform {

class QtShell final : public Shell {
  public:
    bool openUrl(const QString& address) override;
    void beep() override;
    void processEvents() override;
};

class QtClipboard final : public Clipboard {
  public:
    void setImage(const QImage& image) override;
    QImage image() override;
};

class QtPrinter final : public Printer {
  public:
    // With a file name, prints to that PDF file instead of the default printer.
    explicit QtPrinter(QString pdfFile = QString()) : m_pdfFile(std::move(pdfFile)) {}
    void print(const QImage& image) override;

  private:
    QString m_pdfFile;
};

class QtFileDialogs final : public FileDialogs {
  public:
    QString saveFileName(QWidget* parent, const QString& title, const QStringList& filters,
                         const QString& startName) override;
};

} // namespace glimmer::platform
