// The install list "install.dat": reading it into memory, and turning each
// of its lines into one action of the copy engine.
//
// A line, trimmed of single-byte white space, is (tested in this order)
//   blank      empty                               nothing
//   folder     *R                                  create D + R; prefix = R[1..] + "\"
//   copy-as    S <tab> ... <tab> T                 L:\HTML\ + P + S  ->  D\ + P + T
//   outside    ..\Q  (first byte a dot)            L:\ + Q           ->  D\ + P + (Q after its last \)
//   file       N                                   L:\HTML\ + P + N  ->  D\ + P + N
// with L the CD's drive letter, D the destination folder (no trailing
// backslash) and P the sub-folder prefix (empty or ending in a backslash).
// Paths are plain concatenations; nothing is normalised.
#pragma once

#include <optional>
#include <string_view>

#include "platform/CString.h"
#include "platform/Platform.h"
#include "platform/TextFile.h"

// One entry per line of the file, each with its line feed, in file order.
using InstallList = CStringList;

// Size of the reads: no entry holds more than kInstallListReadSize - 1 bytes
// before its line feed; a longer line becomes several entries.
constexpr int kInstallListReadSize = 1024;

// Reads the open text stream ("rt") to its end.
InstallList ReadInstallList(CTextFile& file);

// Opens the named file in text mode and reads it; nothing when it cannot be
// opened or a read fails before its end.
std::optional<InstallList> ReadInstallList(IFileSystem& files, const CString& path);

enum class InstallEntryKind { Blank, Folder, File, CopyAs, Outside };

// The name of a kind as the CD authors' tool prints it: blank, folder, file,
// copy-as, outside.
std::string_view InstallEntryKindName(InstallEntryKind kind);

struct InstallAction {
  InstallEntryKind kind = InstallEntryKind::Blank;
  // Folder line: the folder to create, empty when the line creates none.
  CString folder;
  // File, copy-as and outside lines: the file to copy.
  CString source;
  CString destination;
  // The destination (for a folder line, the folder to create) lies outside
  // the destination folder: it climbs out through ".." levels, or it is a
  // glued folder line. It must not be written.
  bool unsafe = false;
  // Folder line whose R does not begin with a separator ("*images"): R is
  // glued to the destination's own name, naming a folder beside it. Almost
  // certainly an authoring mistake for "*\images".
  bool glued = false;
  // The sub-folder prefix after this line.
  CString prefix;
};

// Maps one entry as read (line feed and surrounding white space allowed).
// Pure: touches nothing outside its arguments.
InstallAction MapInstallEntry(const CString& entry, const CString& drive, const CString& dest,
                              const CString& prefix);

// True when the relative path, taken below some folder, leaves that folder
// at any point through ".." levels. Both \ and / separate levels; a trail
// byte 0x5C of a double-byte character does not.
bool ClimbsAboveStart(std::string_view relative);
