// The texts of the update check: the check address, the reply as the memo holds it, whether it
// offers an update, and where the installer comes from and goes to. All text is ANSI bytes.
#pragma once

#include <string>
#include <vector>

// Base URL + "/index.php/index/soft_update/" + product identifier + "/" + version + "/".
std::string CheckUrl(const std::string& baseUrl, const std::string& productId,
                     const std::string& version);

// The reply file's bytes as the memo shows them: every CR, LF and CR LF becomes CR LF. The memo
// is an edit control, whose text ends at the first NUL byte.
std::string MemoText(const std::string& fileBytes);

// A reply offers an update unless its last five characters are exactly "ewest".
bool OffersUpdate(const std::string& replyText);

// The reply after its first "@@@", else from its third character on; at most 999 characters,
// nothing trimmed.
std::string DownloadPath(const std::string& replyText);

std::string DownloadUrl(const std::string& baseUrl, const std::string& downloadPath);

// Whether a download URL is on the update server's own origin: the same host (letter case aside)
// and the same port, 80 where none is given, both as the HTTP client reads the address. The path
// from the reply is joined to the base URL as it stands, so ".evil.test/a.exe", "@evil.test/a.exe"
// or ":31337/a.exe" would name another server, and an address the client cannot read names none;
// the installer comes from the update server or not at all.
bool IsOnUpdateServer(const std::string& url, const std::string& baseUrl);

// The URL cut into parts at "/" and at characters of code 32 or less, with double-quoted parts.
std::vector<std::string> UrlParts(const std::string& url);

// The last of UrlParts, or "" when there is none.
std::string InstallerFileName(const std::string& url);

// Whether a name can be saved beside the program as it stands: not empty, not only dots, no
// control characters and no "\" or ":" (which would leave the program directory or name an
// alternate stream), and not one of the device names, where nothing would be stored.
bool IsPlainFileName(const std::string& name);

// Whether the program may save and start a file of this name as the installer: a plain file
// name (above) without the characters Windows refuses in names (" < > | ? *) that ends in ".exe"
// or ".msi", in any letter case, after at least one character. A DLL, a movie or a script named
// by the server is never written.
bool IsInstallerName(const std::string& name);

// How an installer is started: an ".msi" through the system's own msiexec, named with its full
// path so that no other msiexec is found first (nothing at all without the system folder);
// anything else is opened itself.
struct InstallerLaunch {
    std::string file;
    std::string parameters;
};
InstallerLaunch InstallerLaunchOf(const std::string& installerPath,
                                  const std::string& systemFolder);
