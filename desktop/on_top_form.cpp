#include "desktop/on_top_form.h"

#include <QWidget>

#include "desktop/keep_on_top.h"

namespace glimmer::desktop {

OnTopForm::OnTopForm(platform::FormRuntime& runtime, QString name, Pair pair)
    : Form(runtime, std::move(name)), m_pair(std::move(pair)) {}

OnTopForm::~OnTopForm() = default;

KeepOnTop& OnTopForm::keepOnTop() {
    load();
    return *m_onTop;
}

QWidget* OnTopForm::build() {
    QWidget* window = buildWindow();
    QWidget* parent =
        m_pair.container.isEmpty() ? window : window->findChild<QWidget*>(m_pair.container);
    auto target = m_pair.target ? m_pair.target : [window] { return window; };
    m_onTop =
        std::make_unique<KeepOnTop>(parent, m_pair.cmdAt, m_pair.checkAt, target, m_pair.visible);
    return window;
}

void OnTopForm::onLoad() {
    m_onTop->click();
    onLoaded();
}

void OnTopForm::onUnload() {
    onUnloaded();
    m_onTop.reset();
}

} // namespace glimmer::desktop
