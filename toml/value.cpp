#include "toml/value.h"

#include <sstream>
#include <stdexcept>

#include "toml/scanner.h"

const char* kind_name(int kind) {
  switch (kind) {
    case V_NULL: return "null";
    case V_BOOL: return "bool";
    case V_INT: return "int";
    case V_DOUBLE: return "double";
    case V_STRING: return "string";
    case V_TIME: return "time";
    case V_ARRAY: return "array";
    case V_TABLE: return "table";
    default: return "unknown";
  }
}

Value::Value(bool value) : kind_(V_BOOL), bool_(value) {}
Value::Value(std::int64_t value) : kind_(V_INT), int_(value) {}
Value::Value(double value) : kind_(V_DOUBLE), double_(value) {}
Value::Value(std::string value) : kind_(V_STRING), string_(std::make_unique<std::string>(std::move(value))) {}
Value::Value(TimeTicks value) : kind_(V_TIME), int_(value.ticks) {}
Value::Value(ValueArray value) : kind_(V_ARRAY), array_(std::make_unique<ValueArray>(std::move(value))) {}
Value::Value(ValueTable value) : kind_(V_TABLE), table_(std::make_unique<ValueTable>(std::move(value))) {}

Value::Value(const Value& other)
    : kind_(other.kind_), bool_(other.bool_), int_(other.int_), double_(other.double_) {
  if (other.string_) string_ = std::make_unique<std::string>(*other.string_);
  if (other.array_) array_ = std::make_unique<ValueArray>(*other.array_);
  if (other.table_) table_ = std::make_unique<ValueTable>(*other.table_);
}

Value& Value::operator=(const Value& other) {
  if (this != &other) {
    Value copy(other);
    *this = std::move(copy);
  }
  return *this;
}

Value::Value(Value&& other) noexcept
    : kind_(other.kind_),
      bool_(other.bool_),
      int_(other.int_),
      double_(other.double_),
      string_(std::move(other.string_)),
      array_(std::move(other.array_)),
      table_(std::move(other.table_)) {
  other.clear();
}

Value& Value::operator=(Value&& other) noexcept {
  if (this != &other) {
    // other may live inside this value: take it out before this value's
    // own content, and other with it, is dropped.
    Value taken(std::move(other));
    kind_ = taken.kind_;
    bool_ = taken.bool_;
    int_ = taken.int_;
    double_ = taken.double_;
    string_ = std::move(taken.string_);
    array_ = std::move(taken.array_);
    table_ = std::move(taken.table_);
  }
  return *this;
}

Value::~Value() = default;

void Value::clear() {
  kind_ = V_NULL;
  bool_ = false;
  int_ = 0;
  double_ = 0;
  string_.reset();
  array_.reset();
  table_.reset();
}

std::size_t Value::count() const {
  switch (kind_) {
    case V_NULL: return 0;
    case V_ARRAY: return array_->size();
    case V_TABLE: return table_->size();
    default: return 1;
  }
}

namespace {

bool is_key_token(const TomlToken& token) { return token.kind == T_BARE_KEY || token.kind == T_STRING; }

}  // namespace

const Value* Value::lookup(const std::string& path) const {
  if (kind_ != V_TABLE) return nullptr;
  std::istringstream in(path);
  TomlScanner scanner(in);
  const ValueTable* table = table_.get();
  TomlToken segment = scanner.next_token(KEY_POSITION);
  if (!is_key_token(segment)) return nullptr;
  for (;;) {
    TomlToken next = scanner.next_token(KEY_POSITION);
    auto found = table->find(segment.text);
    if (next.kind == T_END) return found == table->end() ? nullptr : &found->second;
    if (next.kind != T_DOT || found == table->end() || found->second.kind_ != V_TABLE) return nullptr;
    table = found->second.table_.get();
    segment = scanner.next_token(KEY_POSITION);
    if (!is_key_token(segment)) return nullptr;
  }
}

Value* Value::set(const std::string& key, Value v) {
  if (kind_ == V_NULL) *this = Value(ValueTable());
  if (kind_ != V_TABLE) throw std::runtime_error("type must be table to do set(key, v).");
  Value& slot = (*table_)[key];
  slot = std::move(v);
  return &slot;
}

Value* Value::push(Value v) {
  if (kind_ == V_NULL) *this = Value(ValueArray());
  if (kind_ != V_ARRAY) throw std::runtime_error("type must be array to do push(Value).");
  array_->push_back(std::move(v));
  return &array_->back();
}

Value* Value::make_path(const std::string& path) {
  if (kind_ == V_NULL) *this = Value(ValueTable());
  if (kind_ != V_TABLE) throw std::runtime_error("encountered non table value");
  std::istringstream in(path);
  TomlScanner scanner(in);
  Value* current = this;
  TomlToken segment = scanner.next_token(KEY_POSITION);
  if (!is_key_token(segment)) throw std::runtime_error("invalid key");
  for (;;) {
    TomlToken next = scanner.next_token(KEY_POSITION);
    ValueTable& table = *current->table_;
    auto found = table.find(segment.text);
    if (next.kind == T_END) {
      if (found != table.end()) return &found->second;
      return current->set(segment.text, Value());
    }
    if (next.kind != T_DOT) throw std::runtime_error("invalid key");
    if (found == table.end()) {
      current = current->set(segment.text, Value(ValueTable()));
    } else if (found->second.kind_ != V_TABLE) {
      throw std::runtime_error("encountered non table value");
    } else {
      current = &found->second;
    }
    segment = scanner.next_token(KEY_POSITION);
    if (!is_key_token(segment)) throw std::runtime_error("invalid key");
  }
}

void Value::check_kind(ValueKind wanted) const {
  if (kind_ != wanted) {
    throw std::runtime_error(std::string("type error: this value is ") + kind_name(kind_) + " but " +
                             kind_name(wanted) + " was requested");
  }
}

bool Value::get_bool() const {
  check_kind(V_BOOL);
  return bool_;
}

std::int32_t Value::get_int() const {
  check_kind(V_INT);
  return static_cast<std::int32_t>(static_cast<std::uint32_t>(int_));
}

std::int64_t Value::get_int64() const {
  check_kind(V_INT);
  return int_;
}

double Value::get_double() const {
  check_kind(V_DOUBLE);
  return double_;
}

const std::string& Value::get_string() const {
  check_kind(V_STRING);
  return *string_;
}

std::int64_t Value::get_time() const {
  check_kind(V_TIME);
  return int_;
}

const ValueArray& Value::get_array() const {
  check_kind(V_ARRAY);
  return *array_;
}

const ValueTable& Value::get_table() const {
  check_kind(V_TABLE);
  return *table_;
}

ValueArray& Value::mutable_array() {
  check_kind(V_ARRAY);
  return *array_;
}

ValueTable& Value::mutable_table() {
  check_kind(V_TABLE);
  return *table_;
}
