#include "toml/reader.h"

#include <algorithm>
#include <stdexcept>

#include "toml/scanner.h"

namespace {

// Arrays, inline tables and the segments of table headers and key paths
// nested deeper than this are refused rather than read, destroyed or
// printed by recursion that could exhaust the stack.
constexpr int kMaxNesting = 256;

class TomlReader {
 public:
  explicit TomlReader(std::istream& in) : scanner_(in) {}

  ParseOutcome parse();

 private:
  void scan(TomlPosition position) { token_ = scanner_.next_token(position); }
  // The first error counts: it is reported on the line of the token read
  // last, or on a line of its own.
  void add_error(const std::string& reason) { add_error_at(token_.line, reason); }
  void add_error_at(int line, const std::string& reason) {
    if (!error_.empty()) return;
    if (line <= 0) line = scanner_.line;
    error_ = "Error: line " + std::to_string(line) + ": " + reason;
    error_line_ = line;
    error_reason_ = reason;
    error_key_ = key_;
  }
  bool at_key() const { return token_.kind == T_BARE_KEY || token_.kind == T_STRING; }

  Value read_document();
  bool read_key_value(Value& target);
  bool read_value(Value& out, int depth);
  bool read_array(Value& out, int depth);
  bool read_inline_table(Value& out, int depth);
  Value* read_header(Value& root);

  TomlScanner scanner_;
  TomlToken token_;
  std::string error_;
  int error_line_ = 0;
  std::string error_reason_;
  std::string error_key_;
  std::string key_;  // the key whose value is being read
  const Value* root_ = nullptr;
  std::map<std::string, int> top_lines_;
};

ParseOutcome TomlReader::parse() {
  if (scanner_.peek() == 0xEF) {
    int first = scanner_.get();
    int second = scanner_.get();
    int third = second == 0xBB ? scanner_.get() : 0;
    if (first == 0xEF && second == 0xBB && third == 0xBF) {
      scan(KEY_POSITION);
    } else {
      token_.kind = T_ERROR;
      token_.text = "Invalid UTF8 BOM";
    }
  } else {
    scan(KEY_POSITION);
  }
  ParseOutcome outcome;
  outcome.root = read_document();
  if (!outcome.valid()) {
    outcome.error = error_;
    outcome.error_line = error_line_;
    outcome.error_key = error_key_;
    outcome.error_reason = error_reason_;
  }
  outcome.top_lines = std::move(top_lines_);
  return outcome;
}

Value TomlReader::read_document() {
  Value root{ValueTable()};
  root_ = &root;
  Value* target = &root;
  for (;;) {
    while (token_.kind == T_NEWLINE) scan(KEY_POSITION);
    if (token_.kind == T_END) return root;
    if (token_.kind == T_LBRACKET) {
      key_.clear();
      target = read_header(root);
      if (target == nullptr) {
        add_error("error when parsing group key");
        return Value();
      }
    } else if (!read_key_value(*target)) {
      add_error("error when parsing key Value");
      return Value();
    }
  }
}

bool TomlReader::read_key_value(Value& target) {
  if (!at_key()) {
    add_error("parse key failed");
    return false;
  }
  std::string key = token_.text;
  int key_line = token_.line;
  key_ = key;
  scan(VALUE_POSITION);
  if (token_.kind != T_EQUALS) {
    add_error("no equal?");
    return false;
  }
  scan(VALUE_POSITION);
  Value value;
  if (!read_value(value, 0)) return false;
  if (token_.kind != T_NEWLINE && token_.kind != T_END) {
    add_error("error when parsing key Value");
    return false;
  }
  if (target.lookup(key) != nullptr) {
    add_error_at(key_line, "Multiple same key: " + key);
    return false;
  }
  scan(KEY_POSITION);
  if (&target == root_) top_lines_.emplace(key, key_line);
  target.set(key, std::move(value));
  key_.clear();
  return true;
}

bool TomlReader::read_value(Value& out, int depth) {
  switch (token_.kind) {
    case T_ERROR: add_error(token_.text); return false;
    case T_STRING:
    case T_MULTILINE_STRING: out = Value(token_.text); break;
    case T_BOOL: out = Value(token_.int_value != 0); break;
    case T_INT: out = Value(token_.int_value); break;
    case T_DOUBLE: out = Value(token_.double_value); break;
    case T_TIME: out = Value(TimeTicks{token_.time_value}); break;
    case T_LBRACKET:
    case T_LBRACE:
      if (depth >= kMaxNesting) {
        add_error("nesting too deep");
        return false;
      }
      return token_.kind == T_LBRACKET ? read_array(out, depth + 1) : read_inline_table(out, depth + 1);
    default: add_error("unexpected token"); return false;
  }
  scan(VALUE_POSITION);
  return true;
}

bool TomlReader::read_array(Value& out, int depth) {
  scan(VALUE_POSITION);
  ValueArray elements;
  for (;;) {
    while (token_.kind == T_NEWLINE) scan(VALUE_POSITION);
    if (token_.kind == T_RBRACKET) break;
    Value element;
    if (!read_value(element, depth)) return false;
    if (!elements.empty() && element.kind() != elements.front().kind()) {
      add_error("type check failed");
      return false;
    }
    elements.push_back(std::move(element));
    while (token_.kind == T_NEWLINE) scan(VALUE_POSITION);
    if (token_.kind == T_RBRACKET) break;
    if (token_.kind == T_COMMA) scan(VALUE_POSITION);
  }
  scan(VALUE_POSITION);
  out = Value(std::move(elements));
  return true;
}

bool TomlReader::read_inline_table(Value& out, int depth) {
  scan(KEY_POSITION);
  Value table{ValueTable()};
  for (bool first = true;; first = false) {
    if (token_.kind == T_RBRACE) {
      scan(VALUE_POSITION);
      out = std::move(table);
      return true;
    }
    if (!first) {
      if (token_.kind != T_COMMA) {
        add_error("inline table didn't have ',' for delimiter?");
        return false;
      }
      scan(KEY_POSITION);
    }
    if (!at_key()) return false;
    std::string key = token_.text;
    scan(VALUE_POSITION);
    if (token_.kind != T_EQUALS) return false;
    scan(VALUE_POSITION);
    Value value;
    if (!read_value(value, depth)) return false;
    if (table.lookup(key) != nullptr) {
      add_error("inline table has multiple same keys: key=" + key);
      return false;
    }
    // A quoted key is taken as a path here; one that is not a valid path, or
    // runs through a value that is not a table, is an error in the text.
    // Its segments nest tables as deeply as values do.
    if (depth + static_cast<int>(std::count(key.begin(), key.end(), '.')) + 1 > kMaxNesting) {
      add_error("nesting too deep");
      return false;
    }
    try {
      *table.make_path(key) = std::move(value);
    } catch (const std::runtime_error& failure) {
      add_error(failure.what());
      return false;
    }
  }
}

Value* TomlReader::read_header(Value& root) {
  int header_line = token_.line;
  scan(KEY_POSITION);
  bool array_of_tables = token_.kind == T_LBRACKET;
  if (array_of_tables) scan(KEY_POSITION);
  Value* current = &root;
  for (int segments = 1;; ++segments) {
    if (!at_key()) return nullptr;
    // Each segment is a table inside the last: deep nesting is refused here
    // as in values.
    if (segments > kMaxNesting) {
      add_error("nesting too deep");
      return nullptr;
    }
    std::string name = token_.text;
    if (segments == 1) top_lines_.emplace(name, header_line);
    scan(KEY_POSITION);
    ValueTable& table = current->mutable_table();
    auto found = table.find(name);
    if (token_.kind == T_DOT) {
      scan(KEY_POSITION);
      Value* next = found == table.end() ? current->set(name, Value(ValueTable())) : &found->second;
      if (next->kind() == V_ARRAY) {
        if (next->count() == 0) return nullptr;
        next = &next->mutable_array().back();
      }
      if (next->kind() != V_TABLE) return nullptr;
      current = next;
      continue;
    }
    if (token_.kind != T_RBRACKET) return nullptr;
    scan(KEY_POSITION);
    Value* result = nullptr;
    if (array_of_tables) {
      Value* array = found == table.end() ? current->set(name, Value(ValueArray())) : &found->second;
      if (array->kind() != V_ARRAY) return nullptr;
      result = array->push(Value(ValueTable()));
      if (token_.kind != T_RBRACKET) return nullptr;
      scan(KEY_POSITION);
    } else if (found != table.end()) {
      result = &found->second;
      if (result->kind() == V_ARRAY) {
        if (result->count() == 0) return nullptr;
        result = &result->mutable_array().back();
      }
      if (result->kind() != V_TABLE) return nullptr;
    } else {
      result = current->set(name, Value(ValueTable()));
    }
    if (token_.kind != T_NEWLINE && token_.kind != T_END) return nullptr;
    scan(KEY_POSITION);
    return result;
  }
}

}  // namespace

ParseOutcome parse_toml(std::istream& stream) {
  if (stream.fail()) {
    ParseOutcome outcome;
    outcome.error = "stream is in bad state. file does not exist?";
    return outcome;
  }
  TomlReader reader(stream);
  return reader.parse();
}
