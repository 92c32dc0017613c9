#include "ui/process/progress_dialog.h"

#include <poll.h>

#include <QCloseEvent>
#include <QDialogButtonBox>
#include <QEventLoop>
#include <QLabel>
#include <QProgressBar>
#include <QPushButton>
#include <QSocketNotifier>
#include <QTimer>
#include <QVBoxLayout>
#include <algorithm>
#include <chrono>
#include <climits>
#include <cmath>
#include <string_view>
#include <utility>

#include "ui/accessible_names.h"
#include "ui/process/event_pump.h"

namespace {

using Clock = std::chrono::steady_clock;

constexpr int kMinimumWidth = 420;

std::int64_t MsSince(Clock::time_point start) {
    return std::chrono::duration_cast<std::chrono::milliseconds>(Clock::now() - start).count();
}

// Milliseconds left of a wait that started at `start`; kWaitForever never runs out.
std::int64_t Remaining(std::uint32_t timeoutMs, Clock::time_point start) {
    return timeoutMs == kWaitForever ? INT64_MAX : std::int64_t{timeoutMs} - MsSince(start);
}

// poll rather than select: a descriptor past FD_SETSIZE must not look unsignalled forever while
// its notifier keeps waking the wait.
bool Readable(int fd) {
    pollfd entry{fd, POLLIN, 0};
    return poll(&entry, 1, 0) > 0 && (entry.revents & POLLIN) != 0;
}

QLabel* NewStatusLine(int id, QWidget* parent) {
    auto* label = new QLabel(parent);
    label->setObjectName(QString::number(id));
    // File names and server replies are shown as they are, never read as markup.
    label->setTextFormat(Qt::PlainText);
    // A long name is cut at the window's edge instead of widening the window.
    label->setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Fixed);
    label->setMinimumHeight(label->fontMetrics().height());
    return label;
}

}  // namespace

LProgressDialog::LProgressDialog(const char* title, UserInterfaceServices& ui)
    : title_(title != nullptr ? title : ""), ui_(ui) {
    setWindowTitle(QString::fromStdString(title_));
    statusLines_[0] = NewStatusLine(kFirstStatusLine, this);
    statusLines_[1] = NewStatusLine(kSecondStatusLine, this);
    bar_ = new QProgressBar(this);
    bar_->setObjectName(QString::number(kProgressBar));
    bar_->setRange(0, 100);
    bar_->setValue(0);
    bar_->setAccessibleName(QStringLiteral("Progress"));
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Cancel, this);
    cancel_ = buttons->button(QDialogButtonBox::Cancel);
    cancel_->setObjectName(QString::number(kCancelButton));
    connect(cancel_, &QPushButton::clicked, this, &LProgressDialog::OnCancel);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(statusLines_[0]);
    layout->addWidget(statusLines_[1]);
    layout->addWidget(bar_);
    layout->addWidget(buttons);
    setMinimumWidth(kMinimumWidth);
    NameControlsForAccessibility(this);
}

LProgressDialog::~LProgressDialog() = default;

bool LProgressDialog::DoModal(QWidget* parent) {
    if (ran_) {
        return false;
    }
    ran_ = true;
    const bool sheet = parent != nullptr && parent->isActiveWindow();
    if (sheet) {
        setParent(parent, windowFlags());
        setWindowModality(Qt::WindowModal);
    } else {
        setWindowModality(Qt::ApplicationModal);
    }
    stopped_ = false;
    cancel_->setEnabled(true);
    show();
    if (!sheet) {
        raise();
        activateWindow();
    }
    running_ = true;
    const bool result = Run();
    running_ = false;
    hide();
    return result;
}

void LProgressDialog::OnCancel() {
    cancel_->setEnabled(false);
    stopped_ = true;
    if (wait_ != nullptr) {
        wait_->quit();
    }
}

void LProgressDialog::reject() {
    // Escape is Cancel; the window closes only when the process returns.
    OnCancel();
}

void LProgressDialog::closeEvent(QCloseEvent* event) {
    event->ignore();
    if (running_) {
        OnCancel();
    }
}

bool LProgressDialog::IsStopped() {
    PumpPendingEvents();
    return stopped_;
}

void LProgressDialog::RunEventsFor(std::int64_t ms, QSocketNotifier* readable) {
    QEventLoop loop;
    QTimer timer;
    timer.setSingleShot(true);
    timer.setTimerType(Qt::PreciseTimer);
    connect(&timer, &QTimer::timeout, &loop, &QEventLoop::quit);
    if (readable != nullptr) {
        connect(readable, &QSocketNotifier::activated, &loop, &QEventLoop::quit);
    }
    // A wait without limit still wakes every few weeks, then simply waits again.
    timer.start(static_cast<int>(std::min<std::int64_t>(ms, INT_MAX)));
    QEventLoop* outer = std::exchange(wait_, &loop);
    loop.exec();
    wait_ = outer;
}

LProcessResult LProgressDialog::Sleep(std::uint32_t ms) {
    const auto start = Clock::now();
    for (std::int64_t remaining = Remaining(ms, start);; remaining = Remaining(ms, start)) {
        if (stopped_) {
            return LPROCESS_STOPPED;
        }
        if (remaining < 1) {
            return LPROCESS_OK;
        }
        RunEventsFor(remaining, nullptr);
    }
}

LProcessResult LProgressDialog::WaitForEvent(LEvent event, std::uint32_t timeoutMs) {
    if (event.readEnd < 0) {
        return LPROCESS_FAILED;
    }
    QSocketNotifier readable(event.readEnd, QSocketNotifier::Read);
    const auto start = Clock::now();
    // The first pass takes no time off, so a signalled event is seen even with 1 ms.
    std::int64_t remaining = timeoutMs == kWaitForever ? INT64_MAX : timeoutMs;
    for (;; remaining = Remaining(timeoutMs, start)) {
        if (remaining <= 0) {
            return LPROCESS_FAILED;
        }
        if (Readable(event.readEnd)) {
            return LPROCESS_OK;
        }
        if (stopped_) {
            return LPROCESS_STOPPED;
        }
        RunEventsFor(remaining, &readable);
    }
}

LProcessResult LProgressDialog::WaitForSocket(LSocketSet* set, std::uint32_t timeoutMs) {
    if (set == nullptr || set->maxFd < 0) {
        return LPROCESS_FAILED;
    }
    fd_set ready = set->set;
    if (SelectWithTimeout(set->maxFd, &ready, nullptr, nullptr, timeoutMs) < 1) {
        return LPROCESS_FAILED;
    }
    set->set = ready;
    return stopped_ ? LPROCESS_STOPPED : LPROCESS_OK;
}

void LProgressDialog::ReportError(const char* text) {
    if (text == nullptr) {
        return;
    }
    ui_.MessageBox(static_cast<QWidget*>(this), text, title_);
    PumpPendingEvents();
}

void LProgressDialog::SetStatusText(const char* text, std::int32_t line) {
    const std::size_t index = line == 1 ? 1 : 0;
    const std::string_view value = text != nullptr ? text : "";
    // Transfers repeat their texts per block; only a change reaches the window.
    if (value != shownTexts_[index]) {
        shownTexts_[index] = value;
        statusLines_[index]->setText(QString::fromStdString(shownTexts_[index]));
    }
    PumpPendingEvents();
}

void LProgressDialog::SetProgress(double fraction) {
    if (bar_->maximum() == 0) {
        bar_->setRange(0, 100);
    }
    const double percent = std::isnan(fraction) ? 0.0 : std::clamp(fraction * 100.0, 0.0, 100.0);
    const int value = static_cast<int>(percent);
    if (bar_->value() != value) {
        bar_->setValue(value);
    }
    PumpPendingEvents();
}

void LProgressDialog::SetProgressIndeterminate() {
    bar_->setRange(0, 0);
    PumpPendingEvents();
}

void LProgressDialog::SetProgressDeterminate() {
    if (bar_->maximum() == 0) {
        bar_->setRange(0, 100);
    }
    PumpPendingEvents();
}
