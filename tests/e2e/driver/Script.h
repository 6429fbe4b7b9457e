// The driver's script language: one command per line, words separated by
// blanks, a word with blanks in double quotes. In every word the escapes
// \n (line feed), \r (carriage return), \t (tab), \" and \\ are replaced; a backslash before any
// other character stands for itself, so Q:\ and C:\Program Files need no
// doubling. A line whose first non-blank character is # is a comment.
// Trailing words of the form name=value (unquoted) are options. ${NAME} in
// any word is replaced by the value of the variable NAME (letters, digits
// and _): one set on an earlier line with "set NAME VALUE", else one the
// caller looks up; an unknown variable is an error.
//
// This file has no Windows dependency so the parser can be checked anywhere.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

namespace e2e {

enum class Op {
  Timeout,         // timeout <ms>: default wait for the following commands
  Allow,           // allow <caption>: such windows never count as unexpected
  Attach,          // attach <caption> [timeout=]: join a running program, taking
                   // every window it shows now as seen
  WaitWindow,      // wait-window <caption> [timeout=] [still=yes|no]
  ExpectMaximized, // expect-maximized <caption> [timeout=]
  Screenshot,      // screenshot <caption> <file.png> [area=client|window|screen]
                   // [still=yes|no]
  GetText,         // get-text <caption> <id>
  ExpectText,      // expect-text <caption> <id> <text> [timeout=]; also
                   // expect-text-file <caption> <id> <file>: the text is the
                   // file's (UTF-8)
  SetText,         // set-text <caption> <id> <text>
  Click,           // click <caption> <id>
  Key,             // key <caption> return|escape
  ExpectMsgBox,    // expect-msgbox <text> yes|no|ok [caption=] [timeout=]
  Close,           // close <caption>
  ExpectNoWindow,  // expect-no-window <caption> [timeout=]
  Sleep,           // sleep <ms>
  Run,             // run <command-line> [timeout=]: runs a program (output
                   // to NUL) and waits for it; fails unless it ends with 0
  Mark,            // mark <name>: notes the time under a name
  Elapsed,         // elapsed <name>: logs the milliseconds since that mark as
                   // a line "elapsed<TAB>name<TAB>ms"; the mark must be set
                   // on an earlier line
  MeasureTexts,    // measure-texts <caption> <font> <points>: logs for every
                   // text control of the window whether its text fits it in
                   // that font (the dialog's own), one "text-fit" line each
  Start,           // start <program> <folder>: starts the program with that
                   // current folder and watches it
  Open,            // open <file>: opens a file as the shell does (a shortcut
                   // starts its target) and watches the program started (or,
                   // when the shell hands back none, that of the first
                   // window waited for)
  ExpectExit,      // expect-exit <code> [timeout=]: the started program ends
                   // with that exit code
  ExpectFile,      // expect-file <path> <reference>: a file with the bytes of
                   // the reference file
  ExpectNoFile,    // expect-no-file <path>: nothing by that name
  ExpectTree,      // expect-tree <folder> <listing>: the folder holds exactly
                   // the entries the listing file names (one relative path a
                   // line, a folder ending in \), nothing more
  ExpectAttributes,// expect-attributes <path> <mask> <value>: the file's
                   // attributes masked are the value
  ExpectReg,       // expect-reg 32|64 <key> <value> sz|multi-sz <text>: a value
                   // under HKEY_LOCAL_MACHINE in that view of the registry,
                   // holding the one string with the byte count the system
                   // keeps for it (a multi-string ends in two zeros)
  ExpectNoReg,     // expect-no-reg 32|64 <key>: no such key in that view
  ExpectLink,      // expect-link <file> <target> <folder> <icon> <index>: a
                   // shortcut's target, working folder, icon file and index;
                   // no arguments and no description
  ExpectPending,   // expect-pending <first> <second>: the restart-time list
                   // (PendingFileRenameOperations) deletes these two, one
                   // right after the other
  WriteFile,       // write-file <path> <text>: writes a file (UTF-8)
  MakeFolder,      // make-folder <path>: creates a folder (and those above it)
  Move,            // move <from> <to>: renames a file or folder
  CopyTo,          // copy-file <from> <to>: copies a file over what is there
  MapDrive,        // map-drive <letter:> <folder>: a drive letter for a folder
                   // (DefineDosDevice, as subst makes one)
  MakeLink,        // make-link <link> <folder>: <link> becomes a link to the
                   // folder: a junction on Windows; under Wine, which makes
                   // none, a Unix symbolic link (made by ln, started through
                   // Wine's way to run Unix programs)
  SetAttributes,   // set-attributes <path> <value>: sets a file's attributes
};

enum class Answer { Yes, No, Ok };
enum class KeyName { Return, Escape };
enum class Area { Client, Window, Screen };

struct Command {
  Op op = Op::Sleep;
  int line = 0;             // 1-based line in the script
  std::string origin;       // where it stands, for the log: "line 12", or the
                            // file and line it came from ("a.txt:12") once
                            // the caller has put includes in
  std::string source;       // the line as written, for the log
  std::string caption;      // window caption (UTF-8), or the name of a mark
  std::string text;         // control or message-box text, or the output file
  std::uint32_t controlId = 0;
  std::uint32_t millis = 0; // argument of timeout/sleep, or the timeout= option
  std::uint32_t points = 0; // font size of measure-texts (the font's name is in text)
  bool hasTimeout = false;  // whether timeout= was given
  Answer answer = Answer::Ok;
  KeyName key = KeyName::Return;
  Area area = Area::Client;
  bool still = false;       // screenshot: the program is held still while captured;
                            // wait-window: it runs in short slices between looks
                            // and is held from the look that finds the window
                            // until the next command has ended
  std::string msgCaption;   // caption= of expect-msgbox
  bool hasMsgCaption = false;
  std::vector<std::string> words;    // the path, key and text arguments of the
                                     // commands from start on, in order
  std::vector<std::uint32_t> numbers; // their numbers, in order
  int view = 0;                      // 32 or 64: the registry view
  bool multiString = false;          // expect-reg multi-sz
};

struct Script {
  std::vector<Command> commands;
  std::vector<std::string> errors; // "line N: message", empty when the script is valid
};

// Splits one line into words, applying quotes and escapes. `quoted` tells
// for each word whether it was written in quotes (quoted words are never
// options). Returns false and sets `error` on a malformed line.
struct Word {
  std::string text;
  bool quoted = false;
};
bool SplitWords(std::string_view line, std::vector<Word>& words, std::string& error);

// The value of a script variable; false when there is no such variable.
using Lookup = std::function<bool(std::string_view name, std::string& value)>;

// Parses a whole script (UTF-8, LF or CRLF, optional byte-order mark).
// Every line is checked, so all errors are reported at once.
Script ParseScript(std::string_view text, const Lookup& lookup = nullptr);

// The window the script waits for next: the first command after `index`
// that waits for a window to be there (by its caption, or a message box by
// its text), skipping those that wait for nothing or for a window to go.
// nullptr when no such command follows. While the commands before it run, a
// window it would accept never counts as unexpected: a program may open it
// as soon as it likes, even while an earlier command is still waiting.
const Command* NextAwaited(const std::vector<Command>& commands, std::size_t index);

// Whether `cmd` waits for a top-level window with this caption and class;
// `boxText` is the text of a message box (control 0xFFFF, line breaks as LF),
// looked at only for expect-msgbox.
bool Awaits(const Command& cmd, std::string_view caption, std::string_view cls, std::string_view boxText);

// Longest wait any command may ask for, in milliseconds: no step of a
// scenario can hang for longer than this.
inline constexpr std::uint32_t kMaxWaitMs = 600000;

} // namespace e2e
