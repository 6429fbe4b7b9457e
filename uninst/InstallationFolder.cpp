#include "uninst/InstallationFolder.h"

#include "platform/framework/UserInterface.h"
#include "shell/FolderGuard.h"
#include "shell/ModuleFolder.h"

InstallationFolder FindInstallationFolder(PlatformServices& platform, CEntryHandle& held) {
  InstallationFolder result;
  result.path = ModuleFolder(platform.Ui().GetModuleFileNameA());
  IFileSystem& files = platform.Files();
  // "X:" alone would open the current folder of that drive, not its root
  // ("\\?\X:" the volume itself).
  const CString spelled = FolderSpelling(result.path);
  held.Reset(result.path.IsEmpty() ? -1 : files.OpenFolderHandle(spelled));
  CString final;
  CString longPath;
  // Reached through a link, a junction or a mapped drive (its long path and
  // its final path differ): refused. Another user could have put the link
  // there after the program started and before this look, to send the
  // walk into a folder of theirs choosing; the installer registers the
  // final path, so the uninstaller is started by it.
  if (!held.IsOpen() || !FinalFolderPath(files, held.get(), final) ||
      files.GetLongPathNameA(spelled, longPath) == 0 || !SameFolderPath(longPath, final)) {
    held.Close();
    result.refusal = kFolderRefusal;
    return result;
  }
  result.path = final;
  switch (JudgeFolder(platform, final)) {
    case FolderVerdict::Allowed: break;
    case FolderVerdict::DriveRoot: result.refusal = kRootRefusal; break;
    case FolderVerdict::Guarded: result.refusal = kFolderRefusal; break;
  }
  if (result.refusal != nullptr) held.Close();
  return result;
}
