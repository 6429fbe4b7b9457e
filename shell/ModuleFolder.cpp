#include "shell/ModuleFolder.h"

CString ModuleFolder(const CString& modulePath) {
  const int slash = modulePath.ReverseFind('\\');
  return slash < 0 ? CString() : modulePath.Left(slash);
}

CString FolderSpelling(const CString& folder) {
  const bool drive = !folder.IsEmpty() && folder.view().back() == ':';
  return drive ? folder + "\\" : folder;
}
