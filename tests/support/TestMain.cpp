// The test program's entry: one QApplication on the offscreen platform for every test, on
// a screen large enough for the dialog at the usual desktop fonts, so that it shows the
// template's full size, and beside it a laptop's 1280 x 720 screen, and then laptop screens
// at scale factors 1.25 and 1.5. The offscreen platform reports no panels, as Wayland does.
#include <gtest/gtest.h>

#include <QApplication>
#include <QStyleFactory>
#include <QTemporaryDir>

#include <cstdlib>
#include <cstring>
#include <fstream>
#include <string>
#include <vector>

namespace {

// Laptop screens of 1280 x 720 and 1366 x 768 pixels at the scale factors of today's desktops,
// side by side after the first two: each as large as the windows see it (its pixels divided
// by its scale), named by size and scale ("1366x768@1.25"). Their pixels are drawn at 1: a
// screen of another ratio would change how the toolkit draws on every screen (it caches its
// images at the largest), which the tests of drawing at each scale arrange for themselves.
std::string ScaledLaptopScreens() {
    struct Screen {
        int width, height;
        const char* scale;
        double factor;
    };
    const Screen screens[] = {
        {1280, 720, "1.25", 1.25}, {1280, 720, "1.5", 1.5}, {1366, 768, "1", 1.0},
        {1366, 768, "1.25", 1.25}, {1366, 768, "1.5", 1.5},
    };
    std::string json;
    int x = 3200;
    for (const Screen& s : screens) {
        const int width = static_cast<int>(s.width / s.factor + 0.5);
        const int height = static_cast<int>(s.height / s.factor + 0.5);
        json += std::string(json.empty() ? "" : ", ") + R"({"name": ")" + std::to_string(s.width) +
                "x" + std::to_string(s.height) + "@" + s.scale + R"(", "x": )" + std::to_string(x) +
                R"(, "y": 0, "width": )" + std::to_string(width) + R"(, "height": )" +
                std::to_string(height) + R"(, "logicalDpi": 96})";
        x += width;
    }
    return json;
}

} // namespace

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
                              << R"("width": 1280, "height": 720, "logicalDpi": 96}, )"
                              << ScaledLaptopScreens() << "]}";
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
