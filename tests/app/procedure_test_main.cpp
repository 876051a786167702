// The suites of the procedure windows; ctest names the suite as the first argument.
#include "app_test_support.h"

#include <QApplication>

#include <cstdio>
#include <cstring>
#include <vector>

namespace rk::apptest {
int runOperatorDialogTests(int argc, char** argv);
int runTransferProcedureTests(int argc, char** argv);
} // namespace rk::apptest

int main(int argc, char** argv) {
    QApplication application(argc, argv);
    rk::apptest::keepSettingsInATemporaryFolder();
    if (argc < 2) {
        std::fputs("usage: procedure_tests operator_dialogs|transfer_procedures [Qt Test options]\n", stderr);
        return 2;
    }
    const char* suite = argv[1];
    std::vector<char*> arguments{argv[0]};
    for (int i = 2; i < argc; ++i) arguments.push_back(argv[i]);
    const int count = static_cast<int>(arguments.size());
    if (std::strcmp(suite, "operator_dialogs") == 0)
        return rk::apptest::runOperatorDialogTests(count, arguments.data());
    if (std::strcmp(suite, "transfer_procedures") == 0)
        return rk::apptest::runTransferProcedureTests(count, arguments.data());
    std::fprintf(stderr, "procedure_tests: unknown suite %s\n", suite);
    return 2;
}
