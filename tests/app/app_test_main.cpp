// One program for every window suite keeps the link steps few; ctest runs each suite on its own
// by naming it as the first argument.
#include "app_test_support.h"

#include <QApplication>

#include <cstdio>
#include <cstring>
#include <vector>

int main(int argc, char** argv) {
    QApplication application(argc, argv);
    rk::apptest::keepSettingsInATemporaryFolder();
    if (argc < 2) {
        std::fputs("usage: app_tests "
                   "main_menu|menu_select|qt_ui|layout|program|file_select|tools|import_window [Qt Test "
                   "options]\n",
                   stderr);
        return 2;
    }
    const char* suite = argv[1];
    std::vector<char*> arguments{argv[0]};
    for (int i = 2; i < argc; ++i) arguments.push_back(argv[i]);
    const int count = static_cast<int>(arguments.size());

    if (std::strcmp(suite, "main_menu") == 0) return rk::apptest::runMainMenuTests(count, arguments.data());
    if (std::strcmp(suite, "menu_select") == 0)
        return rk::apptest::runMenuSelectTests(count, arguments.data());
    if (std::strcmp(suite, "qt_ui") == 0) return rk::apptest::runQtUiTests(count, arguments.data());
    if (std::strcmp(suite, "layout") == 0) return rk::apptest::runLayoutTests(count, arguments.data());
    if (std::strcmp(suite, "program") == 0) return rk::apptest::runProgramTests(count, arguments.data());
    if (std::strcmp(suite, "file_select") == 0)
        return rk::apptest::runFileSelectTests(count, arguments.data());
    if (std::strcmp(suite, "tools") == 0) return rk::apptest::runToolsTests(count, arguments.data());
    if (std::strcmp(suite, "import_window") == 0)
        return rk::apptest::runImportWindowTests(count, arguments.data());
    std::fprintf(stderr, "app_tests: unknown suite %s\n", suite);
    return 2;
}
