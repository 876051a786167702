// Takes the README's pictures of the windows behind the "ツール(T)" menu: the main window with the
// menu open, the history window, the compare window before a write, the load report's window and
// the contact import window. The data is made up here: two snapshots of a sample main unit, a
// sample phonebook file damaged as a spreadsheet damages one, a sample address book.
//
//   xvfb-run -s "-screen 0 1280x1024x24" build/dev/tools/app-screenshots/rkdial-app-screenshots docs
#include "app/compare_dlg.h"
#include "app/history_dlg.h"
#include "app/import_dlg.h"
#include "app/load_result_dlg.h"
#include "app/main_menu_dlg.h"
#include "app/speed_dial_app.h"
#include "app/tools_menu.h"
#include "history/safeguards.h"
#include "history/snapshot_store.h"
#include "image/data_image.h"
#include "phonebook/load_report.h"
#include "phonebook/phonebook.h"
#include "phonebook/phonebook_file.h"
#include "platform/text.h"
#include "platform/ui.h"

#include <QApplication>
#include <QListWidget>
#include <QMenu>
#include <QMenuBar>
#include <QPixmap>
#include <QScreen>
#include <QSettings>
#include <QTemporaryDir>
#include <QTreeWidget>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <ctime>
#include <filesystem>
#include <string>

namespace {

using namespace rk;

struct Entry {
    int memory;
    const char* number;
    const char* kana;
    const char* kanji;
    char group;
};

void store(Workspace& workspace, const Entry& entry) {
    auto text = phonebook::EntryText::make(entry.number, text::toCp932(entry.kana),
                                           text::toCp932(entry.kanji), entry.group);
    static_cast<void>(phonebook::storeSystemEntry(workspace, entry.memory, text));
}

void storeMine(Workspace& workspace, int position, int memory, const char* number, const char* kana,
               const char* kanji) {
    auto text = phonebook::EntryText::make(number, text::toCp932(kana), text::toCp932(kanji));
    static_cast<void>(phonebook::storeTelephoneEntry(workspace, position, memory, text));
}

// The phonebook as the main unit held it at the last read.
void fillAsRead(Workspace& workspace) {
    const Entry entries[] = {
        {0, "0312345678", "ﾔﾏﾀﾞｼｮｳｼﾞ", "山田商事", '1'},
        {1, "0452223333", "ﾖｺﾊﾏｼﾃﾝ", "横浜支店", '1'},
        {2, "0120123456", "ﾎｼｭﾏﾄﾞｸﾞﾁ", "保守窓口", '3'},
        {3, "0663334444", "ｵｵｻｶｴｲｷﾞｮｳｼｮ", "大阪営業所", '1'},
        {5, "09011112222", "ｽｽﾞｷ", "鈴木", '2'},
        {6, "0425556666", "ﾀﾅｶｺｳﾑﾃﾝ", "田中工務店", '4'},
        {7, "0337778888", "ｻﾄｳｾｲｻｸｼｮ", "佐藤製作所", '4'},
    };
    for (const Entry& entry : entries) store(workspace, entry);
    storeMine(workspace, 101, 980, "200", "ﾅｲｾﾝｿｳﾑ", "総務");
    storeMine(workspace, 102, 980, "08012345678", "ｲｼｲ", "石井");
}

// What the operator made of it since.
void edit(Workspace& workspace) {
    store(workspace, {1, "0452223344", "ﾖｺﾊﾏｼﾃﾝ", "横浜支店", '1'});
    store(workspace, {2, "0120123456", "ﾎｼｭｳｹﾂｹ", "保守受付", '3'});
    phonebook::EntryText empty;
    static_cast<void>(phonebook::storeSystemEntry(workspace, 5, empty));
    store(workspace, {10, "0298889999", "ﾂｸﾊﾞｹﾝｷｭｳｼﾞｮ", "つくば研究所", '5'});
    storeMine(workspace, 101, 981, "201", "ﾅｲｾﾝｹｲﾘ", "経理");
}

phonebook::TransferRecord recordOf(Workspace& workspace, phonebook::TransferDirection direction) {
    phonebook::TransferRecord record;
    record.host = "192.168.1.10";
    record.direction = direction;
    record.memoryMode = 1;
    record.firmwareVersion = "5.01";
    const auto header = workspace.fileHeaderLine().formatNow();
    record.commonFile = phonebook::formatPhonebookFile(workspace, phonebook::kCommonPhonebookFile, header, 1);
    record.myFile = phonebook::formatPhonebookFile(workspace, phonebook::kMyPhonebookFile, header, 0);
    return record;
}

std::chrono::system_clock::time_point localTime(int month, int day, int hour, int minute) {
    std::tm time{};
    time.tm_year = 2024 - 1900;
    time.tm_mon = month - 1;
    time.tm_mday = day;
    time.tm_hour = hour;
    time.tm_min = minute;
    time.tm_isdst = -1;
    return std::chrono::system_clock::from_time_t(std::mktime(&time));
}

void keepSnapshots(const std::filesystem::path& root) {
    const history::SnapshotStore snapshots(root);
    history::Snapshot kept;
    std::string problem;
    Workspace workspace;
    fillAsRead(workspace);
    static_cast<void>(snapshots.keep(recordOf(workspace, phonebook::TransferDirection::Read),
                                     localTime(2, 26, 10, 12), kept, problem));
    static_cast<void>(snapshots.keep(recordOf(workspace, phonebook::TransferDirection::Write),
                                     localTime(2, 26, 10, 40), kept, problem));
    static_cast<void>(snapshots.keep(recordOf(workspace, phonebook::TransferDirection::Read),
                                     localTime(3, 5, 16, 9), kept, problem));
    Workspace other;
    store(other, {0, "0311112222", "ﾎﾝｼｬ", "本社", '1'});
    auto record = recordOf(other, phonebook::TransferDirection::Read);
    record.host = "pbx-osaka";
    static_cast<void>(snapshots.keep(record, localTime(1, 15, 9, 30), kept, problem));
}

bool save(const QPixmap& picture, const std::filesystem::path& path) {
    const bool saved = picture.save(QString::fromStdString(path.string()), "PNG");
    std::fprintf(stderr, "%s %s\n", saved ? "wrote" : "could not write", path.c_str());
    return saved;
}

void settle() {
    for (int i = 0; i < 20; ++i) QApplication::processEvents();
}

} // namespace

int main(int argc, char** argv) {
    QApplication application(argc, argv);
    if (argc != 2) {
        std::fputs("usage: rkdial-app-screenshots FOLDER\n", stderr);
        return 2;
    }
    const std::filesystem::path out = argv[1];
    QTemporaryDir scratch;
    // The sample history, and settings that are not the operator's.
    const std::filesystem::path history = std::filesystem::path(scratch.path().toStdString()) / "history";
    keepSnapshots(history);
    QSettings::setPath(QSettings::NativeFormat, QSettings::UserScope, scratch.path());

    platform::SilentUi ui;
    app::CSpeedDialApp speedDial(ui);
    Workspace& workspace = speedDial.workspace();
    fillAsRead(workspace);
    edit(workspace);
    bool saved = true;

    {
        app::CMainMenuDlg window(speedDial);
        window.move(40, 40);
        window.show();
        settle();
        QMenu* menu = window.tools().menu();
        window.tools().bar()->setActiveAction(menu->menuAction());
        settle();
        const QRect area = window.frameGeometry().united(menu->geometry()).adjusted(-8, -8, 8, 8);
        saved = save(QApplication::primaryScreen()->grabWindow(0, area.x(), area.y(), area.width(),
                                                               area.height()),
                     out / "desktop-tools-menu.png") &&
                saved;
        menu->close();
    }
    {
        app::CHistoryDlg window(workspace, speedDial.seam(), history);
        window.show();
        auto* list = window.findChild<QTreeWidget*>(QStringLiteral("snapshots"));
        list->topLevelItem(0)->setSelected(true);
        settle();
        saved = save(window.grab(), out / "desktop-history.png") && saved;
    }
    {
        const history::WritePlan plan =
            history::planWrite(history::SnapshotStore(history), "192.168.1.10", workspace, 600);
        app::CCompareDlg window(plan.changes, app::CCompareDlg::readHeading(plan.read.info.time),
                                app::CCompareDlg::Purpose::BeforeWrite);
        window.show();
        settle();
        saved = save(window.grab(), out / "desktop-compare-before-write.png") && saved;
    }
    {
        // The read's common phonebook, opened and saved by a spreadsheet: zeros lost, two rows
        // deleted and the memory column filled down again.
        Workspace reference;
        fillAsRead(reference);
        std::string file = phonebook::formatPhonebookFile(reference, phonebook::kCommonPhonebookFile,
                                                          reference.fileHeaderLine().formatNow(), 0);
        const auto replace = [&file](const std::string& from, const std::string& to) {
            const std::size_t at = file.find(from);
            if (at != std::string::npos) file.replace(at, from.size(), to);
        };
        replace("000,0312345678", "0,312345678");
        replace(text::toCp932("ﾖｺﾊﾏｼﾃﾝ"), text::toCp932("ヨコハマシテン"));
        replace("001,0452223333", "001,4.52223E+09");
        // Rows 002 and 003 deleted, the memory column filled down again.
        std::string filled;
        int row = -2; // the header line and the column header come first
        int memory = 0;
        for (std::size_t at = 0; at < file.size(); ++row) {
            const std::size_t end = std::min(file.find("\r\n", at), file.size());
            std::string line = file.substr(at, end - at);
            at = end + 2;
            if (row == 2 || row == 3) continue;
            if (row >= 0) {
                char digits[16];
                std::snprintf(digits, sizeof digits, "%03d", memory++);
                line.replace(0, line.find(','), digits);
            }
            filled += line + "\r\n";
        }
        file = filled;
        Workspace loaded;
        loaded.image().workingCopy = reference.image().workingCopy;
        phonebook::LoadReport report(loaded, phonebook::kCommonPhonebookFile);
        phonebook::parsePhonebookFile(loaded, phonebook::kCommonPhonebookFile, file, 0, &report);
        report.finish();
        report.compareWith(reference);
        app::CLoadResultDlg window(report.findings(), report.summary(), speedDial.seam());
        window.show();
        settle();
        saved = save(window.grab(), out / "desktop-load-result.png") && saved;
    }
    {
        // A customer's address book from a phone: readings made for two names, one number abroad,
        // one that is no number, one already in the book.
        const std::string contacts =
            "BEGIN:VCARD\r\nVERSION:3.0\r\nN:高橋;誠;;;\r\nTEL;TYPE=CELL:090-2222-3333\r\n"
            "END:VCARD\r\nBEGIN:VCARD\r\nVERSION:3.0\r\nN:渡辺;美咲;;;\r\n"
            "X-PHONETIC-LAST-NAME:わたなべ\r\nX-PHONETIC-FIRST-NAME:みさき\r\n"
            "TEL;TYPE=WORK:+81 3-5555-1234\r\nEND:VCARD\r\nBEGIN:VCARD\r\nVERSION:3.0\r\n"
            "FN:株式会社青空商事\r\nORG:株式会社青空商事\r\nTEL;TYPE=WORK:(045)222-3344\r\n"
            "END:VCARD\r\nBEGIN:VCARD\r\nVERSION:3.0\r\nN:Smith;John;;;\r\n"
            "TEL;TYPE=WORK:+44 20 7946 0958\r\nEND:VCARD\r\nBEGIN:VCARD\r\nVERSION:3.0\r\n"
            "N:山田;商事;;;\r\nTEL;TYPE=WORK:03-1234-5678\r\nEND:VCARD\r\n"
            "BEGIN:VCARD\r\nVERSION:3.0\r\nN:中村;;;;\r\nTEL;TYPE=HOME:1234-5678\r\n"
            "END:VCARD\r\n";
        contacts::ReadingMaker maker;
        app::CImportDlg window(workspace, speedDial.seam(), {{"customers.vcf", contacts}}, maker);
        window.show();
        settle();
        saved = save(window.grab(), out / "desktop-contact-import.png") && saved;
    }
    return saved ? 0 : 1;
}
