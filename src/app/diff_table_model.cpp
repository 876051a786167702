#include "app/diff_table_model.h"

#include "platform/text.h"

#include <QBrush>

#include <cstring>

namespace rk::app {
namespace {

QString fromCp932(const std::string& bytes) {
    return QString::fromStdString(text::cp932ToUtf8(bytes));
}

QString threeDigits(int value) {
    return QStringLiteral("%1").arg(value, 3, 10, QLatin1Char('0'));
}

} // namespace

DiffTableModel::DiffTableModel(history::PhonebookDiff diff, QObject* parent)
    : QAbstractTableModel(parent), diff_(std::move(diff)) {
    for (std::size_t d = 0; d < diff_.differences.size(); ++d) {
        const history::MemoryDifference& difference = diff_.differences[d];
        for (std::size_t f = 0; f < difference.fields.size(); ++f) {
            const history::FieldDifference& field = difference.fields[f];
            // A memory that comes into or goes out of use lists every field: shown are the ones
            // it has or had (a reading never given says nothing).
            const std::string& value =
                difference.change == history::Change::Added ? field.after : field.before;
            if (difference.change != history::Change::Changed && value.empty()) continue;
            all_.push_back({static_cast<int>(d), static_cast<int>(f)});
        }
        if (difference.book == history::Book::My &&
            (positions_.empty() || positions_.back() != difference.position))
            positions_.push_back(difference.position);
    }
    shown_ = all_;
}

void DiffTableModel::setFilter(int filter) {
    if (filter == filter_) return;
    beginResetModel();
    filter_ = filter;
    rebuild();
    endResetModel();
}

void DiffTableModel::rebuild() {
    if (filter_ == kEverything) {
        shown_ = all_;
        return;
    }
    shown_.clear();
    for (const Row& row : all_) {
        const history::MemoryDifference& difference =
            diff_.differences[static_cast<std::size_t>(row.difference)];
        const bool common = difference.book == history::Book::Common;
        if (filter_ == kCommonBook ? common : !common && difference.position == filter_)
            shown_.push_back(row);
    }
}

QString DiffTableModel::summaryOf(const history::PhonebookDiff& diff) {
    const int added = diff.common.added + diff.my.added;
    const int changed = diff.common.changed + diff.my.changed;
    const int cleared = diff.common.cleared + diff.my.cleared;
    return QStringLiteral(u"追加 %1・変更 %2・削除 %3").arg(added).arg(changed).arg(cleared);
}

QColor DiffTableModel::colourOf(history::Change change) {
    switch (change) {
    case history::Change::Added:
        return {0xC8, 0xEE, 0xC8}; // green
    case history::Change::Cleared:
        return {0xF6, 0xC4, 0xC4}; // red
    case history::Change::Changed:
        break;
    }
    return {0xFF, 0xDC, 0x96}; // amber
}

QString DiffTableModel::changeText(history::Change change) {
    switch (change) {
    case history::Change::Added:
        return QStringLiteral(u"追加");
    case history::Change::Cleared:
        return QStringLiteral(u"削除");
    case history::Change::Changed:
        break;
    }
    return QStringLiteral(u"変更");
}

QString DiffTableModel::fieldText(const char* field) {
    // The names of the phonebook files' column headers.
    if (std::strcmp(field, "number") == 0) return QStringLiteral(u"電話番号");
    if (std::strcmp(field, "kanji name") == 0) return QStringLiteral(u"漢字名称");
    if (std::strcmp(field, "kana name") == 0) return QStringLiteral(u"カナ名称");
    return QStringLiteral(u"グループ番号");
}

int DiffTableModel::rowCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : static_cast<int>(shown_.size());
}

int DiffTableModel::columnCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : kColumns;
}

QVariant DiffTableModel::data(const QModelIndex& index, int role) const {
    if (!index.isValid() || index.row() >= rowCount()) return {};
    const Row& row = shown_[static_cast<std::size_t>(index.row())];
    const history::MemoryDifference& difference = diff_.differences[static_cast<std::size_t>(row.difference)];
    const history::FieldDifference& field = difference.fields[static_cast<std::size_t>(row.field)];
    if (role == Qt::BackgroundRole) return QBrush(colourOf(difference.change));
    if (role == Qt::ForegroundRole) return QBrush(Qt::black);
    if (role != Qt::DisplayRole) return {};
    const bool common = difference.book == history::Book::Common;
    switch (index.column()) {
    case ChangeColumn:
        return changeText(difference.change);
    case BookColumn:
        return common ? QStringLiteral(u"共通電話帳") : QStringLiteral(u"マイ電話帳");
    case PositionColumn:
        return common ? QString() : threeDigits(difference.position);
    case MemoryColumn:
        return threeDigits(difference.memory);
    case FieldColumn:
        return fieldText(field.field);
    // A memory out of use has no values, whatever its empty entry holds (group 1).
    case BeforeColumn:
        return difference.change == history::Change::Added ? QString() : fromCp932(field.before);
    case AfterColumn:
        return difference.change == history::Change::Cleared ? QString() : fromCp932(field.after);
    default:
        break;
    }
    return {};
}

QVariant DiffTableModel::headerData(int section, Qt::Orientation orientation, int role) const {
    if (orientation != Qt::Horizontal || role != Qt::DisplayRole) return {};
    static const char16_t* const titles[kColumns] = {u"区分", u"電話帳", u"収容位置", u"短縮番号",
                                                     u"項目", u"変更前", u"変更後"};
    if (section < 0 || section >= kColumns) return {};
    return QString::fromUtf16(titles[section]);
}

} // namespace rk::app
