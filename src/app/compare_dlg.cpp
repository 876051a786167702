#include "app/compare_dlg.h"

#include "app/dialog_layout.h"
#include "app/diff_table_model.h"

#include <QComboBox>
#include <QFontMetrics>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QPushButton>
#include <QTableView>
#include <QVBoxLayout>

namespace rk::app {

CCompareDlg::CCompareDlg(history::PhonebookDiff diff, const QString& heading, Purpose purpose,
                         QWidget* parent)
    : QDialog(parent), model_(new DiffTableModel(std::move(diff), this)) {
    setWindowTitle(QStringLiteral(u"変更内容"));
    setFont(dialogFont());
    setWindowFlags(Qt::Dialog | Qt::WindowTitleHint | Qt::WindowSystemMenuHint | Qt::WindowCloseButtonHint);
    setSizeGripEnabled(true);

    auto* layout = new QVBoxLayout(this);
    if (!heading.isEmpty()) {
        auto* title = new QLabel(heading, this);
        title->setObjectName(QStringLiteral("heading"));
        title->setTextFormat(Qt::PlainText);
        QFont bold = title->font();
        bold.setBold(true);
        title->setFont(bold);
        layout->addWidget(title);
    }
    const bool same = model_->diff().equal();
    auto* summary = new QLabel(same ? QStringLiteral(u"変更はありません") : model_->summaryText(), this);
    summary->setObjectName(QStringLiteral("summary"));
    summary->setTextFormat(Qt::PlainText);
    layout->addWidget(summary);

    auto* filterRow = new QHBoxLayout;
    auto* filterLabel = new QLabel(QStringLiteral(u"表示(&F):"), this);
    filter_ = new QComboBox(this);
    filter_->setObjectName(QStringLiteral("filter"));
    filterLabel->setBuddy(filter_);
    filter_->addItem(QStringLiteral(u"すべて"), DiffTableModel::kEverything);
    filter_->addItem(QStringLiteral(u"共通電話帳"), DiffTableModel::kCommonBook);
    for (const int position : model_->positions())
        filter_->addItem(QStringLiteral(u"マイ電話帳 収容位置%1").arg(position), position);
    filter_->setEnabled(!same);
    filterRow->addWidget(filterLabel);
    filterRow->addWidget(filter_);
    filterRow->addStretch();
    layout->addLayout(filterRow);
    connect(filter_, &QComboBox::currentIndexChanged, this, &CCompareDlg::onFilterChosen);

    table_ = new QTableView(this);
    table_->setObjectName(QStringLiteral("differences"));
    table_->setModel(model_);
    table_->setSelectionBehavior(QAbstractItemView::SelectRows);
    table_->setEditTriggers(QAbstractItemView::NoEditTriggers);
    table_->setTabKeyNavigation(false);
    table_->verticalHeader()->hide();
    // Fixed row heights and column widths: nothing is measured over the rows, however many.
    const QFontMetrics metrics(font());
    table_->verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
    table_->verticalHeader()->setDefaultSectionSize(metrics.height() + 6);
    const int characters[DiffTableModel::kColumns] = {5, 7, 6, 6, 8, 16, 16};
    for (int column = 0; column < DiffTableModel::kColumns; ++column)
        table_->setColumnWidth(column, metrics.horizontalAdvance(QLatin1Char('M')) * characters[column] + 8);
    table_->horizontalHeader()->setStretchLastSection(true);
    layout->addWidget(table_, 1);

    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    if (purpose == Purpose::BeforeWrite) {
        auto* proceed = new QPushButton(QStringLiteral(u"書込を続ける"), this);
        proceed->setObjectName(QStringLiteral("proceed"));
        auto* stop = new QPushButton(QStringLiteral(u"中止"), this);
        stop->setObjectName(QStringLiteral("stop"));
        proceed->setDefault(true);
        connect(proceed, &QPushButton::clicked, this, &QDialog::accept);
        connect(stop, &QPushButton::clicked, this, &QDialog::reject);
        buttons->addWidget(proceed);
        buttons->addWidget(stop);
        proceed->setFocus();
    } else {
        auto* close = new QPushButton(QStringLiteral(u"閉じる"), this);
        close->setObjectName(QStringLiteral("close"));
        close->setDefault(true);
        connect(close, &QPushButton::clicked, this, &QDialog::accept);
        buttons->addWidget(close);
        close->setFocus();
    }
    layout->addLayout(buttons);
    resize(metrics.horizontalAdvance(QLatin1Char('M')) * 78, metrics.height() * 28);
}

CCompareDlg::~CCompareDlg() = default;

QString CCompareDlg::readHeading(const std::string& snapshotTime) {
    // "2024-03-05 16:09:12 +0900": to the minute.
    return QStringLiteral(u"%1 の読込との比較").arg(QString::fromStdString(snapshotTime.substr(0, 16)));
}

void CCompareDlg::onFilterChosen(int index) {
    model_->setFilter(filter_->itemData(index).toInt());
}

} // namespace rk::app
