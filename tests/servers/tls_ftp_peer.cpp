#include "servers/tls_ftp_peer.h"

#include <cstdlib>
#include <sstream>

#include "frame/file_system.h"

bool TlsFtpPeer::Start(const std::vector<std::string>& certificates,
                       const std::string& dataCertificate, std::string* why) {
    const std::string portFile = work_.File("port");
    std::vector<std::string> args = {
        "/usr/bin/python3", BRINDLE_TEST_SERVERS_DIR "/tls_ftp_peer.py",
        "--port-file",      portFile,
        "--record",         work_.File("record")};
    for (const std::string& certificate : certificates) {
        args.insert(args.end(), {"--cert", certificate});
    }
    if (!dataCertificate.empty()) {
        args.insert(args.end(), {"--data-cert", dataCertificate});
    }
    return StartAndWait(
        args,
        [&] {
            return (port_ = static_cast<std::uint16_t>(std::atoi(ReadWholeFile(portFile).c_str())));
        },
        why);
}

std::vector<std::string> TlsFtpPeer::Received() const {
    std::vector<std::string> lines;
    std::istringstream record(ReadWholeFile(work_.File("record")));
    for (std::string line; std::getline(record, line);) {
        lines.push_back(line);
    }
    return lines;
}
