// The browser's widgets while it is loaded.
#pragma once

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

struct PCXMain::Ui {
    QWidget* window = nullptr;
    QPushButton* top[4] = {}; // Command7 Main Menu, Command1 Open, Command2 View, Command3 More
    QWidget* pages[3] = {};
    // Welcome page
    QPushButton* screenshots = nullptr; // Command8
    QPushButton* chat = nullptr;        // Command9
    // Open PCX page
    QComboBox* drive1 = nullptr;
    FolderList* dir1 = nullptr;
    QListWidget* list1 = nullptr;
    QPushButton* import = nullptr; // Command10
    QPushButton* remove = nullptr; // Command11
    // More page
    QPushButton* fragvault = nullptr;   // Command4
    QPushButton* gameSite = nullptr;    // Command5
    QPushButton* glimmerPage = nullptr; // cmddelete
    QPushButton* help = nullptr;        // Command6
    QLineEdit* txtcustomers = nullptr;
    QStatusBar* status = nullptr;
    QProgressBar* progress = nullptr;
    std::unique_ptr<FileList> file1;
};

} // namespace glimmer::browser
