#include "library/resourceactions.h"

#include "library/resourcerules.h"
#include "platform/textconv.h"

ResourceActions::ResourceActions(FileSystem& files, Shell& shell, ManagerDialogs& dialogs,
                                 std::function<std::string()> programDirectory)
    : files_(files),
      shell_(shell),
      dialogs_(dialogs),
      programDirectory_(std::move(programDirectory)) {}

bool ResourceActions::NewCategory(const std::string& category) {
    if (category.empty()) return false;
    std::string name = dialogs_.Ask(WideToAnsi(u"新建类别"), WideToAnsi(u"请输入类别名称"));
    if (name.empty()) return false;
    // The name goes to the file system as typed: it alone decides what a folder may be called.
    if (!files_.CreateFolder(JoinWithSlash(category, name)))
        dialogs_.Tell(WideToAnsi(u"新建类别失败，请重试"));
    return true;
}

bool ResourceActions::DeleteCategory(const std::string& category, const std::string& root,
                                     const std::function<void()>& letGo) {
    if (!MayDeleteCategory(category, root)) return false;
    if (letGo) letGo();
    shell_.RecycleDelete(category, true, 0);
    return true;
}

void ResourceActions::AddFiles(const std::string& category, const std::vector<std::string>& files) {
    if (category.empty()) return;
    for (const std::string& file : files)
        files_.CopyFileNoReplace(file, JoinWithSlash(category, FileNamePart(file)));
}

void ResourceActions::DeleteFileForGood(const std::string& file) {
    if (!file.empty()) files_.DeleteFilePermanently(file);
}

void ResourceActions::Open(const std::string& file) {
    OpenRequest request = MakeOpenRequest(programDirectory_(), file);
    shell_.Open(request.file, request.parameters);
}
