#include "app_test_support.h"

#include <QProcess>
#include <QProcessEnvironment>
#include <QTest>

namespace rk::apptest {

class ProgramTest : public QObject {
    Q_OBJECT

private slots:
    void withoutDisplayItSaysSoAndFails() {
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        for (const char* name : {"DISPLAY", "WAYLAND_DISPLAY", "QT_QPA_PLATFORM"})
            environment.remove(QString::fromLatin1(name));
        QProcess program;
        program.setProcessEnvironment(environment);
        program.start(QStringLiteral(RKDIAL_APP_PATH), {});
        QVERIFY2(program.waitForFinished(30000), qPrintable(program.errorString()));
        QCOMPARE(program.exitStatus(), QProcess::NormalExit);
        QCOMPARE(program.exitCode(), 1);
        QCOMPARE(
            program.readAllStandardError(),
            QByteArray("rkdial: no display available; start it in a desktop session (DISPLAY is not set)\n"));
        QVERIFY(program.readAllStandardOutput().isEmpty());
    }
};

int runProgramTests(int argc, char** argv) {
    ProgramTest test;
    return QTest::qExec(&test, argc, argv);
}

} // namespace rk::apptest

#include "program_test.moc"
