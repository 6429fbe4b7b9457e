// The driver's script language: one command per line, words separated by
// blanks, a word with blanks in double quotes. In every word the escapes
// \n (line feed), \r (carriage return), \t (tab), \" and \\ are replaced; a backslash before any
// other character stands for itself, so Q:\ and C:\Program Files need no
// doubling. A line whose first non-blank character is # is a comment.
// Trailing words of the form name=value (unquoted) are options.
//
// This file has no Windows dependency so the parser can be checked anywhere.
#pragma once

#include <cstdint>
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
  ExpectText,      // expect-text <caption> <id> <text> [timeout=]
  SetText,         // set-text <caption> <id> <text>
  Click,           // click <caption> <id>
  Key,             // key <caption> return|escape
  ExpectMsgBox,    // expect-msgbox <text> yes|no|ok [caption=] [timeout=]
  Close,           // close <caption>
  ExpectNoWindow,  // expect-no-window <caption> [timeout=]
  Sleep,           // sleep <ms>
  Run,             // run <command-line> [timeout=]: runs a program (output
                   // to NUL) and waits for it; fails unless it ends with 0
  WaitFile,        // wait-file <path> [timeout=]: waits until a file exists
                   // (a sign from the scenario's own shell that it has acted)
  Mark,            // mark <name>: notes the time under a name
  Elapsed,         // elapsed <name>: logs the milliseconds since that mark as
                   // a line "elapsed<TAB>name<TAB>ms"; the mark must be set
                   // on an earlier line
  MeasureTexts,    // measure-texts <caption> <font> <points>: logs for every
                   // text control of the window whether its text fits it in
                   // that font (the dialog's own), one "text-fit" line each
};

enum class Answer { Yes, No, Ok };
enum class KeyName { Return, Escape };
enum class Area { Client, Window, Screen };

struct Command {
  Op op = Op::Sleep;
  int line = 0;             // 1-based line in the script
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

// Parses a whole script (UTF-8, LF or CRLF, optional byte-order mark).
// Every line is checked, so all errors are reported at once.
Script ParseScript(std::string_view text);

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
