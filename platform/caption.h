#pragma once

#include <QString>
#include <QWidget>

namespace glimmer::platform {

// Window managers show the program's name for an empty title; a blank keeps the bar empty.
inline void setCaption(QWidget* window, const QString& text) {
    window->setWindowTitle(text.isEmpty() ? QStringLiteral(" ") : text);
}

[[nodiscard]] inline QString caption(const QWidget* window) {
    return window->windowTitle() == QLatin1String(" ") ? QString() : window->windowTitle();
}

} // namespace glimmer::platform
