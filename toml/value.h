// A node of the TOML value tree that job.toml is read into. A Value owns its
// payload; copies are deep, moves leave the source null. One thread at a
// time. Errors are raised as std::runtime_error with the message text.
#pragma once

#include <cstdint>
#include <map>
#include <memory>
#include <string>
#include <vector>

enum ValueKind {
  V_NULL = 0,
  V_BOOL = 1,
  V_INT = 2,
  V_DOUBLE = 3,
  V_STRING = 4,
  V_TIME = 5,  // 100-nanosecond ticks since 1970-01-01 00:00:00 UTC
  V_ARRAY = 6,
  V_TABLE = 7,
};

// "null", "bool", "int", "double", "string", "time", "array", "table", or
// "unknown" for any other tag.
const char* kind_name(int kind);

class Value;
using ValueArray = std::vector<Value>;
using ValueTable = std::map<std::string, Value>;  // ordered by key bytes

struct TimeTicks {
  std::int64_t ticks = 0;
};

class Value {
 public:
  Value() = default;
  explicit Value(bool value);
  explicit Value(std::int64_t value);
  explicit Value(double value);
  explicit Value(std::string value);
  explicit Value(TimeTicks value);
  explicit Value(ValueArray value);
  explicit Value(ValueTable value);

  Value(const Value& other);
  Value& operator=(const Value& other);
  Value(Value&& other) noexcept;
  Value& operator=(Value&& other) noexcept;
  ~Value();

  ValueKind kind() const { return kind_; }

  // 0 for null, the elements of an array, the entries of a table, else 1.
  std::size_t count() const;

  // The value at a key path (bare or quoted segments joined by "."), or
  // null when this is not a table or the path finds nothing.
  const Value* lookup(const std::string& path) const;

  // Stores v under key, taken literally. A null receiver becomes a table.
  Value* set(const std::string& key, Value v);

  // Appends v. A null receiver becomes an array.
  Value* push(Value v);

  // The value at the key path, created null when absent, with missing
  // tables on the way created empty. Raises "encountered non table value"
  // or "invalid key".
  Value* make_path(const std::string& path);

  // Typed read access; a value of another kind raises
  // "type error: this value is A but B was requested".
  bool get_bool() const;
  std::int32_t get_int() const;  // the low 32 bits
  std::int64_t get_int64() const;
  double get_double() const;
  const std::string& get_string() const;
  std::int64_t get_time() const;
  const ValueArray& get_array() const;
  const ValueTable& get_table() const;

  // Write access for the document reader; same type error.
  ValueArray& mutable_array();
  ValueTable& mutable_table();

 private:
  void check_kind(ValueKind wanted) const;
  void clear();

  ValueKind kind_ = V_NULL;
  bool bool_ = false;
  std::int64_t int_ = 0;  // also the time ticks
  double double_ = 0;
  std::unique_ptr<std::string> string_;
  std::unique_ptr<ValueArray> array_;
  std::unique_ptr<ValueTable> table_;
};
