// The rows of the compare window: one per memory and field that differs, marked 追加, 変更 or 削除
// (green, amber, red), filtered to the common phonebook or one telephone. Texts are made only for
// the rows a view shows, so that a comparison of two full books is shown at once.
#pragma once

#include "history/phonebook_diff.h"

#include <QAbstractTableModel>
#include <QColor>

#include <vector>

namespace rk::app {

class DiffTableModel : public QAbstractTableModel {
    Q_OBJECT

public:
    enum Column {
        ChangeColumn,
        BookColumn,
        PositionColumn,
        MemoryColumn,
        FieldColumn,
        BeforeColumn,
        AfterColumn
    };
    static constexpr int kColumns = 7;

    // Filter values besides a telephone position (101..200).
    static constexpr int kEverything = -1;
    static constexpr int kCommonBook = 0;

    explicit DiffTableModel(history::PhonebookDiff diff, QObject* parent = nullptr);

    const history::PhonebookDiff& diff() const { return diff_; }

    // kEverything, kCommonBook or a position.
    void setFilter(int filter);
    int filter() const { return filter_; }
    // The telephones that have a difference, in order.
    const std::vector<int>& positions() const { return positions_; }

    // "追加 N・変更 N・削除 N" over both books, counting memories.
    QString summaryText() const { return summaryOf(diff_); }
    static QString summaryOf(const history::PhonebookDiff& diff);

    // The colours of the three marks.
    static QColor colourOf(history::Change change);
    static QString changeText(history::Change change);
    static QString fieldText(const char* field);

    int rowCount(const QModelIndex& parent = {}) const override;
    int columnCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role) const override;

private:
    struct Row {
        int difference;
        int field;
    };

    void rebuild();

    history::PhonebookDiff diff_;
    std::vector<Row> all_;
    std::vector<Row> shown_;
    std::vector<int> positions_;
    int filter_ = kEverything;
};

} // namespace rk::app
