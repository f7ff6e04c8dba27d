// The update flow's files on the program's file-system seam: the check's reply is written without
// ever leaving half a file, and failures name the path.
#pragma once

#include "platform/filesystem.h"
#include "update/updateflow.h"

class SeamUpdateFiles : public UpdateFiles {
  public:
    explicit SeamUpdateFiles(FileSystem& files) : files_(files) {}

    void Write(const std::string& path, const ReplyBuffer& data) override;
    std::string Read(const std::string& path) override;

  private:
    FileSystem& files_;
};
