// The program's web addresses, in one place, and the one way a page is opened.
#pragma once

#include <QString>

class QLineEdit;
class QWidget;

namespace glimmer::platform {
class Shell;
}

namespace glimmer::desktop {

namespace links {
inline const QString kFragvaultHost = QStringLiteral("fragvault.example");
inline const QString kFragvaultHome = QStringLiteral("https://fragvault.example/");
inline const QString kFragvaultGlimmer = QStringLiteral("https://fragvault.example/glimmer.htm");
inline const QString kQuillonGlimmer = QStringLiteral("https://quillon.example/glimmer.htm");
inline const QString kQuillonMaps = QStringLiteral("https://quillon.example/fragvault/maps.htm");
inline const QString kQuillonPcxHelp =
    QStringLiteral("https://quillon.example/fragvault/pcxhelp.htm");
inline const QString kGameHome = QStringLiteral("https://www.unrealtournament.com/");
} // namespace links

// Opens `address` in the default browser, in a normal window. Nothing is reported either way.
void OpenUrl(platform::Shell& shell, const QString& address);

// A window's hidden address box, through which every link of that window passes.
[[nodiscard]] QLineEdit* makeAddressBox(QWidget* parent, int left, int top);

// The web-link pattern: the address goes into the window's hidden box, is read back from it,
// and is opened.
void followLink(QLineEdit* txtcustomers, platform::Shell& shell, const QString& address);

} // namespace glimmer::desktop
