#include "app/dialog_layout.h"
#include "app/error_notice_dlg.h"
#include "app/file_select_dlg.h"
#include "app/main_menu_dlg.h"
#include "app/menu_select_dlg.h"
#include "app/speed_dial_app.h"
#include "app_test_support.h"

#include <QAbstractButton>
#include <QFontDatabase>
#include <QFontInfo>
#include <QFontMetrics>
#include <QGroupBox>
#include <QLabel>
#include <QMenuBar>
#include <QPushButton>
#include <QRadioButton>
#include <QStyle>
#include <QStyleOptionButton>
#include <QTest>

#include <memory>
#include <vector>

namespace rk::apptest {
namespace {

// Reports every control of a window whose caption does not fit inside it, or that sticks out
// of the window.
QStringList clippedControls(QWidget& window) {
    QStringList problems;
    const QRect client = window.rect();
    for (QWidget* child : window.findChildren<QWidget*>()) {
        if (child->parentWidget() != &window) continue;
        const QString name = child->objectName();
        if (!client.contains(child->geometry()))
            problems << name + QStringLiteral(" lies outside the window");
        const QFontMetrics metrics(child->font());
        if (auto* button = qobject_cast<QAbstractButton*>(child)) {
            QStyleOptionButton option;
            option.initFrom(button);
            option.text = button->text();
            const bool radio = qobject_cast<QRadioButton*>(button) != nullptr;
            const QRect contents = button->style()->subElementRect(
                radio ? QStyle::SE_RadioButtonContents : QStyle::SE_PushButtonContents, &option, button);
            const int textWidth = metrics.horizontalAdvance(button->text());
            if (textWidth > contents.width() || metrics.height() > contents.height())
                problems << QStringLiteral("%1: text %2x%3 in %4x%5")
                                .arg(name)
                                .arg(textWidth)
                                .arg(metrics.height())
                                .arg(contents.width())
                                .arg(contents.height());
        } else if (auto* label = qobject_cast<QLabel*>(child)) {
            if (label->text().isEmpty() || label->wordWrap()) continue;
            const QSize needed = label->sizeHint();
            if (needed.width() > label->width() || needed.height() > label->height())
                problems << QStringLiteral("%1: needs %2x%3, has %4x%5")
                                .arg(name)
                                .arg(needed.width())
                                .arg(needed.height())
                                .arg(label->width())
                                .arg(label->height());
        } else if (auto* frame = qobject_cast<QGroupBox*>(child)) {
            const int needed = frame->minimumSizeHint().width();
            if (needed > frame->width())
                problems
                    << QStringLiteral("%1: title needs %2, has %3").arg(name).arg(needed).arg(frame->width());
        }
    }
    return problems;
}

void expectFixedDialog(QWidget& window) {
    QCOMPARE(window.minimumSize(), window.maximumSize());
    QVERIFY(!(window.windowFlags() & Qt::WindowMinimizeButtonHint));
    QVERIFY(!(window.windowFlags() & Qt::WindowMaximizeButtonHint));
    QVERIFY(window.windowFlags() & Qt::WindowCloseButtonHint);
}

} // namespace

class LayoutTest : public QObject {
    Q_OBJECT

private slots:
    void init() { startHarness(); }
    void cleanup() { finishHarness(); }

    void dialogFontIsAJapaneseGothic() {
        const QStringList families = QFontDatabase::families();
        if (!families.contains(QStringLiteral(u"ＭＳ Ｐゴシック")) &&
            !families.contains(QStringLiteral("IPAPGothic")))
            QSKIP("neither dialog font is installed (Debian package fonts-ipafont-gothic)");
        const QFontInfo resolved(app::dialogFont());
        QVERIFY2(resolved.family() == QStringLiteral(u"ＭＳ Ｐゴシック") ||
                     resolved.family() == QStringLiteral("IPAPGothic"),
                 qPrintable(resolved.family()));
        QCOMPARE(resolved.pointSize(), 9);
    }

    void dialogUnitsFollowTheFontMetrics() {
        const QFont font = app::dialogFont();
        const app::DialogUnits units(font);
        const QFontMetrics metrics(font);
        const double average = metrics.horizontalAdvance(
                                   QStringLiteral("ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz")) /
                               52.0;
        QCOMPARE(units.baseX(), qRound(average));
        QCOMPARE(units.baseY(), metrics.height());
        // Four horizontal and eight vertical units make one base unit; halves round up.
        QCOMPARE(units.rect(4, 8, 400, 800),
                 QRect(units.baseX(), units.baseY(), 100 * units.baseX(), 100 * units.baseY()));
        QCOMPARE(units.toPixelsX(2), (units.baseX() + 1) / 2);
        QCOMPARE(units.toPixelsY(4), (units.baseY() + 1) / 2);
    }

    void noCaptionIsClipped() {
        app::CSpeedDialApp& application = harness().application;
        app::CMainMenuDlg mainWindow(application);
        app::CMenuSelectDlg menu(ws(), seam());
        app::CErrorNoticeDlg notice;
        app::CFileSelectDlg fileSelect(app::FileOperation::Load, ws(), seam());
        for (QWidget* window : std::vector<QWidget*>{&mainWindow, &menu, &notice, &fileSelect}) {
            window->show();
            const QStringList problems = clippedControls(*window);
            QVERIFY2(problems.isEmpty(), qPrintable(window->windowTitle() + QStringLiteral(": ") +
                                                    problems.join(QStringLiteral("; "))));
            expectFixedDialog(*window);
        }
    }

    void mainWindowHasItsDesignedProportions() {
        app::CSpeedDialApp& application = harness().application;
        app::CMainMenuDlg window(application);
        const app::DialogUnits units(window.font());
        // The designed size, grown by the menu bar above the controls and by nothing else.
        auto* bar = window.findChild<QMenuBar*>(QStringLiteral("menuBar"));
        QVERIFY(bar != nullptr && bar->height() > 0);
        QCOMPARE(bar->geometry(), QRect(0, 0, window.width(), bar->height()));
        QCOMPARE(window.size(), units.size(195, 246) + QSize(0, bar->height()));
        QCOMPARE(window.findChild<QPushButton*>(QStringLiteral("id1134"))->geometry(),
                 units.rect(12, 15, 80, 40).translated(0, bar->height()));
        // The two top buttons share a row; the edit button sits under the read button.
        auto* read = window.findChild<QPushButton*>(QStringLiteral("id1134"));
        auto* write = window.findChild<QPushButton*>(QStringLiteral("id1135"));
        auto* edit = window.findChild<QPushButton*>(QStringLiteral("id1010"));
        QCOMPARE(read->y(), write->y());
        QCOMPARE(read->x(), edit->x());
        QVERIFY(edit->y() > read->geometry().bottom());
        QVERIFY(write->x() > read->geometry().right());
    }

    void errorNoticeShowsItsMessageWithAWarningIcon() {
        app::CErrorNoticeDlg notice;
        QCOMPARE(notice.windowTitle(), QStringLiteral(u"エラー"));
        notice.setMessage(QStringLiteral(u"重複しています"));
        notice.show();
        auto* text = notice.findChild<QLabel*>(QStringLiteral("id2568"));
        QCOMPARE(text->text(), QStringLiteral(u"重複しています"));
        QVERIFY(text->alignment() & Qt::AlignHCenter);
        auto* icon = notice.findChild<QLabel*>(QStringLiteral("icon"));
        QVERIFY(!icon->pixmap().isNull());
        auto* ok = notice.findChild<QPushButton*>(QStringLiteral("id1"));
        QCOMPARE(ok->text(), QStringLiteral("OK"));
        QVERIFY(ok->isDefault());
        QTest::keyClick(&notice, Qt::Key_Return);
        QVERIFY(!notice.isVisible());
        QCOMPARE(notice.result(), int(QDialog::Accepted));
    }
};

int runLayoutTests(int argc, char** argv) {
    LayoutTest test;
    return QTest::qExec(&test, argc, argv);
}

} // namespace rk::apptest

#include "layout_test.moc"
