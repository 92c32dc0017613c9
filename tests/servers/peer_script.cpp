#include "servers/peer_script.h"

#include <gtest/gtest.h>

#include <fstream>

#include "support/temp_folder.h"

namespace {

std::string Substitute(std::string line, const std::map<std::string, std::string>& values) {
    for (const auto& [key, value] : values) {
        const std::string marker = "{" + key + "}";
        for (auto at = line.find(marker); at != std::string::npos;
             at = line.find(marker, at + value.size())) {
            line.replace(at, marker.size(), value);
        }
    }
    return line;
}

}  // namespace

std::string UnescapeScriptText(const std::string& text) {
    std::string out;
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (text[i] != '\\' || i + 1 == text.size()) {
            out += text[i];
            continue;
        }
        const char c = text[++i];
        if (c == 'x' && i + 2 < text.size()) {
            out += static_cast<char>(std::stoi(text.substr(i + 1, 2), nullptr, 16));
            i += 2;
        } else {
            out += c == 'r' ? '\r' : c == 'n' ? '\n' : c == 't' ? '\t' : c;
        }
    }
    return out;
}

std::vector<PeerScript> LoadPeerScripts(const std::string& file) {
    std::ifstream in(TestDataPath(file));
    EXPECT_TRUE(in) << "cannot read test data " << file;
    std::vector<PeerScript> scripts;
    for (std::string line; std::getline(in, line);) {
        if (line.rfind("=== ", 0) == 0) {
            scripts.push_back({line.substr(4), {}});
        } else if (!scripts.empty() && !line.empty() && line[0] != '#') {
            scripts.back().lines.push_back(line);
        }
    }
    return scripts;
}

const PeerScript& FindPeerScript(const std::vector<PeerScript>& scripts, const std::string& name) {
    for (const PeerScript& script : scripts) {
        if (script.name == name) {
            return script;
        }
    }
    ADD_FAILURE() << "no script named " << name;
    static const PeerScript kEmpty;
    return kEmpty;
}

void PlayScript(ScriptedPeer& peer, const PeerScript& script,
                const std::map<std::string, std::string>& values) {
    peer.scriptValues = values;
    for (const std::string& raw : script.lines) {
        const std::string line = Substitute(raw, values);
        if (line.rfind("<| ", 0) == 0) {
            peer.Send(UnescapeScriptText(line.substr(3)));
        } else if (line.rfind("< ", 0) == 0) {
            peer.Send(line.substr(2) + "\r\n");
        } else if (line[0] == '>') {
            peer.ExpectLine();
        } else if (line.rfind("pause ", 0) == 0) {
            peer.Pause(std::stoi(line.substr(6)));
        } else if (line == "hold") {
            peer.HoldOpen();
        } else if (line == "close") {
            peer.Close();
        } else if (line == "receive") {
            peer.ReceiveUntilClosed();
        } else {
            ADD_FAILURE() << "script " << script.name << ": cannot read \"" << line << '"';
        }
    }
}

std::string ScriptMismatch(ScriptedPeer& peer, const PeerScript& script) {
    const std::vector<std::string> sent = peer.ReceivedLines();
    std::string mismatch;
    std::size_t index = 0;
    for (const std::string& raw : script.lines) {
        if (raw[0] != '>') {
            continue;
        }
        const std::string expected =
            raw.size() > 2 ? Substitute(raw.substr(2), peer.scriptValues) : "";
        if (index >= sent.size()) {
            mismatch += "not sent: \"" + expected + "\"\n";
        } else if (!expected.empty() && sent[index] != expected) {
            mismatch += "sent \"" + sent[index] + "\" where \"" + expected + "\" was expected\n";
        }
        ++index;
    }
    return mismatch;
}
