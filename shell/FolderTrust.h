// Who may change a folder. Both programs run as administrator: a folder that
// another account can rename, replace, re-permission or write into could
// send what they write, register or schedule for deletion somewhere else,
// or swap the uninstaller that the system later runs as administrator.
// Handles stop renames while they are held; these rules stop what another
// account prepared before, or may do after.
//
// The trusted accounts are SYSTEM, Administrators and TrustedInstaller, and
// no one else: not the installing user either, whose unelevated programs
// carry the same account. Under Wine, which has no other accounts, the one
// user it runs as owns everything and is trusted too.
#pragma once

#include <deque>
#include <string_view>
#include <vector>

#include "platform/CString.h"
#include "platform/Platform.h"

namespace trust {

// All that an account outside the trusted ones may be granted on a folder
// the programs rely on: reading and running (FILE_GENERIC_READ |
// FILE_GENERIC_EXECUTE).
inline constexpr DWORD kReadAndRun = FILE_GENERIC_READ | FILE_GENERIC_EXECUTE;

// The descriptor of every folder level the installer makes, given in the
// call that makes it: owned by Administrators (an administrator's new
// objects would otherwise belong to the user), SYSTEM and Administrators
// may do everything, Users read and run, here and below, nothing inherited
// from above: what Program Files has.
inline constexpr char kAdminsOnlySddl[] =
    "O:BAG:BAD:PAI(A;OICI;FA;;;SY)(A;OICI;FA;;;BA)(A;OICI;0x1200a9;;;BU)";

bool IsTrustedAccount(std::string_view sid, bool underWine);

// The mask with its generic rights replaced by the file rights they stand
// for (MapGenericMask with the file mapping).
DWORD MapFileRights(DWORD mask);

// What the entry's access list grants accounts outside the trusted ones:
// the mapped masks of its allow entries that are not inherit-only, OWNER
// RIGHTS counting as the owner, CREATOR OWNER and CREATOR GROUP (which only
// stand for someone in inherited entries) and deny entries ignored. A null
// access list grants everything.
DWORD Grants(const EntrySecurity& security, bool underWine);

// What the entry's inheritable entries grant accounts outside the trusted
// ones on new files (OBJECT_INHERIT_ACE) or new subfolders
// (CONTAINER_INHERIT_ACE) made inside it: CREATOR OWNER stands for
// Administrators, who own what the installer makes; CREATOR GROUP and OWNER
// RIGHTS for someone outside.
DWORD InheritedGrants(const EntrySecurity& security, BYTE inheritFlag, bool underWine);

// A volume's root: owned by a trusted account, and no one else may change
// its permissions or owner or delete what is in it.
bool RootIsTrusted(const EntrySecurity& security, bool underWine);
// A folder level or an entry: owned by a trusted account, and no one else
// may do more than read and run it.
bool LevelIsTrusted(const EntrySecurity& security, bool underWine);
// A folder whose new files and subfolders no one else could do more than
// read and run.
bool InheritanceIsTrusted(const EntrySecurity& security, bool underWine);
// A file that no other account can have put there or linked: not a link,
// owned by a trusted account, with no other name.
bool FileIsTrusted(IFileSystem& files, INT_PTR file);

}  // namespace trust

// The levels of a folder's final path, from its volume root down, each
// opened as itself relative to the one above (a link is never followed),
// judged on its own handle and held without delete sharing until this
// object goes: what was judged stays what is used.
//
//   CTrustedLevels levels(platform.Files(), platform.Drives());
//   if (!levels.Open(dest)) ... refused
//   if (!levels.CreateMissing()) ... failed
class CTrustedLevels {
 public:
  CTrustedLevels(IFileSystem& files, IDrives& drives) : m_files(files), m_drives(drives) {}
  CTrustedLevels(const CTrustedLevels&) = delete;
  CTrustedLevels& operator=(const CTrustedLevels&) = delete;

  // Opens and judges the volume (a local fixed drive that keeps access
  // lists), its root and every existing level of path (a final path
  // "X:\\..."), down to the first that does not exist; when all exist, the
  // last is judged as a folder to write into as well (JudgeContents). False
  // when anything fails a rule or cannot be judged; then nothing is held.
  bool Open(const CString& path);
  // The same without the judgement of what is inside the last level.
  bool OpenLevels(const CString& path);
  // Every level of the path exists (and is held).
  bool Complete() const { return !m_held.empty() && m_missing.empty(); }
  // Makes each missing level below the deepest held one, with
  // trust::kAdminsOnlySddl in the same call, and holds it. A level that
  // someone else made first is not taken as made: it is judged as an
  // existing one. False when a level cannot be made or fails a rule.
  bool CreateMissing();
  // The deepest level held (-1 when none).
  INT_PTR Deepest() const { return m_held.empty() ? -1 : m_held.back().get(); }
  // Lets every level go.
  void Release();

 private:
  // One level opened relative to the one above; its handle is held when it
  // passes. expected is the path it must be reached by.
  bool Judge(INT_PTR level, const CString& expected, bool root);
  // The existing folder as one to write into: its new entries inherit
  // nothing that others could change, and nothing in it is a link, has
  // another name elsewhere or could be changed by another account.
  bool JudgeContents(INT_PTR folder, const CString& path, int depth);

  IFileSystem& m_files;
  IDrives& m_drives;
  std::deque<CEntryHandle> m_held;  // never moved: a deque grows in place
  CString m_heldPath;               // the path of the deepest level held
  std::vector<CString> m_missing;
};
