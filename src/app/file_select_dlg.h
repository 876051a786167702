// The file selection window ("ファイル選択") behind "ファイルデータ読込" and "ファイルデータ保存":
// the operator picks which phonebook the file holds, then the file, which is loaded into the
// working copy or written from it.
#pragma once

#include "phonebook/edit_steps.h"
#include "phonebook/workspace.h"
#include "platform/seam.h"

#include <QDialog>
#include <QString>
#include <QStringList>

#include <optional>

class QFileDialog;
class QPushButton;

namespace rk::app {

enum class FileOperation { Load, Save };

class CFileSelectDlg : public QDialog {
    Q_OBJECT

public:
    CFileSelectDlg(FileOperation operation, Workspace& workspace, const platform::Seam& seam,
                   QWidget* parent = nullptr);

    bool loadMode() const { return loadMode_; }

    // The name filters of the file dialog for a phonebook kind (1 common, 2 my phonebook).
    static QStringList nameFilters(int kind);

    // "キャンセル", Escape and the close box; refused while a file is being read or written.
    void reject() override;

private slots:
    void onCommonPhonebook();
    void onMyPhonebook();

private:
    void run(int kind, QPushButton* pressed);
    // The load, then the load report's window when the load did anything otherwise than the file
    // says or the file looks damaged against the phonebook it replaces.
    void loadWithReport(int kind, const phonebook::FileChooser& choose, const phonebook::StepRunner& busy);
    // Shows the file dialog; nullopt when the operator cancelled it.
    std::optional<std::filesystem::path> choosePath(QFileDialog& dialog);
    void prepareFileDialog(QFileDialog& dialog, int kind);
    void setBusy(bool busy);
    // Runs one file routine under the edit lock with the window busy and the wait cursor shown.
    int whileBusy(const phonebook::PhonebookStep& fileCall);
    platform::Owner owner();

    Workspace& workspace_;
    platform::Seam seam_;
    bool loadMode_;
    bool busy_ = false; // a file call runs: the buttons and the close request are off
    QPushButton* common_ = nullptr;
    QPushButton* mine_ = nullptr;
    QPushButton* cancel_ = nullptr;
};

} // namespace rk::app
