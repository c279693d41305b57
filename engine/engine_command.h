// An engine command as data: the words the engine program receives after
// its own name. A word is made of parts: fixed texts of the command and
// values from the job, the project or the client, which are never read as
// code; and, for bind mounts, the slot directory as the engine's side sees
// it. Rendering for a path (the POSIX engine shell, or a process started
// without any interpreter) is the only place where anything is quoted.
// Plain values keep their exact text, so the log of an ordinary job reads
// as it always did.
#pragma once

#include <functional>
#include <initializer_list>
#include <string>
#include <vector>

struct WordPart {
  enum Kind {
    plain,   // shown as it is where the shell reads it as one word; else quoted
    quoted,  // shown in double quotes where that keeps it intact; else quoted safely
    slot_dir,  // the job's slot directory: "$PWD" to the engine shell, "." on the direct path
  };
  Kind kind = plain;
  std::string text;
};

struct CommandWord {
  std::vector<WordPart> parts;
};

class EngineCommand {
 public:
  EngineCommand() = default;
  // A command of plain words.
  EngineCommand(std::initializer_list<std::string> words);

  EngineCommand& add(const std::string& word);          // one plain word
  EngineCommand& add_quoted(const std::string& word);   // one word shown in double quotes
  EngineCommand& add_word(CommandWord word);
  EngineCommand& add_all(const std::vector<std::string>& words);

  const std::vector<CommandWord>& words() const { return words_; }

  // Seconds the whole command may take before it is ended as failed; 0
  // leaves only the limit on silence (builds, logs).
  double deadline() const { return deadline_; }
  EngineCommand& set_deadline(double seconds) {
    deadline_ = seconds;
    return *this;
  }

  // The words as the engine program receives them when it is started
  // without a shell. The slot directory's part of a word, with the text
  // right after it ("/", "/sub/dir/"), becomes in_slot(that text); without
  // in_slot, "." and the text.
  std::vector<std::string> arguments(const std::function<std::string(const std::string&)>& in_slot = nullptr) const;

  // Whether a word holds a NUL byte, which no process argument can carry.
  bool has_nul() const;

 private:
  std::vector<CommandWord> words_;
  double deadline_ = 120;
};

// The command as POSIX shell text: words joined by one blank, each value
// quoted once so that the shell hands the engine exactly that word.
std::string render_posix(const EngineCommand& command);

// One text as a POSIX shell word: unchanged when the shell would read it as
// one plain word, else in single quotes.
std::string posix_word(const std::string& text);
