// The driver's script language: one command per line, words separated by
// blanks, a word with blanks in double quotes. In every word the escapes
// \n (line feed), \r (carriage return), \t (tab), \" and \\ are replaced; a backslash before any
// other character stands for itself, so Q:\ and C:\Program Files need no
// doubling. A line whose first non-blank character is # is a comment.
// Trailing words of the form name=value (unquoted) are options. ${NAME} in
// any word is replaced by the value of the variable NAME (letters, digits
// and _): one set on an earlier line with "set NAME VALUE", else one the
// caller looks up; an unknown variable is an error. The commands are those
// of Commands.def.
//
// This file has no Windows dependency so the parser can be checked anywhere.
#pragma once

#include "tests/e2e/driver/Expected.h"

#include <cstddef>
#include <cstdint>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

namespace e2e {

enum class Answer { Yes, No, Ok };
enum class KeyName { Return, Escape };
enum class Area { Client, Window, Screen };
// What a command waits to be there before it acts.
enum class Await { Nothing, Window, MessageBox };

struct Command {
  std::string_view name; // as in Commands.def
  std::size_t row = 0;   // its row there, counted from 0
  Await await = Await::Nothing;
  int line = 0;        // 1-based line in the script
  std::string origin;  // where it stands, for the log: "line 12", or the
                       // file and line it came from ("a.txt:12") once
                       // the caller has put includes in
  std::string source;  // the line as written, for the log
  std::string caption; // window caption (UTF-8), or the name of a mark
  std::string text;    // control or message-box text, or the output file
  std::uint32_t controlId = 0;
  std::uint32_t millis = 0; // argument of timeout/sleep, or the timeout= option
  std::uint32_t points = 0; // font size of measure-texts (the font's name is in text)
  bool hasTimeout = false;  // whether timeout= was given
  Answer answer = Answer::Ok;
  KeyName key = KeyName::Return;
  Area area = Area::Client;
  bool still = false;     // still=yes
  std::string msgCaption; // caption= of expect-msgbox
  bool hasMsgCaption = false;
  std::vector<std::string> words;     // the path, key and text arguments, in order
  std::vector<std::uint32_t> numbers; // the number arguments, in order
  int view = 0;                       // 32 or 64: the registry view
  bool multiString = false;           // expect-reg multi-sz
};

struct ScriptError {
  int line = 0; // 1-based
  std::string message;
};

struct Script {
  std::vector<Command> commands;
  std::vector<ScriptError> errors; // empty when the script is valid
};

// Splits one line into words, applying quotes and escapes. `quoted` tells
// for each word whether it was written in quotes (quoted words are never
// options). Fails on a malformed line.
struct Word {
  std::string text;
  bool quoted = false;
};
Expected<std::vector<Word>> SplitWords(std::string_view line);

// The value of a script variable; false when there is no such variable.
using Lookup = std::function<bool(std::string_view name, std::string& value)>;

// Parses a whole script (UTF-8, LF or CRLF, optional byte-order mark).
// Every line is checked, so all errors are reported at once.
Script ParseScript(std::string_view text, const Lookup& lookup = nullptr);

// The window the script waits for next: the first command after `index`
// that waits for a window to be there (by its caption, or a message box by
// its text). nullptr when no such command follows. While the commands
// before it run, a window it would accept never counts as unexpected: a
// program may open it as soon as it likes, even while an earlier command is
// still waiting.
const Command* NextAwaited(const std::vector<Command>& commands, std::size_t index);

// Whether `cmd` waits for a top-level window with this caption and class;
// `boxText` is the text of a message box (control 0xFFFF, line breaks as LF),
// looked at only for a command that awaits a message box.
bool Awaits(const Command& cmd, std::string_view caption, std::string_view cls, std::string_view boxText);

// Longest wait any command may ask for, in milliseconds: no step of a
// scenario can hang for longer than this.
inline constexpr std::uint32_t kMaxWaitMs = 600000;

} // namespace e2e
