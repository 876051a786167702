// What the two progress windows share: a bar with its percentage, the step bookkeeping of the
// progress messages, the registration under the window's title through which the device link
// and the file routines find the window, and a key filter that lets neither Enter nor Escape
// end the window. The procedure that creates a progress window also destroys it.
#pragma once

#include "platform/progress.h"
#include "platform/progress_steps.h"

#include <QDialog>

#include <cstdint>
#include <memory>
#include <mutex>
#include <string>
#include <utility>
#include <vector>

class QLineEdit;
class QProgressBar;

namespace rk::app {

class DialogUnits;

class CProgressDlg : public QDialog, public platform::ProgressReceiver {
    Q_OBJECT

public:
    ~CProgressDlg() override;

    // Shows a percentage: above 100 shows 100.
    void UpDatePrg(int position);
    // One of the five progress messages, on the window's own thread.
    void handleProgress(int message, std::int64_t value);

    // From any thread: the message is handed to the window's thread and handled there.
    void post(int message, std::int64_t value) override;
    // Transfers own their message boxes by this window.
    void* nativeWindow() const override;

    const platform::ProgressSteps& steps() const { return steps_; }

protected:
    // A window without close box, kept above the others, of a size in dialog units, registered
    // under its title (CP932) for as long as it exists.
    CProgressDlg(platform::ProgressRegistry& registry, const QString& title,
                 const std::string& registeredTitle, int width, int height);

    const DialogUnits& units() const { return *units_; }
    // The bar (2164), the percentage (1009) and its "%" (2557), each at its place.
    void addBar(int x, int y, int width, int height);
    void addPercentage(int x, int y, int width, int height, int signX, int signY, int signWidth,
                       int signHeight);

    void keyPressEvent(QKeyEvent* event) override;
    void closeEvent(QCloseEvent* event) override;

private:
    Q_INVOKABLE void drainProgress();

    std::mutex pendingMutex_;
    std::vector<std::pair<int, std::int64_t>> pending_;
    platform::ProgressSteps steps_;
    std::unique_ptr<DialogUnits> units_;
    QProgressBar* bar_ = nullptr;
    QLineEdit* percentage_ = nullptr;
    std::unique_ptr<platform::ProgressRegistration> registration_;
};

} // namespace rk::app
