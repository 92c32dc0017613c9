#pragma once

#include <QDialog>
#include <array>
#include <cstdint>
#include <string>
#include <type_traits>

#include "process/process_interface.h"
#include "process/ui_services.h"

class QEventLoop;
class QLabel;
class QProgressBar;
class QPushButton;
class QSocketNotifier;

// The window a process runs under. The process runs on the window thread, so every question it
// asks (IsStopped, the waits, the texts) runs the window's pending events: Cancel, redraws,
// timers and queued notifications keep working. The controls carry their numbers as object
// names: "101" first status line, "102" second status line, "104" progress bar (0 to 100),
// "105" Cancel.
class LProgressDialog : public QDialog, public LProcessInterface {
    Q_OBJECT

public:
    static constexpr int kFirstStatusLine = 101;
    static constexpr int kSecondStatusLine = 102;
    static constexpr int kProgressBar = 104;
    static constexpr int kCancelButton = 105;

    // Errors are shown through ui with the title as their headline.
    LProgressDialog(const char* title, UserInterfaceServices& ui);
    ~LProgressDialog() override;

    // Shows the window (window-modal over parent when parent is the active window, otherwise
    // application-modal on its own), runs Run() and closes the window when it returns. Returns
    // Run's value; false when the window cannot be shown or the dialog already ran once.
    bool DoModal(QWidget* parent);
    // Cancel or Escape: greys the button at once; the process sees the stop at its next question
    // and the window stays until the process returns.
    void OnCancel();
    // The stop flag, without running events.
    bool StopRequested() const { return stopped_; }

    bool IsStopped() override;
    LProcessResult Sleep(std::uint32_t ms) override;
    LProcessResult WaitForEvent(LEvent event, std::uint32_t timeoutMs) override;
    // Waits for a readable descriptor without running events: the window freezes meanwhile.
    LProcessResult WaitForSocket(LSocketSet* set, std::uint32_t timeoutMs) override;
    void ReportError(const char* text) override;
    void SetStatusText(const char* text, std::int32_t line) override;
    void SetProgress(double fraction) override;
    void SetProgressIndeterminate() override;
    void SetProgressDeterminate() override;

protected:
    // The process itself; its return value is DoModal's.
    virtual bool Run() = 0;

    void reject() override;
    void closeEvent(QCloseEvent* event) override;

private:
    // Runs the window's events until ms pass (kWaitForever: no limit), Cancel is pressed or
    // `readable` reports its descriptor.
    void RunEventsFor(std::int64_t ms, QSocketNotifier* readable);

    std::string title_;
    UserInterfaceServices& ui_;
    bool stopped_ = false;
    bool ran_ = false;
    bool running_ = false;
    QEventLoop* wait_ = nullptr;  // the wait Cancel must end
    QLabel* statusLines_[2];
    std::array<std::string, 2> shownTexts_;
    QProgressBar* bar_;
    QPushButton* cancel_;
};

// Runs one process under a progress dialog. T is either a process class with
// `LProcessResult Run(LProcessInterface&)` or a callable taking the interface; it belongs to the
// caller and lives for the length of the run.
template <typename T>
class LProcessDialog final : public LProgressDialog {
public:
    LProcessDialog(const char* title, UserInterfaceServices& ui, T* process)
        : LProgressDialog(title, ui), process_(process) {}

    // LPROCESS_FAILED until the process ran.
    LProcessResult result() const { return result_; }

protected:
    bool Run() override {
        LProcessInterface& iface = *this;
        if constexpr (std::is_invocable_r_v<LProcessResult, T&, LProcessInterface&>) {
            result_ = (*process_)(iface);
        } else {
            result_ = process_->Run(iface);
        }
        return true;
    }

private:
    T* process_;
    LProcessResult result_ = LPROCESS_FAILED;
};
