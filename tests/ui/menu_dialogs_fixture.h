// A main form on the real Qt platform with one commands object whose dialog windows are registered,
// and a test photo as the document: the setting of the suites that open dialogs from a menu.
#pragma once

#include "core/bitmap32.h"
#include "document/mainform.h"
#include "tests/ui/ui_test_util.h"
#include "ui/qt_platform.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <memory>
#include <string>
#include <utility>

namespace kv::test {

// A photo-like picture whose channels vary from pixel to pixel, fully opaque.
inline TBitmap32 Photo(int w, int h) {
    TBitmap32 b(w, h);
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x)
            b.SetPixel(x, y, Color32((x * 13 + y) & 255, (y * 7) & 255, (x ^ y) & 255, 255));
    return b;
}

// Commands: the commands class (constructed with the form); Register binds its Qt windows.
template <class Commands, void (*Register)(ui::QtPlatform&, Commands&)>
class MenuDialogsFixture : public ::testing::Test {
  protected:
    MenuDialogsFixture(std::string folderPrefix, std::string menu, TBitmap32 picture)
        : pic(std::move(picture)), fPrefix(std::move(folderPrefix)), fMenu(std::move(menu)) {}
    void SetUp() override {
        EnsureApp();
        dir = std::filesystem::temp_directory_path() / (fPrefix + std::to_string(::getpid()));
        std::filesystem::remove_all(dir);
        std::filesystem::create_directories(dir);
        platform = std::make_unique<ui::QtPlatform>();
        platform->SetProgramFolder(dir.string() + "/");
        form = std::make_unique<TMainForm>(*platform);
        form->FormCreate();
        commands = std::make_unique<Commands>(*form);
        Register(*platform, *commands);
        form->Doc.SetBasePixels(pic);
        form->Doc.CleanPhoto.Assign(pic);
    }
    void TearDown() override {
        commands.reset();
        form.reset();
        platform.reset();
        std::error_code ec;
        std::filesystem::remove_all(dir, ec);
    }
    // Runs the menu item as the menu bar does, after checking that it is enabled.
    void Run(const char* item) {
        form->MenuOpened(fMenu);
        ASSERT_TRUE(form->ItemEnabled(fMenu, item));
        form->FindItem(fMenu, item)->Handler(*form);
    }
    std::filesystem::path dir;
    std::unique_ptr<ui::QtPlatform> platform;
    std::unique_ptr<TMainForm> form;
    std::unique_ptr<Commands> commands;
    const TBitmap32 pic;

  private:
    std::string fPrefix, fMenu;
};

} // namespace kv::test
