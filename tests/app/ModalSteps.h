#pragma once
// Answers a chain of modal windows. Each step gets the modal window active when
// its turn comes; a step is queued before the one before it runs, so a step may
// open the next window, whose event loop then runs the next step.

#include <gtest/gtest.h>

#include <QApplication>
#include <QTimer>
#include <QWidget>
#include <functional>
#include <memory>
#include <vector>

namespace ter5::testing {

using ModalStep = std::function<void(QWidget* modal)>;

inline void QueueModalSteps(const std::shared_ptr<std::vector<ModalStep>>& steps, std::size_t next) {
    if (next >= steps->size()) return;
    QTimer::singleShot(0, [steps, next] {
        QueueModalSteps(steps, next + 1);
        (*steps)[next](QApplication::activeModalWidget());
    });
}

// Runs `action` with `steps` answering the windows it opens; steps left over
// when it returns run at once, on no window.
inline void RunWithModalSteps(std::vector<ModalStep> steps, const std::function<void()>& action) {
    QueueModalSteps(std::make_shared<std::vector<ModalStep>>(std::move(steps)), 0);
    action();
    for (int i = 0; i < 8; ++i) QCoreApplication::processEvents();
}

// The modal window as a `T`; a test failure and nullptr when it is something else.
template <typename T>
T* ModalAs(QWidget* modal) {
    T* window = qobject_cast<T*>(modal);
    if (!window)
        ADD_FAILURE() << "expected " << T::staticMetaObject.className() << ", found "
                      << (modal ? modal->metaObject()->className() : "no modal window");
    return window;
}

}  // namespace ter5::testing
