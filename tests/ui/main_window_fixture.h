// The editor's main window on the real Qt platform, shown, with its program folder in a fresh
// per-test folder: the setting of the suites that drive the whole window.
#pragma once

#include "core/bitmap32.h"
#include "tests/ui/ui_test_util.h"
#include "ui/main_window.h"
#include "ui/qt_platform.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QSize>

#include <filesystem>
#include <memory>
#include <string>
#include <utility>

namespace kv::test {

class MainWindowFixture : public ::testing::Test {
  protected:
    // size: the window's size before it shows; an invalid size leaves the window's own.
    explicit MainWindowFixture(std::string folderPrefix, QSize size = QSize())
        : fPrefix(std::move(folderPrefix)), fSize(size) {}
    void SetUp() override {
        EnsureApp();
        dir = PerTestDir(fPrefix);
        std::filesystem::create_directories(dir / "prog");
        platform = std::make_unique<ui::QtPlatform>();
        platform->SetProgramFolder((dir / "prog").string());
        window = std::make_unique<ui::MainWindow>(*platform);
        if (fSize.isValid()) window->resize(fSize);
        window->show();
        QApplication::processEvents();
    }
    void TearDown() override {
        window.reset();
        platform.reset();
        std::filesystem::remove_all(dir);
    }
    // Saves the picture under name in the test folder; returns its path.
    std::string Write(const TBitmap32& b, const std::string& name) {
        const std::string p = (dir / name).string();
        b.SaveToFile(p);
        return p;
    }
    std::filesystem::path dir;
    std::unique_ptr<ui::QtPlatform> platform;
    std::unique_ptr<ui::MainWindow> window;

  private:
    std::string fPrefix;
    QSize fSize;
};

} // namespace kv::test
