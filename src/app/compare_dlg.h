// The compare window ("変更内容"): the summary line first, then per memory and field the value
// before and after, marked 追加, 変更 or 削除, with a filter for the common phonebook and for each
// telephone. Before a write it asks whether to go on ("書込を続ける" / "中止").
#pragma once

#include "history/phonebook_diff.h"

#include <QDialog>

class QComboBox;
class QLabel;
class QPushButton;
class QTableView;

namespace rk::app {

class DiffTableModel;

class CCompareDlg : public QDialog {
    Q_OBJECT

public:
    enum class Purpose {
        Show,       // "閉じる"
        BeforeWrite // "書込を続ける" (accepts) and "中止" (rejects)
    };

    // `heading` says what is compared with what; empty for none.
    CCompareDlg(history::PhonebookDiff diff, const QString& heading, Purpose purpose,
                QWidget* parent = nullptr);
    ~CCompareDlg() override;

    // The heading before a write: "YYYY-MM-DD HH:MM の読込との比較", from a snapshot's local time.
    static QString readHeading(const std::string& snapshotTime);

    DiffTableModel& model() { return *model_; }

private slots:
    void onFilterChosen(int index);

private:
    DiffTableModel* model_;
    QComboBox* filter_ = nullptr;
    QTableView* table_ = nullptr;
};

} // namespace rk::app
