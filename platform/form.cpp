#include "platform/form.h"

#include <QCloseEvent>
#include <QDialog>
#include <QEventLoop>
#include <QWidget>

namespace glimmer::platform {
namespace {

// Marks a form's widget while the form is loaded; the widget itself is deleted later.
constexpr char kLoadedProperty[] = "glimmerFormLoaded";

} // namespace

Form::Form(FormRuntime& runtime, QString name) : m_runtime(runtime), m_name(std::move(name)) {}

Form::~Form() {
    delete m_widget.data();
}

bool Form::isVisible() const {
    return m_widget && m_widget->isVisible();
}

QWidget* Form::widget() {
    load();
    return m_widget;
}

void Form::load() {
    if (m_widget || m_loading) return;
    m_loading = true;
    m_widget = build();
    m_widget->setAttribute(Qt::WA_DeleteOnClose, false);
    m_widget->installEventFilter(this);
    m_widget->setProperty(kLoadedProperty, true);
    m_runtime.loaded(this);
    onLoad();
    m_loading = false;
    if (m_widget) emit m_runtime.formLoaded(this);
}

void Form::unload() {
    if (!m_widget) return;
    onUnload();
    QWidget* w = m_widget;
    m_widget = nullptr;
    w->removeEventFilter(this);
    w->setProperty(kLoadedProperty, false);
    // A dialog over this window belongs to the call that shows it, which may still be on the
    // stack (the widget is deleted at the next turn of the loop, which may be the dialog's
    // own): close it and keep it out of the widget's deletion.
    const QList<QDialog*> dialogs = w->findChildren<QDialog*>();
    for (QDialog* d : dialogs) {
        d->reject();
        d->setParent(nullptr, d->windowFlags());
    }
    w->hide();
    w->deleteLater(); // it may be inside one of its own event handlers
    if (m_modalLoop) m_modalLoop->quit();
    m_runtime.unloaded(this);
}

void Form::show() {
    QWidget* w = widget();
    const bool wasHidden = !w->isVisible();
    w->show();
    w->raise();
    w->activateWindow();
    m_runtime.activate(this, wasHidden); // a window coming on screen is activated anew
}

void Form::showModal() {
    Form* previous = m_runtime.activeForm();
    QWidget* w = widget();
    w->setWindowModality(Qt::ApplicationModal);
    QEventLoop loop;
    m_modalLoop = &loop;
    show();
    if (m_widget) loop.exec(QEventLoop::DialogExec);
    m_modalLoop = nullptr;
    if (previous && previous != this && previous->isLoaded()) m_runtime.activate(previous);
}

void Form::hide() {
    if (m_widget) m_widget->hide();
}

void Form::activate() {
    onActivate();
}

bool Form::eventFilter(QObject* watched, QEvent* event) {
    if (watched == m_widget) {
        if (event->type() == QEvent::Close) {
            event->ignore(); // the unload below takes the window down
            unload();
            return true;
        }
        // The user moving between the program's own windows activates them; message boxes,
        // menus and other programs do not.
        if (event->type() == QEvent::WindowActivate && m_widget->isVisible())
            m_runtime.activate(this);
    }
    return QObject::eventFilter(watched, event);
}

void FormRuntime::activate(Form* form, bool again) {
    if (m_active == form && !again) return;
    m_active = form;
    form->activate();
}

void FormRuntime::loaded(Form* form) {
    if (!m_loaded.contains(form)) m_loaded.append(form);
}

void FormRuntime::unloaded(Form* form) {
    m_loaded.removeAll(form);
    if (m_active == form) m_active = nullptr;
    emit formUnloaded(form);
}

bool isLoadedWindow(const QWidget* widget) {
    return widget && widget->window()->property(kLoadedProperty).toBool();
}

} // namespace glimmer::platform
