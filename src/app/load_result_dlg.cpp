#include "app/load_result_dlg.h"

#include "app/dialog_layout.h"
#include "phonebook/load_report_table.h"
#include "platform/file_writer.h"
#include "platform/text.h"

#include <QAbstractTableModel>
#include <QFile>
#include <QFileDialog>
#include <QFontMetrics>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QPushButton>
#include <QSortFilterProxyModel>
#include <QTableView>
#include <QVBoxLayout>

namespace rk::app {
namespace {

QString utf8(std::string_view text) {
    return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
}

// The findings as rows; the sort role gives lines and memories in their numeric order.
class FindingModel : public QAbstractTableModel {
public:
    FindingModel(const std::vector<phonebook::LoadFinding>& findings, QObject* parent)
        : QAbstractTableModel(parent), findings_(findings) {}

    int rowCount(const QModelIndex& parent = {}) const override {
        return parent.isValid() ? 0 : static_cast<int>(findings_.size());
    }
    int columnCount(const QModelIndex& parent = {}) const override {
        return parent.isValid() ? 0 : static_cast<int>(phonebook::findingColumnLabels().size());
    }

    QVariant data(const QModelIndex& index, int role) const override {
        if (!index.isValid() || index.row() >= rowCount()) return {};
        const phonebook::LoadFinding& finding = findings_[static_cast<std::size_t>(index.row())];
        if (role == Qt::BackgroundRole && finding.action == phonebook::FindingAction::Suspect)
            return QColor(0xFF, 0xDC, 0x96); // what needs a look stands out
        if (role == Qt::UserRole) {
            if (index.column() == 0) return finding.line == 0 ? INT_MAX : finding.line;
            if (index.column() == 1) return finding.position * 1000 + finding.memory;
            return data(index, Qt::DisplayRole);
        }
        if (role != Qt::DisplayRole) return {};
        switch (index.column()) {
        case 0:
            return finding.line > 0 ? QString::number(finding.line) : QString();
        case 1:
            return utf8(phonebook::memoryLabel(finding));
        case 2:
            return utf8(phonebook::fieldLabel(finding.field));
        case 3:
            return utf8(finding.value);
        case 4:
            return utf8(finding.stored);
        case 5:
            return utf8(phonebook::actionLabel(finding.action));
        case 6:
            return utf8(finding.reason);
        default:
            break;
        }
        return {};
    }

    QVariant headerData(int section, Qt::Orientation orientation, int role) const override {
        const std::vector<std::string_view> labels = phonebook::findingColumnLabels();
        if (orientation != Qt::Horizontal || role != Qt::DisplayRole || section < 0 ||
            section >= static_cast<int>(labels.size()))
            return {};
        return utf8(labels[static_cast<std::size_t>(section)]);
    }

private:
    const std::vector<phonebook::LoadFinding>& findings_;
};

} // namespace

CLoadResultDlg::CLoadResultDlg(std::vector<phonebook::LoadFinding> findings,
                               const phonebook::LoadSummary& summary, const platform::Seam& seam,
                               QWidget* parent)
    : QDialog(parent), findings_(std::move(findings)), seam_(seam) {
    setWindowTitle(QStringLiteral(u"読込結果"));
    setFont(dialogFont());
    setWindowFlags(Qt::Dialog | Qt::WindowTitleHint | Qt::WindowSystemMenuHint | Qt::WindowCloseButtonHint);
    setSizeGripEnabled(true);
    const QFontMetrics metrics(font());
    const int em = metrics.horizontalAdvance(QLatin1Char('M'));

    auto* layout = new QVBoxLayout(this);
    auto* summaryLine = new QLabel(utf8(phonebook::summaryLabel(summary)), this);
    summaryLine->setObjectName(QStringLiteral("summary"));
    summaryLine->setTextFormat(Qt::PlainText);
    layout->addWidget(summaryLine);

    auto* proxy = new QSortFilterProxyModel(this);
    proxy->setSourceModel(new FindingModel(findings_, this));
    proxy->setSortRole(Qt::UserRole);
    table_ = new QTableView(this);
    table_->setObjectName(QStringLiteral("findings"));
    table_->setModel(proxy);
    table_->setSortingEnabled(true);
    table_->sortByColumn(0, Qt::AscendingOrder);
    table_->setSelectionBehavior(QAbstractItemView::SelectRows);
    table_->setEditTriggers(QAbstractItemView::NoEditTriggers);
    table_->setTabKeyNavigation(false);
    table_->verticalHeader()->hide();
    table_->verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
    table_->verticalHeader()->setDefaultSectionSize(metrics.height() + 6);
    const int widths[] = {4, 7, 7, 14, 14, 6};
    for (int column = 0; column < 6; ++column) table_->setColumnWidth(column, em * widths[column]);
    table_->horizontalHeader()->setStretchLastSection(true);
    layout->addWidget(table_, 1);

    auto* buttons = new QHBoxLayout;
    auto* save = new QPushButton(QStringLiteral(u"CSVで保存"), this);
    save->setObjectName(QStringLiteral("saveCsv"));
    save->setAutoDefault(false);
    auto* close = new QPushButton(QStringLiteral(u"閉じる"), this);
    close->setObjectName(QStringLiteral("close"));
    close->setDefault(true);
    buttons->addWidget(save);
    buttons->addStretch();
    buttons->addWidget(close);
    layout->addLayout(buttons);
    connect(save, &QPushButton::clicked, this, &CLoadResultDlg::onSaveCsv);
    connect(close, &QPushButton::clicked, this, &QDialog::accept);

    table_->setFocus();
    resize(em * 84, metrics.height() * 26);
}

void CLoadResultDlg::onSaveCsv() {
    QFileDialog dialog(this);
    // Qt's own dialog, as the file window's, so that it looks the same and can be driven in tests.
    dialog.setOption(QFileDialog::DontUseNativeDialog);
    dialog.setFont(dialogFont());
    dialog.setWindowTitle(QStringLiteral(u"CSVで保存"));
    dialog.setAcceptMode(QFileDialog::AcceptSave);
    dialog.setNameFilters({QStringLiteral(u"csvﾌｧｲﾙ(*.csv)")});
    dialog.setDefaultSuffix(QStringLiteral("csv"));
    dialog.setLabelText(QFileDialog::LookIn, QStringLiteral(u"保存する場所:"));
    dialog.setLabelText(QFileDialog::FileName, QStringLiteral(u"ファイル名(&N):"));
    dialog.setLabelText(QFileDialog::FileType, QStringLiteral(u"ファイルの種類:"));
    dialog.setLabelText(QFileDialog::Accept, QStringLiteral(u"保存(&S)"));
    dialog.setLabelText(QFileDialog::Reject, QStringLiteral(u"キャンセル"));
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) return;
    const std::filesystem::path path(QFile::encodeName(dialog.selectedFiles().first()).toStdString());
    if (!platform::replaceFile(path, phonebook::formatFindingsCsv(findings_)))
        platform::showError(seam_.ui, {this, "CLoadResultDlg"},
                            text::toCp932("\nファイルデータ保存エラー発生\n"));
}

} // namespace rk::app
