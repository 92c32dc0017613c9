#include "ui/process/qt_process_launcher.h"

#include <QApplication>
#include <QThread>

#include "ui/process/progress_dialog.h"

namespace {

bool CanShowWindows() {
    const auto* application = qobject_cast<QApplication*>(QCoreApplication::instance());
    return application != nullptr && QThread::currentThread() == application->thread();
}

}  // namespace

LProcessResult QtProcessLauncher::Run(LWindow parent, const char* title,
                                      const ProcessFunction& process) {
    if (!process || !CanShowWindows()) {
        return LPROCESS_FAILED;
    }
    LProcessDialog<const ProcessFunction> dialog(title, ui_, &process);
    if (!dialog.DoModal(static_cast<QWidget*>(parent))) {
        return LPROCESS_FAILED;
    }
    return dialog.result();
}
