#include "ftp/current_directory.h"

#include "frame/text_limits.h"
#include "ftp/control_channel.h"
#include "ftp/reply_in_step.h"

namespace {

// The path of a PWD reply: after the first double quote up to the next one (or the end). Quotes
// doubled inside a path are not undone; the path ends at the first inner quote.
std::string PathOfPwdReply(const std::string& text) {
    std::size_t start = text.find('"');
    start = start == std::string::npos ? text.size() : start + 1;
    std::size_t end = text.find('"', start);
    if (end == std::string::npos) {
        end = text.size();
    }
    return CutText(std::string_view(text).substr(start, end - start));
}

}  // namespace

LProcessResult FtpGetCurrentDirectory(LProcessInterface& iface, LSecureSocket& connection,
                                      std::string& path) {
    path.clear();
    int code = 0;
    std::string text;
    LProcessResult read = FtpExchangeInStep(iface, connection, "PWD\r\n", code, text);
    if (read != LPROCESS_OK) {
        return read;
    }
    if (code < 200 || code > 299) {
        return LPROCESS_FAILED;
    }
    path = PathOfPwdReply(text);
    return LPROCESS_OK;
}

bool FtpGetCurrentDirectoryQuiet(LProcessInterface& from, LSecureSocket& connection,
                                 std::string& path) {
    LProcessInterfaceVoidInstance quiet(from);
    return FtpGetCurrentDirectory(quiet, connection, path) == LPROCESS_OK;
}

LProcessResult FtpChangeDirectory(LProcessInterface& iface, LSecureSocket& connection,
                                  const std::string& path) {
    return FtpCommandInStep(iface, connection, FtpCommandLine("CWD", path, kLongCommandLineSize));
}

bool FtpChangeDirectoryQuiet(LProcessInterface& from, LSecureSocket& connection,
                             const std::string& path) {
    LProcessInterfaceVoidInstance quiet(from);
    return FtpChangeDirectory(quiet, connection, path) == LPROCESS_OK;
}

LProcessResult FtpChangeDirectoryStep(LProcessInterface& iface, LSecureSocket& connection,
                                      std::string& directory) {
    iface.SetStatusText("Changing directory...", 0);
    if (!directory.empty()) {
        LProcessResult changed = FtpChangeDirectory(iface, connection, directory);
        if (changed == LPROCESS_STOPPED) {
            return changed;
        }
        if (changed != LPROCESS_OK) {
            iface.ReportError("Unable to change to the directory.");
            return LPROCESS_FAILED;
        }
    }
    std::string current;
    LProcessResult result = FtpGetCurrentDirectory(iface, connection, current);
    if (result == LPROCESS_OK) {
        directory = current;
    }
    return result;
}
