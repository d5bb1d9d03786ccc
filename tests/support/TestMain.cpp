// The test program's entry: one QApplication on the offscreen platform for every test, on
// a screen large enough for the dialog at the usual desktop fonts, so that it shows the
// template's full size, and beside it a laptop's 1280 x 720 screen. The offscreen platform
// reports no panels, as Wayland does.
#include <gtest/gtest.h>

#include <QApplication>
#include <QStyleFactory>
#include <QTemporaryDir>

#include <cstdlib>
#include <cstring>
#include <fstream>
#include <string>
#include <vector>

int main(int argc, char** argv) {
    setenv("QT_QPA_PLATFORM", "offscreen", 0);
    std::vector<char*> args(argv, argv + argc);
    QTemporaryDir dir;
    std::string platform;
    if (std::strcmp(std::getenv("QT_QPA_PLATFORM"), "offscreen") == 0 && dir.isValid()) {
        const std::string config = dir.filePath(QStringLiteral("screen.json")).toStdString();
        std::ofstream(config) << R"({"screens": [{"name": "test", "x": 0, "y": 0, )"
                              << R"("width": 1920, "height": 1200, "logicalDpi": 96}, )"
                              << R"({"name": "laptop", "x": 1920, "y": 0, )"
                              << R"("width": 1280, "height": 720, "logicalDpi": 96}]})";
        platform = "offscreen:configfile=" + config;
        args.push_back(const_cast<char*>("-platform"));
        args.push_back(platform.data());
    }
    int count = static_cast<int>(args.size());
    args.push_back(nullptr);
    QApplication app(count, args.data());
    if (QStyle* style = QStyleFactory::create(QStringLiteral("Fusion")))
        QApplication::setStyle(style);
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
