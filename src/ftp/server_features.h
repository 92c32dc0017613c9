#pragma once

#include "net/secure_socket.h"

// Asks FEAT once per connection and records what the server offers in connection.features.
// Ok unless stopped; when FEAT fails only kFeatSize is set and FEAT is asked again next time.
LProcessResult FtpQueryFeatures(LProcessInterface& iface, LSecureSocket& connection);
// Asks SYST once per connection; on a Windows_NT server makes sure the listing style is the
// MS-DOS one ("site dirstyle" toggles it). Cancelled or ok.
LProcessResult FtpPrepareDirStyle(LProcessInterface& iface, LSecureSocket& connection);
