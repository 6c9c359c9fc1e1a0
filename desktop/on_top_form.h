// A window with the "Keep On Top" pair, switched on while the window loads: the pair is made
// once the window's widgets are built and goes with them.
#pragma once

#include <QPoint>
#include <functional>
#include <memory>

#include "platform/form.h"

namespace glimmer::desktop {

class KeepOnTop;

class OnTopForm : public platform::Form {
    Q_OBJECT
  public:
    struct Pair {
        QPoint cmdAt;   // CmdOnTop, in twips
        QPoint checkAt; // Check3, in twips
        bool visible = false;
        QString container = {}; // the child that holds the pair; the window when empty
        std::function<QWidget*()> target = {}; // what the pair moves; this window when empty
    };
    OnTopForm(platform::FormRuntime& runtime, QString name, Pair pair);
    ~OnTopForm() override;

    KeepOnTop& keepOnTop(); // loads the window

  protected:
    virtual QWidget* buildWindow() = 0;
    virtual void onLoaded() {}   // after the pair switched keep-on-top on
    virtual void onUnloaded() {} // before the pair goes

  private:
    QWidget* build() final;
    void onLoad() final;
    void onUnload() final;

    Pair m_pair;
    std::unique_ptr<KeepOnTop> m_onTop;
};

} // namespace glimmer::desktop
