// The browser's widgets while it is loaded.
#pragma once

#include <QObject>
#include <functional>
#include <memory>

#include "browser/file_list.h"

class QComboBox;
class QLineEdit;
class QListWidget;
class QProgressBar;
class QPushButton;
class QStatusBar;
class QWidget;

namespace glimmer::browser {

class FolderList;

// Calls back when the pointer moves over the watched widget.
class HoverWatch final : public QObject {
  public:
    explicit HoverWatch(std::function<void()> onHover) : m_onHover(std::move(onHover)) {}
    bool eventFilter(QObject* watched, QEvent* event) override;

  private:
    std::function<void()> m_onHover;
};

struct PCXMain::Ui {
    QWidget* window = nullptr;
    QPushButton* top[4] = {};
    QWidget* pages[3] = {};
    QComboBox* drive1 = nullptr;
    FolderList* dir1 = nullptr;
    QListWidget* list1 = nullptr;
    QPushButton* chat = nullptr;
    QLineEdit* txtcustomers = nullptr;
    QStatusBar* status = nullptr;
    QProgressBar* progress = nullptr;
    std::unique_ptr<FileList> file1;
    std::unique_ptr<HoverWatch> hover;
};

} // namespace glimmer::browser
