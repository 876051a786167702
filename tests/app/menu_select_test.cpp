#include "app/menu_select_dlg.h"
#include "app_test_support.h"
#include "support/recording_ui.h"

#include <QPushButton>
#include <QTest>

#include <cstring>

namespace rk::apptest {
namespace {

constexpr std::size_t kReadSlot = 7;     // an entry as a read from the main unit leaves it
constexpr std::size_t kBrowserSlot = 42; // an entry a browser form stored into the backup copy

enum class Leave { BackButton, Escape, CloseBox };

void leave(app::CMenuSelectDlg& menu, Leave how) {
    switch (how) {
    case Leave::BackButton:
        QTest::mouseClick(menu.findChild<QPushButton*>(QStringLiteral("id2")), Qt::LeftButton);
        break;
    case Leave::Escape:
        QTest::keyClick(&menu, Qt::Key_Escape);
        break;
    case Leave::CloseBox:
        menu.close();
        break;
    }
}

bool copiesEqual() {
    const image::DataImage& image = img();
    return std::memcmp(image.workingCopy.data(), image.backupCopy.data(), sizeof(image.workingCopy)) == 0;
}

} // namespace

class MenuSelectTest : public QObject {
    Q_OBJECT

private slots:
    void init() { startHarness(); }

    void initialisationFocusesDetailedSettings() {
        app::CMenuSelectDlg menu(ws(), seam());
        QCOMPARE(menu.windowTitle(), QStringLiteral(u"メニュー選択"));
        const std::pair<const char*, QString> buttons[] = {
            {"id1077", QStringLiteral(u"詳細設定")},
            {"id2", QStringLiteral(u"戻る")},
            {"id1294", QStringLiteral(u"ファイルデータ読込")},
            {"id1295", QStringLiteral(u"ファイルデータ保存")},
        };
        for (const auto& [name, caption] : buttons) {
            QPushButton* button = menu.findChild<QPushButton*>(QString::fromLatin1(name));
            QVERIFY2(button != nullptr, name);
            QCOMPARE(button->text(), caption);
        }
        menu.show();
        QPushButton* detailed = menu.findChild<QPushButton*>(QStringLiteral("id1077"));
        QVERIFY(detailed->isEnabled());
        QCOMPARE(menu.focusWidget(), detailed);
    }

    void leavingWithDuplicateCheckTakesTheBackupCopy_data() {
        QTest::addColumn<int>("how");
        QTest::newRow("back button") << int(Leave::BackButton);
        QTest::newRow("Escape") << int(Leave::Escape);
        QTest::newRow("close box") << int(Leave::CloseBox);
    }

    void leavingWithDuplicateCheckTakesTheBackupCopy() {
        QFETCH(int, how);
        testing::RecordingUi recorder(uiSwitch());
        flags().dupCheckEnabled = 1;
        app::CMenuSelectDlg menu(ws(), seam());
        menu.show();
        // Browser editing with the check on stores into the backup copy only.
        img().backupCopy[kBrowserSlot].number[0] = 0x21;
        QVERIFY(img().workingCopy[kBrowserSlot].empty());

        leave(menu, static_cast<Leave>(how));
        QVERIFY(!menu.isVisible());
        QCOMPARE(menu.result(), int(QDialog::Rejected));
        QVERIFY(!img().workingCopy[kBrowserSlot].empty());
        QVERIFY(copiesEqual());
        QVERIFY(recorder.boxes().empty());
    }

    void leavingWithoutDuplicateCheckKeepsTheWorkingCopy() {
        flags().dupCheckEnabled = 0;
        app::CMenuSelectDlg menu(ws(), seam());
        menu.show();
        img().workingCopy[kReadSlot].number[0] = 0x33; // as the browser left it
        img().backupCopy[kBrowserSlot].number[0] = 0x21;

        leave(menu, Leave::BackButton);
        QVERIFY(!menu.isVisible());
        QVERIFY(!img().workingCopy[kReadSlot].empty());
        QVERIFY(img().workingCopy[kBrowserSlot].empty());
    }

    // A phonebook read from the main unit lands in the working copy only; leaving the menu with the
    // duplicate check on must not put the older backup copy in its place.
    void leavingDoesNotBringBackAnOlderPhonebook() {
        flags().dupCheckEnabled = 1;
        img().backupCopy[kBrowserSlot].number[0] = 0x21; // from an earlier session
        img().workingCopy[kReadSlot].number[0] = 0x33;   // the phonebook just read
        img().workingCopy[kBrowserSlot].number[0] = 0;

        app::CMenuSelectDlg menu(ws(), seam());
        menu.show();
        leave(menu, Leave::BackButton);
        QVERIFY(!img().workingCopy[kReadSlot].empty());
        QVERIFY(img().workingCopy[kBrowserSlot].empty());
    }
};

int runMenuSelectTests(int argc, char** argv) {
    MenuSelectTest test;
    return QTest::qExec(&test, argc, argv);
}

} // namespace rk::apptest

#include "menu_select_test.moc"
