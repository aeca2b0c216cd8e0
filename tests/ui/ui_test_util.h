// Shared pieces of the Qt test suite: one QApplication for the whole run and helpers that act on a
// window once it shows, so that a test can drive a modal dialog from inside its event loop. Every
// helper gives up after five seconds, so a failure ends the test instead of hanging it.
#pragma once

#include <gtest/gtest.h>

#include <QApplication>
#include <QDialog>
#include <QElapsedTimer>
#include <QPointer>
#include <QTimer>

#include <unistd.h>

#include <filesystem>
#include <functional>
#include <memory>
#include <string>

namespace kv::test {

// The suite's application object; ui_test_util.cpp also destroys it after the last test, before
// static destruction runs.
inline std::unique_ptr<QApplication>& AppHolder() {
    static std::unique_ptr<QApplication> app;
    return app;
}

inline void EnsureApp() {
    static int argc = 1;
    static char name[] = "ui_tests";
    static char* argv[] = {name, nullptr};
    if (!QApplication::instance()) AppHolder() = std::make_unique<QApplication>(argc, argv);
}

// A folder name under the temporary directory unique to this process and the running test.
inline std::filesystem::path PerTestDir(const std::string& prefix) {
    return std::filesystem::temp_directory_path() /
           (prefix + std::to_string(::getpid()) + "_" +
            ::testing::UnitTest::GetInstance()->current_test_info()->name());
}

// Runs act on the next modal dialog once it shows; a dialog still open after five seconds is
// rejected.
inline void WhenModal(std::function<void(QDialog*)> act) {
    auto* poll = new QTimer;
    auto clock = std::make_shared<QElapsedTimer>();
    clock->start();
    auto done = std::make_shared<bool>(false);
    QObject::connect(poll, &QTimer::timeout, [poll, clock, done, act] {
        auto* d = qobject_cast<QDialog*>(QApplication::activeModalWidget());
        if (!*done && d && d->isVisible()) {
            *done = true;
            act(d);
        } else if (d && clock->elapsed() > 5000) {
            ADD_FAILURE() << "the window did not close";
            d->reject();
        }
        if ((*done && !QApplication::activeModalWidget()) || (!*done && clock->elapsed() > 5000)) {
            if (!*done) ADD_FAILURE() << "no window showed";
            poll->stop();
            poll->deleteLater();
        }
    });
    poll->start(20);
}

// Runs act once on the first visible top-level window of type W; a failure if none shows in 5 s.
template <class W> void WhenShown(std::function<void(W*)> act) {
    auto* poll = new QTimer;
    auto clock = std::make_shared<QElapsedTimer>();
    clock->start();
    QObject::connect(poll, &QTimer::timeout, [poll, clock, act] {
        for (QWidget* w : QApplication::topLevelWidgets())
            if (auto* t = qobject_cast<W*>(w); t && t->isVisible()) {
                poll->stop();
                poll->deleteLater();
                act(t);
                return;
            }
        if (clock->elapsed() > 5000) {
            poll->stop();
            poll->deleteLater();
            ADD_FAILURE() << "the window did not show";
        }
    });
    poll->start(20);
}

// Runs act(window, attempt) on the first window of type W that shows, repeatedly, with attempt
// counting up, until that window closes. Some dialogs settle only after a few turns of the event
// loop (the file dialog reads its folder in the background). W must be a QDialog; after five
// seconds the window is rejected.
template <class W> void WhileShown(std::function<void(W*, int attempt)> act) {
    struct State {
        QPointer<W> target;
        QElapsedTimer clock;
        int attempts = 0;
    };
    auto* poll = new QTimer;
    auto state = std::make_shared<State>();
    QObject::connect(poll, &QTimer::timeout, [poll, state, act] {
        if (!state->target) {
            if (state->attempts > 0) { // it showed and is gone
                poll->stop();
                poll->deleteLater();
                return;
            }
            for (QWidget* w : QApplication::topLevelWidgets())
                if (auto* t = qobject_cast<W*>(w); t && t->isVisible()) state->target = t;
            if (!state->target) return;
            state->clock.start();
        }
        W* t = state->target.data();
        if (!t->isVisible()) {
            poll->stop();
            poll->deleteLater();
            return;
        }
        if (state->clock.elapsed() > 5000) {
            ADD_FAILURE() << "the window did not close";
            static_cast<QDialog*>(t)->reject();
            return;
        }
        act(t, state->attempts++);
    });
    poll->start(20);
}

} // namespace kv::test
