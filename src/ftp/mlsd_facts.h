#pragma once

#include <ctime>
#include <string>
#include <string_view>

#include "ftp/remote_listing.h"

// Reading the facts servers send in MLSD and MLST lines ("type=file;size=12;modify=...; name").
// The lines come from the server as they are: nothing here trusts their shape.

// The name of an MLSD line: the text after its first space, further spaces skipped; a line
// without a space is all name.
std::string_view MlsdLineName(std::string_view line);

// Lower-cases the ASCII letters of text.
void LowerAsciiInPlace(std::string& text);

// In a lower-cased line, the value of the first "fact=" (fact given with its '='), up to the
// next ';' or the end of the line. False when the line has no such fact.
bool FindFactValue(std::string_view lowered, std::string_view fact, std::string_view& value);

// A timestamp "YYYYMMDDHHMMSS", in UTC (fractions after the seconds are ignored), as UTC seconds.
time_t FtpTimestampToTime(std::string_view text);

// The kind of a lower-cased "type=" value: "file..." is a file, "os.*=slink..." a link, anything
// else a folder.
int FtpTypeFactKind(std::string_view value);

// Reads the modify, type and size facts of one MLSD line (searched in a lower-cased copy) into
// the entry; facts the line does not have leave their fields unknown.
void ReadMlsdFacts(std::string_view line, FtpDirEntry& entry);
