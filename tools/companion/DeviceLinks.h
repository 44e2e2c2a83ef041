// The links and the console of the unattended commands, made by the
// operating system's half (posix/ or win32/); the commands themselves are
// portable.
#pragma once
#include <memory>
#include <string>

#include "tools/companion/Unattended.h"

namespace orv::companion {

constexpr int kDefaultLanPort = 10001;

// "HOST[:PORT]": false when the host is empty or the port is not 1..65535.
bool parseLanTarget(const std::string& text, std::string& host, int& port);

// A TCP client to host:port (a name or an IPv4 address).
std::unique_ptr<DeviceLink> makeLanLink(const std::string& host, int port);
// The serial port at 921600 baud, 8N1, RTS/CTS: a path on Linux, COMn on
// Windows.
std::unique_ptr<DeviceLink> makeSerialLink(const std::string& device);

// The console: events with their time on standard error, a status line
// while standard error is a terminal, and the stop on SIGINT and SIGTERM
// (Ctrl+C, Ctrl+Break or the console closing on Windows).
std::unique_ptr<CaptureHost> makeConsoleHost();
// True when standard error is a terminal (progress and status lines).
bool stderrIsTerminal();
// The platform's files.
std::unique_ptr<FileSystem> makeFileSystem();

}  // namespace orv::companion
