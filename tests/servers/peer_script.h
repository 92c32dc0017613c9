#pragma once

#include <map>
#include <string>
#include <vector>

#include "servers/scripted_peer.h"

// A scripted conversation read from a data file (tests/data/<subsystem>/NAME.script):
//   === case name        starts a case         # comment
//   < TEXT               send TEXT and CR LF   <| TEXT   send TEXT as is (\r \n \t \\ \xHH)
//   > TEXT               read one line, the client must have sent exactly TEXT
//   >                    read one line, whatever it is
//   pause MS | hold | close | receive
// {KEY} in a line is replaced by the value a test passes for KEY.
struct PeerScript {
    std::string name;
    std::vector<std::string> lines;
};

// `file` is relative to the test data folder; a file that cannot be read fails the test.
std::vector<PeerScript> LoadPeerScripts(const std::string& file);
const PeerScript& FindPeerScript(const std::vector<PeerScript>& scripts, const std::string& name);
void PlayScript(ScriptedPeer& peer, const PeerScript& script,
                const std::map<std::string, std::string>& values = {});
// `text` with the escapes of a "<|" line (\r \n \t \\ \xHH) replaced by their bytes.
std::string UnescapeScriptText(const std::string& text);
// After peer.Wait(): "" when the client sent every "> TEXT" line of the script, else what differs.
std::string ScriptMismatch(ScriptedPeer& peer, const PeerScript& script);
