#include "app/idle_watcher.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QEvent>
#include <memory>

namespace qinghe::ui {
namespace {

bool isInput(QEvent::Type type) {
    switch (type) {
        case QEvent::KeyPress:
        case QEvent::KeyRelease:
        case QEvent::MouseButtonPress:
        case QEvent::MouseButtonRelease:
        case QEvent::MouseButtonDblClick:
        case QEvent::MouseMove:
        case QEvent::Wheel:
        case QEvent::TouchBegin:
        case QEvent::TouchUpdate:
        case QEvent::TabletPress:
        case QEvent::TabletMove:
        case QEvent::InputMethod:
            return true;
        default:
            return false;
    }
}

}  // namespace

IdleWatcher::IdleWatcher(std::function<void(qint64)> check, QObject* parent)
    : QObject(parent), check_(std::move(check)) {
    auto elapsed = std::make_shared<QElapsedTimer>();
    elapsed->start();
    setClock([elapsed] { return elapsed->elapsed(); });
    timer_.setInterval(kDefaultInterval);
    connect(&timer_, &QTimer::timeout, this, &IdleWatcher::checkNow);
    timer_.start();
    QCoreApplication::instance()->installEventFilter(this);
}

IdleWatcher::~IdleWatcher() {
    if (QCoreApplication* application = QCoreApplication::instance())
        application->removeEventFilter(this);
}

void IdleWatcher::setClock(Clock clock) {
    clock_ = std::move(clock);
    lastInput_ = clock_();
}

qint64 IdleWatcher::idleMilliseconds() const {
    return clock_() - lastInput_;
}

void IdleWatcher::checkNow() {
    if (check_) check_(idleMilliseconds());
}

bool IdleWatcher::eventFilter(QObject* watched, QEvent* event) {
    if (isInput(event->type())) lastInput_ = clock_();
    return QObject::eventFilter(watched, event);
}

}  // namespace qinghe::ui
