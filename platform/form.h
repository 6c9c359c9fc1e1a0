// A window of the program. The object lives for the whole run and keeps its own variables;
// its widgets exist only while it is loaded. Any access to the widgets loads it, hidden.
#pragma once

#include <QObject>
#include <QPointer>
#include <QString>
#include <QWidget>

class QEventLoop;

namespace glimmer::platform {

class FormRuntime;

class Form : public QObject {
    Q_OBJECT
  public:
    Form(FormRuntime& runtime, QString name);
    ~Form() override;

    [[nodiscard]] const QString& name() const { return m_name; }
    [[nodiscard]] bool isLoaded() const { return m_widget != nullptr; }
    [[nodiscard]] bool isVisible() const;
    [[nodiscard]] bool isShownModally() const { return m_modalLoop != nullptr; }

    // The top-level widget; loads the window (hidden) when it is not loaded.
    QWidget* widget();

    void load();
    void unload();
    void show();      // modeless; loads first when needed
    void showModal(); // returns once the window has been unloaded
    void hide();

  protected:
    virtual QWidget* build() = 0; // creates the widgets; the form owns the returned one
    virtual void onLoad() {}
    virtual void onActivate() {}
    virtual void onUnload() {}

    [[nodiscard]] FormRuntime& runtime() { return m_runtime; }

    bool eventFilter(QObject* watched, QEvent* event) override;

  private:
    friend class FormRuntime;
    void activate();

    FormRuntime& m_runtime;
    QString m_name;
    QPointer<QWidget> m_widget;
    QEventLoop* m_modalLoop = nullptr;
    bool m_loading = false;
};

// Keeps track of the loaded windows and of which one is active, and says when a window
// unloads so the program can decide whether to go on running.
class FormRuntime : public QObject {
    Q_OBJECT
  public:
    [[nodiscard]] Form* activeForm() const { return m_active; }
    [[nodiscard]] QList<Form*> loadedForms() const { return m_loaded; }

    // Makes `form` the active window, running its activation handler when it was not (or,
    // with `again`, in any case).
    void activate(Form* form, bool again = false);

  signals:
    void formLoaded(glimmer::platform::Form* form); // after its load handler
    void formUnloaded(glimmer::platform::Form* form);

  private:
    friend class Form;
    void loaded(Form* form);
    void unloaded(Form* form);

    QList<Form*> m_loaded;
    Form* m_active = nullptr;
};

// Whether `widget` belongs to a loaded form. A command that asked the user something looks
// again afterwards: the program may have ended while its dialog was up.
[[nodiscard]] bool isLoadedWindow(const QWidget* widget);

} // namespace glimmer::platform
