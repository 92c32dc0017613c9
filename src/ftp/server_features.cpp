#include "ftp/server_features.h"

#include <string>
#include <vector>

#include "frame/ascii_case.h"
#include "ftp/control_channel.h"
#include "ftp/ftp_features.h"
#include "ftp/reply_in_step.h"

namespace {

bool Contains(const std::string& line, const char* word) {
    return line.find(word) != std::string::npos;
}

// Facts count only with the '*' that enables them in the server's default fact list.
std::uint32_t FeaturesOfLine(const std::string& line) {
    std::uint32_t features = 0;
    if (Contains(line, "SIZE")) {
        features |= kFeatSize;
    }
    if (Contains(line, "MDTM")) {
        features |= kFeatMdtm;
    }
    if (Contains(line, "MFMT")) {
        features |= kFeatMfmt;
    }
    if (Contains(line, "MLST")) {
        if (Contains(line, "modify*")) {
            features |= kFeatMlstModify;
        }
        if (Contains(line, "size*")) {
            features |= kFeatMlstSize;
        }
        if (Contains(line, "type*")) {
            features |= kFeatMlstType;
        }
    }
    if (Contains(line, "MLSD")) {
        features |= kFeatMlsd;
    }
    return features;
}

}  // namespace

LProcessResult FtpQueryFeatures(LProcessInterface& iface, LSecureSocket& connection) {
    if (connection.features & kFeatQueried) {
        return LPROCESS_OK;
    }
    std::vector<std::string> lines;
    LProcessResult asked = FtpCommandLinesInStep(iface, connection, "FEAT\r\n", lines);
    if (asked == LPROCESS_STOPPED) {
        return asked;
    }
    if (asked != LPROCESS_OK) {
        // Without FEAT, SIZE is still worth a try; FEAT is asked again next time.
        connection.features |= kFeatSize;
        return LPROCESS_OK;
    }
    connection.features |= kFeatQueried;
    for (const std::string& line : lines) {
        connection.features |= FeaturesOfLine(line);
    }
    return LPROCESS_OK;
}

LProcessResult FtpPrepareDirStyle(LProcessInterface& iface, LSecureSocket& connection) {
    if ((connection.features & kFeatSystAsked) == 0) {
        int code = 0;
        std::string text;
        if (FtpCommandInStep(iface, connection, "SYST\r\n", &code, &text) == LPROCESS_STOPPED) {
            return LPROCESS_STOPPED;
        }
        if (code == 215 && EqualsIgnoringCase(text, "Windows_NT")) {
            connection.features |= kFeatWindowsNt;
        }
        connection.features |= kFeatSystAsked;
    }
    if (connection.features & kFeatWindowsNt) {
        // "site dirstyle" toggles the listing style; if it just turned MS-DOS style off, turn it
        // back on.
        std::string text;
        if (FtpCommandInStep(iface, connection, "site dirstyle\r\n", nullptr, &text) ==
            LPROCESS_STOPPED) {
            return LPROCESS_STOPPED;
        }
        if (EqualsIgnoringCase(text, "MSDOS-like directory output is off") &&
            FtpCommandInStep(iface, connection, "site dirstyle\r\n") == LPROCESS_STOPPED) {
            return LPROCESS_STOPPED;
        }
    }
    return LPROCESS_OK;
}
