#include "app/import_dlg.h"

#include "app/compare_dlg.h"
#include "app/dialog_layout.h"
#include "app/gui_edit_lock.h"
#include "history/safeguards.h"
#include "phonebook/phonebook.h"
#include "platform/text.h"

#include <QAbstractTableModel>
#include <QCheckBox>
#include <QColor>
#include <QComboBox>
#include <QFileDialog>
#include <QFontMetrics>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSpinBox>
#include <QTableView>
#include <QVBoxLayout>

#include <functional>
#include <optional>

namespace rk::app {
namespace {

QString utf8(std::string_view text) {
    return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
}

QString fromCp932(const std::string& bytes) {
    return utf8(text::cp932ToUtf8(bytes));
}

std::string cp932(const QString& text) {
    return text::toCp932(text.toStdString());
}

bool taken(contacts::ImportStatus status) {
    return status == contacts::ImportStatus::Stored || status == contacts::ImportStatus::Updated;
}

} // namespace

// The plan's rows as the table shows them. An edit goes to the window, which takes it by the
// import's rules; the number is edited as the contact gives it, and shown as it is dialled.
class ImportTableModel : public QAbstractTableModel {
public:
    using Edit = std::function<void(int row, contacts::RowField field, const QString& text)>;

    ImportTableModel(const contacts::ImportPlan& plan, Edit edit, QObject* parent)
        : QAbstractTableModel(parent), plan_(plan), edit_(std::move(edit)) {}

    int rowCount(const QModelIndex& parent = {}) const override {
        return parent.isValid() ? 0 : static_cast<int>(plan_.rows.size());
    }
    int columnCount(const QModelIndex& parent = {}) const override { return parent.isValid() ? 0 : 6; }

    Qt::ItemFlags flags(const QModelIndex& index) const override {
        Qt::ItemFlags flags = QAbstractTableModel::flags(index);
        if (fieldOf(index.column())) flags |= Qt::ItemIsEditable;
        return flags;
    }

    QVariant data(const QModelIndex& index, int role) const override {
        if (!index.isValid() || index.row() >= rowCount()) return {};
        const contacts::ImportRow& row = plan_.rows[static_cast<std::size_t>(index.row())];
        switch (role) {
        case Qt::DisplayRole:
            return shown(row, index.column());
        case Qt::EditRole:
            return index.column() == CImportDlg::NumberColumn ? utf8(row.given) : shown(row, index.column());
        case Qt::ToolTipRole: {
            QString tip = utf8(row.source) + QLatin1Char(':') + QString::number(row.record);
            for (const std::string& change : row.changes) tip += QLatin1Char('\n') + utf8(change);
            return tip;
        }
        case Qt::ForegroundRole:
            if (!taken(row.status)) return QColor(0x80, 0x80, 0x80);
            return {};
        case Qt::BackgroundRole:
            // What the operator should look at: made readings, and what is not stored.
            if (index.column() == CImportDlg::StatusColumn && !taken(row.status))
                return QColor(0xF8, 0xD0, 0xD0);
            if (index.column() == CImportDlg::KanaSourceColumn &&
                row.kanaSource == contacts::KanaSource::Made)
                return QColor(0xFF, 0xF0, 0xB0);
            return {};
        default:
            return {};
        }
    }

    bool setData(const QModelIndex& index, const QVariant& value, int role) override {
        const std::optional<contacts::RowField> field = fieldOf(index.column());
        if (role != Qt::EditRole || !field || index.row() >= rowCount()) return false;
        // A delegate commits the text it opened with as well: that is no edit.
        if (value.toString() == data(index, Qt::EditRole).toString()) return false;
        edit_(index.row(), *field, value.toString());
        return true;
    }

    QVariant headerData(int section, Qt::Orientation orientation, int role) const override {
        static const char16_t* const labels[] = {u"短縮番号", u"漢字名称", u"カナ名称",
                                                 u"読み",     u"電話番号", u"状態"};
        if (orientation != Qt::Horizontal || role != Qt::DisplayRole || section < 0 || section >= 6)
            return {};
        return QString::fromUtf16(labels[section]);
    }

    // Every row's texts may have changed: an edit places every row again.
    void refresh() {
        if (rowCount() > 0) emit dataChanged(index(0, 0), index(rowCount() - 1, columnCount() - 1));
    }

private:
    static std::optional<contacts::RowField> fieldOf(int column) {
        switch (column) {
        case CImportDlg::KanjiColumn:
            return contacts::RowField::Kanji;
        case CImportDlg::KanaColumn:
            return contacts::RowField::Kana;
        case CImportDlg::NumberColumn:
            return contacts::RowField::Number;
        default:
            return std::nullopt;
        }
    }

    QString shown(const contacts::ImportRow& row, int column) const {
        switch (column) {
        case CImportDlg::MemoryColumn:
            return utf8(contacts::memoryLabel(plan_, row));
        case CImportDlg::KanjiColumn:
            return fromCp932(row.kanji);
        case CImportDlg::KanaColumn:
            return fromCp932(row.kana);
        case CImportDlg::KanaSourceColumn:
            return utf8(contacts::kanaSourceLabel(row.kanaSource));
        case CImportDlg::NumberColumn:
            return fromCp932(row.number);
        case CImportDlg::StatusColumn:
            return utf8(contacts::statusLabel(row.status));
        default:
            return {};
        }
    }

    const contacts::ImportPlan& plan_;
    Edit edit_;
};

CImportDlg::CImportDlg(Workspace& workspace, const platform::Seam& seam,
                       const std::vector<contacts::ContactSource>& sources, contacts::ReadingMaker& maker,
                       contacts::ColumnMap map, QWidget* parent)
    : QDialog(parent), workspace_(workspace), seam_(seam) {
    options_.map = std::move(map);
    // The readings are made without the lock: browser requests go on meanwhile.
    {
        const platform::WaitCursor waiting(seam_.ui);
        plan_ = contacts::readImport(sources, options_, maker);
    }
    createControls();
    placeAgain();
}

CImportDlg::~CImportDlg() = default;

platform::Owner CImportDlg::owner() {
    return {this, "CImportDlg"};
}

void CImportDlg::createControls() {
    setWindowTitle(QStringLiteral(u"連絡先の取込"));
    setFont(dialogFont());
    setWindowFlags(Qt::Dialog | Qt::WindowTitleHint | Qt::WindowSystemMenuHint | Qt::WindowCloseButtonHint);
    setSizeGripEnabled(true);
    auto* layout = new QVBoxLayout(this);

    auto* options = new QGridLayout;
    const auto label = [this](const char16_t* text, QWidget* buddy) {
        auto* shown = new QLabel(QString::fromUtf16(text), this);
        shown->setBuddy(buddy);
        return shown;
    };
    kind_ = new QComboBox(this);
    kind_->setObjectName(QStringLiteral("kind"));
    kind_->addItem(QStringLiteral(u"共通電話帳"));
    kind_->addItem(QStringLiteral(u"マイ電話帳"));
    position_ = new QSpinBox(this);
    position_->setObjectName(QStringLiteral("position"));
    position_->setRange(101, 200);
    position_->setEnabled(false);
    group_ = new QSpinBox(this);
    group_->setObjectName(QStringLiteral("group"));
    group_->setRange(0, 7);
    group_->setValue(contacts::kDefaultGroup);
    group_->setToolTip(QStringLiteral(u"連絡先にグループがないときのグループ番号"));
    mode_ = new QComboBox(this);
    mode_->setObjectName(QStringLiteral("mode"));
    mode_->addItem(QStringLiteral(u"空きメモリーに追加"));
    mode_->addItem(QStringLiteral(u"同じ番号は更新、他は追加"));
    mode_->addItem(QStringLiteral(u"電話帳を置き換え"));
    from_ = new QComboBox(this);
    from_->setObjectName(QStringLiteral("from"));
    sort_ = new QCheckBox(QStringLiteral(u"カナ名称順に並べる(&S)"), this);
    sort_->setObjectName(QStringLiteral("sort"));
    options->addWidget(label(u"電話帳(&B):", kind_), 0, 0);
    options->addWidget(kind_, 0, 1);
    options->addWidget(label(u"収容位置(&P):", position_), 0, 2);
    options->addWidget(position_, 0, 3);
    options->addWidget(label(u"グループ番号(&G):", group_), 0, 4);
    options->addWidget(group_, 0, 5);
    options->addWidget(label(u"取込方法(&M):", mode_), 1, 0);
    options->addWidget(mode_, 1, 1);
    options->addWidget(label(u"開始メモリー(&F):", from_), 1, 2);
    options->addWidget(from_, 1, 3);
    options->addWidget(sort_, 1, 4, 1, 2);
    options->setColumnStretch(6, 1);
    layout->addLayout(options);

    summary_ = new QLabel(this);
    summary_->setObjectName(QStringLiteral("summary"));
    summary_->setTextFormat(Qt::PlainText);
    layout->addWidget(summary_);
    problem_ = new QLabel(this);
    problem_->setObjectName(QStringLiteral("problem"));
    problem_->setTextFormat(Qt::PlainText);
    problem_->setStyleSheet(QStringLiteral("color: #b00000"));
    problem_->hide();
    layout->addWidget(problem_);

    model_ = new ImportTableModel(
        plan_, [this](int row, contacts::RowField field, const QString& text) { editRow(row, field, text); },
        this);
    table_ = new QTableView(this);
    table_->setObjectName(QStringLiteral("contacts"));
    table_->setModel(model_);
    table_->setEditTriggers(QAbstractItemView::DoubleClicked | QAbstractItemView::EditKeyPressed |
                            QAbstractItemView::AnyKeyPressed);
    table_->verticalHeader()->hide();
    const QFontMetrics metrics(font());
    table_->verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
    table_->verticalHeader()->setDefaultSectionSize(metrics.height() + 10);
    const int characters[] = {6, 14, 16, 4, 16, 6};
    for (int column = 0; column < 6; ++column)
        table_->setColumnWidth(column, metrics.horizontalAdvance(QLatin1Char('M')) * characters[column] + 8);
    table_->horizontalHeader()->setStretchLastSection(true);
    layout->addWidget(table_, 1);

    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    reflect_ = new QPushButton(QStringLiteral(u"電話帳へ反映"), this);
    reflect_->setObjectName(QStringLiteral("reflect"));
    auto* close = new QPushButton(QStringLiteral(u"閉じる"), this);
    close->setObjectName(QStringLiteral("close"));
    buttons->addWidget(reflect_);
    buttons->addWidget(close);
    layout->addLayout(buttons);
    // Enter in the table commits an edit; it must not reflect the import.
    reflect_->setAutoDefault(false);
    close->setAutoDefault(false);

    connect(reflect_, &QPushButton::clicked, this, &CImportDlg::onReflect);
    connect(close, &QPushButton::clicked, this, &QDialog::reject);
    connect(kind_, &QComboBox::currentIndexChanged, this, &CImportDlg::onOptionChanged);
    connect(position_, &QSpinBox::valueChanged, this, &CImportDlg::onOptionChanged);
    connect(group_, &QSpinBox::valueChanged, this, &CImportDlg::onOptionChanged);
    connect(mode_, &QComboBox::currentIndexChanged, this, &CImportDlg::onOptionChanged);
    connect(from_, &QComboBox::currentIndexChanged, this, &CImportDlg::onOptionChanged);
    connect(sort_, &QCheckBox::toggled, this, &CImportDlg::onOptionChanged);
    resize(metrics.horizontalAdvance(QLatin1Char('M')) * 76, metrics.height() * 30);
}

void CImportDlg::onOptionChanged() {
    const bool my = kind_->currentIndex() == 1;
    const bool kindChanged = (options_.kind == contacts::BookKind::My) != my;
    options_.kind = my ? contacts::BookKind::My : contacts::BookKind::Common;
    options_.position = my ? position_->value() : 0;
    options_.group = group_->value();
    options_.mode = static_cast<contacts::PlacementMode>(mode_->currentIndex());
    options_.from = kindChanged || from_->currentIndex() <= 0
                        ? std::nullopt
                        : std::optional<int>(from_->currentData().toInt());
    options_.sortByReading = sort_->isChecked();
    position_->setEnabled(my);
    group_->setEnabled(!my);
    placeAgain();
}

void CImportDlg::placeAgain() {
    int memoryMode = 1;
    std::string problem;
    guiRunner(workspace_, this)([&] {
        memoryMode = phonebook::memoryMode(workspace_);
        problem = contacts::checkOptions(options_, memoryMode);
        if (problem.empty()) contacts::placeImport(plan_, workspace_, options_);
        return 0;
    });
    // The first memories offered are the target book's, in the count in force.
    if (from_->count() == 0 || from_->property("kind").toInt() != static_cast<int>(options_.kind) ||
        from_->property("mode").toInt() != memoryMode) {
        const QSignalBlocker quiet(from_);
        from_->clear();
        from_->addItem(QStringLiteral(u"先頭"), -1);
        for (const int memory : contacts::bookMemories(options_.kind, memoryMode))
            from_->addItem(QStringLiteral("%1").arg(memory, 3, 10, QLatin1Char('0')), memory);
        from_->setProperty("kind", static_cast<int>(options_.kind));
        from_->setProperty("mode", memoryMode);
        const int chosen = options_.from ? from_->findData(*options_.from) : 0;
        from_->setCurrentIndex(chosen < 0 ? 0 : chosen);
    }
    problem_->setText(utf8(problem));
    problem_->setVisible(!problem.empty());
    reflect_->setEnabled(problem.empty());
    showPlan();
}

void CImportDlg::editRow(int row, contacts::RowField field, const QString& text) {
    guiRunner(workspace_, this)([&] {
        contacts::editImportRow(plan_, static_cast<std::size_t>(row), field, text.toStdString(), workspace_,
                                options_);
        return 0;
    });
    showPlan();
}

void CImportDlg::showPlan() {
    const contacts::ImportSummary summary = contacts::summarize(plan_);
    summary_->setText(QStringLiteral(u"連絡先 %1件: 登録 %2・更新 %3・重複 %4・空きなし %5・番号不正 %6・"
                                     u"番号なし %7 / 作成した読み %8")
                          .arg(summary.contacts)
                          .arg(summary.stored)
                          .arg(summary.updated)
                          .arg(summary.duplicate)
                          .arg(summary.overCapacity)
                          .arg(summary.invalidNumber)
                          .arg(summary.noNumber)
                          .arg(summary.readingsMade));
    model_->refresh();
    showReadingChoices();
}

void CImportDlg::showReadingChoices() {
    // One combo box in the reading's cell of every row whose reading was made: its candidates to
    // choose from, or a reading of the operator's own to type.
    for (std::size_t index = 0; index < plan_.rows.size(); ++index) {
        const contacts::ImportRow& row = plan_.rows[index];
        if (row.kanaCandidates.empty()) continue;
        const int rowNumber = static_cast<int>(index);
        const QModelIndex cell = model_->index(rowNumber, KanaColumn);
        auto* choices = qobject_cast<QComboBox*>(table_->indexWidget(cell));
        if (choices == nullptr) {
            choices = new QComboBox;
            choices->setObjectName(QStringLiteral("reading%1").arg(rowNumber));
            choices->setEditable(true);
            choices->setInsertPolicy(QComboBox::NoInsert);
            for (const std::string& candidate : row.kanaCandidates) choices->addItem(fromCp932(candidate));
            table_->setIndexWidget(cell, choices);
            // A candidate chosen from the list, or a reading typed and ended with Enter or by
            // leaving the box.
            const auto take = [this, rowNumber, choices] {
                const QString text = choices->currentText();
                if (cp932(text) != plan_.rows[static_cast<std::size_t>(rowNumber)].kana)
                    editRow(rowNumber, contacts::RowField::Kana, text);
            };
            connect(choices, &QComboBox::textActivated, this, take);
            connect(choices->lineEdit(), &QLineEdit::editingFinished, this, take);
        }
        const QSignalBlocker quiet(choices);
        const QString kana = fromCp932(row.kana);
        const int found = choices->findText(kana);
        if (found >= 0)
            choices->setCurrentIndex(found);
        else
            choices->setEditText(kana);
    }
}

void CImportDlg::onReflect() {
    history::PhonebookDiff changes;
    guiRunner(workspace_, this)([&] {
        // Placed once more under the lock: the book may have changed since the window showed it.
        contacts::placeImport(plan_, workspace_, options_);
        const int memoryCount = history::memoryCountOf(workspace_);
        const history::PhonebookSide before = history::workingCopySide(workspace_, memoryCount);
        contacts::storeImport(workspace_, plan_);
        changes = history::comparePhonebooks(before, history::workingCopySide(workspace_, memoryCount),
                                             memoryCount);
        return 0;
    });
    showPlan();
    CCompareDlg window(std::move(changes), QStringLiteral(u"連絡先の取込で変わった内容"),
                       CCompareDlg::Purpose::Show, this);
    window.exec();
    // Stored once: a second press would append the same contacts as duplicates.
    accept();
}

// A spreadsheet's columns for the fields of a contact, as `--map` names them: one map for every
// spreadsheet of the import. nullopt: cancelled.
std::optional<contacts::ColumnMap> askColumnMap(QWidget& parent, const std::vector<std::string>& columns,
                                                const QString& file) {
    QDialog dialog(&parent);
    dialog.setWindowTitle(QStringLiteral(u"列の割り当て"));
    dialog.setFont(dialogFont());
    auto* layout = new QGridLayout(&dialog);
    auto* heading = new QLabel(QStringLiteral(u"%1 の列を選んでください。").arg(file), &dialog);
    heading->setTextFormat(Qt::PlainText);
    layout->addWidget(heading, 0, 0, 1, 2);
    struct Field {
        const char* name;
        const char16_t* label;
        std::string contacts::ColumnMap::*target;
    };
    const Field fields[] = {{"mapName", u"名前(&N):", &contacts::ColumnMap::name},
                            {"mapReading", u"読み(&R):", &contacts::ColumnMap::reading},
                            {"mapNumber", u"電話番号(&T):", &contacts::ColumnMap::number},
                            {"mapGroup", u"グループ番号(&G):", &contacts::ColumnMap::group},
                            {"mapCompany", u"会社名(&C):", &contacts::ColumnMap::company}};
    std::vector<QComboBox*> choices;
    for (const Field& field : fields) {
        auto* choice = new QComboBox(&dialog);
        choice->setObjectName(QString::fromLatin1(field.name));
        choice->addItem(QStringLiteral(u"（なし）"));
        for (const std::string& column : columns) choice->addItem(utf8(column));
        auto* label = new QLabel(QString::fromUtf16(field.label), &dialog);
        label->setBuddy(choice);
        const int row = static_cast<int>(choices.size()) + 1;
        layout->addWidget(label, row, 0);
        layout->addWidget(choice, row, 1);
        choices.push_back(choice);
    }
    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    auto* ok = new QPushButton(QStringLiteral("OK"), &dialog);
    ok->setObjectName(QStringLiteral("ok"));
    auto* cancel = new QPushButton(QStringLiteral(u"キャンセル"), &dialog);
    buttons->addWidget(ok);
    buttons->addWidget(cancel);
    layout->addLayout(buttons, static_cast<int>(choices.size()) + 1, 0, 1, 2);
    QObject::connect(ok, &QPushButton::clicked, &dialog, &QDialog::accept);
    QObject::connect(cancel, &QPushButton::clicked, &dialog, &QDialog::reject);
    // What a map needs: a name or a company, and a number.
    const auto check = [&choices, ok] {
        ok->setEnabled((choices[0]->currentIndex() > 0 || choices[4]->currentIndex() > 0) &&
                       choices[2]->currentIndex() > 0);
    };
    for (QComboBox* choice : choices)
        QObject::connect(choice, &QComboBox::currentIndexChanged, &dialog, check);
    check();
    if (dialog.exec() != QDialog::Accepted) return std::nullopt;
    contacts::ColumnMap map;
    for (std::size_t index = 0; index < choices.size(); ++index)
        if (choices[index]->currentIndex() > 0)
            map.*fields[index].target = columns[static_cast<std::size_t>(choices[index]->currentIndex() - 1)];
    return map;
}

void openContactImport(QWidget& parent, Workspace& workspace, const platform::Seam& seam) {
    QFileDialog dialog(&parent);
    dialog.setOption(QFileDialog::DontUseNativeDialog);
    dialog.setFont(dialogFont());
    dialog.setWindowTitle(QStringLiteral(u"連絡先ファイルの選択"));
    dialog.setAcceptMode(QFileDialog::AcceptOpen);
    dialog.setFileMode(QFileDialog::ExistingFiles);
    dialog.setNameFilters({QStringLiteral(u"連絡先ファイル (*.vcf *.csv *.tsv *.txt *.rkdat)"),
                           QStringLiteral(u"すべてのファイル (*)")});
    dialog.setLabelText(QFileDialog::LookIn, QStringLiteral(u"ファイルの場所:"));
    dialog.setLabelText(QFileDialog::FileName, QStringLiteral(u"ファイル名(&N):"));
    dialog.setLabelText(QFileDialog::FileType, QStringLiteral(u"ファイルの種類:"));
    dialog.setLabelText(QFileDialog::Accept, QStringLiteral(u"開く(&O)"));
    dialog.setLabelText(QFileDialog::Reject, QStringLiteral(u"キャンセル"));
    if (dialog.exec() != QDialog::Accepted) return;

    const platform::Owner owner{&parent, "CMainMenuDlg"};
    std::vector<contacts::ContactSource> sources;
    QStringList unread;
    for (const QString& file : dialog.selectedFiles()) {
        std::optional<contacts::ContactSource> source = contacts::loadContactSource(file.toStdString());
        if (source)
            sources.push_back(std::move(*source));
        else
            unread << file;
    }
    // A spreadsheet says nothing of its columns: the operator names them once.
    contacts::ColumnMap map;
    for (const contacts::ContactSource& source : sources) {
        const std::vector<std::string> columns = contacts::spreadsheetColumns(source);
        if (columns.empty()) continue;
        std::optional<contacts::ColumnMap> chosen = askColumnMap(parent, columns, utf8(source.name));
        if (!chosen) return;
        map = std::move(*chosen);
        break;
    }
    // Lists whose format is not known are told too: nothing of them is taken.
    for (auto source = sources.begin(); source != sources.end();) {
        const contacts::SourceContacts read = contacts::readContactSource(*source, map);
        if (read.problem.empty()) {
            ++source;
            continue;
        }
        unread << utf8(source->name) + QStringLiteral(u"（") + utf8(read.problem) + QStringLiteral(u"）");
        source = sources.erase(source);
    }
    if (!unread.isEmpty())
        platform::showError(seam.ui, owner,
                            cp932(QStringLiteral(u"\n次のファイルは連絡先として読み込めません。\n%1\n")
                                      .arg(unread.join(QLatin1Char('\n')))));
    if (sources.empty()) return;

    contacts::ReadingMaker maker;
    CImportDlg window(workspace, seam, sources, maker, std::move(map), &parent);
    window.exec();
}

} // namespace rk::app
