// Where a downloaded installer lives until it is started: a new folder of its own under the
// user's temporary folder, never beside the program. A standard user could not start an
// installer from Program Files anyway (virtualisation leaves executables out), and a file that
// the server names must never land where the program and Windows load code from.
#pragma once

#include "update/updateflow.h"

class TempFolderInstallers : public UpdateInstallers {
  public:
    std::unique_ptr<InstallerFile> NewInstaller(const std::string& name) override;
    SignatureCheck ProgramSignature() override;
};

// Marks a file as downloaded from the Internet (its Zone.Identifier stream, zone 3), where its
// volume keeps named streams; false where it does not (FAT, Wine's folders) or the mark cannot
// be written. The system then warns before running it, as for any download.
bool MarkAsDownloaded(const std::string& path);
// The mark itself, written whether or not the volume keeps streams (for the tests: on a volume
// without them the system may take the name for a file of its own).
bool WriteZoneMark(const std::string& path);
