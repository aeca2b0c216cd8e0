// The editor. All arguments joined by single blanks form one file name, opened when the main window
// is first shown.
#include "ui/main_window.h"
#include "ui/qt_platform.h"

#include <QApplication>

#include <string>
#include <vector>

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    QApplication::setApplicationName("Korvalis");
    std::vector<std::string> args;
    for (int i = 1; i < argc; ++i)
        args.emplace_back(argv[i]);
    kv::ui::QtPlatform platform;
    kv::ui::MainWindow window(platform, args);
    window.show();
    return app.exec();
}
